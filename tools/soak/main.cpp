// Operator cycles on the real window and serial port against the virtual
// module for a given time; prints what it found and this process's memory
// and descriptors at the start and the end. Exits 1 on any finding or
// growth beyond the bounds below.
#include "ProcessFootprint.h"
#include "Soak.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <cstdio>
#include <random>

namespace {
// What a long run may gain after its warm-up cycle: a few pages of heap, and
// not one descriptor.
constexpr long residentGrowthLimitKb = 4096;
constexpr int descriptorGrowthLimit = 0;

struct SoakOptions {
    qint64 durationMs = 0;
    unsigned seed = 0;
    bool moduleVerbose = false;
};

SoakOptions parseOptions(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Operator cycles on the real serial stack against the virtual module."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("minutes"), QStringLiteral("How long to run (default 30)."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("How long to run, in seconds."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("seed"),
                      QStringLiteral("Seed of the random choices, to replay a run."),
                      QStringLiteral("N")});
    parser.addOption(
        {QStringLiteral("module-verbose"),
         QStringLiteral("Print every line of the module (frames, states) to stderr.")});
    parser.process(app);
    SoakOptions options;
    options.durationMs = parser.isSet(QStringLiteral("seconds"))
                             ? parser.value(QStringLiteral("seconds")).toLongLong() * 1000
                             : parser.value(QStringLiteral("minutes")).toLongLong() * 60000;
    if (!parser.isSet(QStringLiteral("seconds")) && !parser.isSet(QStringLiteral("minutes")))
        options.durationMs = 30 * 60000;
    options.seed = parser.isSet(QStringLiteral("seed"))
                       ? parser.value(QStringLiteral("seed")).toUInt()
                       : std::random_device{}();
    options.moduleVerbose = parser.isSet(QStringLiteral("module-verbose"));
    return options;
}

bool printGrowth(const char* what, long start, long end, long limit, const char* unit) {
    std::printf("%s: start %ld%s, end %ld%s (%+ld%s, bound %+ld%s)\n", what, start, unit, end, unit,
                end - start, unit, limit, unit);
    return end - start <= limit;
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const SoakOptions options = parseOptions(app);
    std::printf("seed: %u (replay with --seed %u)\n", options.seed, options.seed);
    std::fflush(stdout);

    Soak soak(options.seed, options.moduleVerbose);
    QElapsedTimer clock;
    clock.start();
    // The first cycle warms up: fonts, the port's buffers, the module's first start.
    if (!soak.runCycle())
        return 2;
    const Footprint start = currentFootprint();
    while (clock.elapsed() < options.durationMs)
        if (!soak.runCycle())
            return 2;
    const Footprint end = currentFootprint();

    const SoakTally& t = soak.tally();
    std::printf("\nran %.1f minutes\n", clock.elapsed() / 60000.0);
    std::printf("cycles: %d (the first one a warm-up)\n", t.cycles);
    std::printf("module starts: %d, faults injected: %d (cycles under a fault: %d)\n",
                t.moduleStarts, t.faultsInjected, t.cyclesUnderFault);
    std::printf("baud-rate changes, each found again by detection: %d\n", t.rateChanges);
    std::printf("mismatches: %d, stalls: %d, message boxes: %d\n", t.mismatches, t.stalls, t.boxes);
    const bool memoryFlat = printGrowth("resident memory", start.residentKb, end.residentKb,
                                        residentGrowthLimitKb, " kB");
    const bool descriptorsFlat = printGrowth("open descriptors", start.openDescriptors,
                                             end.openDescriptors, descriptorGrowthLimit, "");
    const bool passed =
        t.mismatches == 0 && t.stalls == 0 && t.boxes == 0 && memoryFlat && descriptorsFlat;
    std::printf("soak %s\n", passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}
