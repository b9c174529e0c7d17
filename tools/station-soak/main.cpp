// A station on lanes of virtual modules for a given time, its modules
// swapped slow and fast, the station killed or hung up and started again at
// random; prints its figures and exits 1 on any finding. With --stations,
// several such stations on one store whose server stops now and then.
#include "LineSoak.h"
#include "ProcessFootprint.h"
#include "StationSoak.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <random>

namespace {
StationSoakOptions parseOptions(const QCoreApplication& app, int& stations) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A station on virtual modules, killed and started again at random."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("minutes"), QStringLiteral("How long to run (default 30)."),
         QStringLiteral("N")},
        {QStringLiteral("seconds"), QStringLiteral("How long to run, in seconds."),
         QStringLiteral("N")},
        {QStringLiteral("lanes"), QStringLiteral("Lanes (default 4)."), QStringLiteral("N")},
        {QStringLiteral("pace"), QStringLiteral("The station's pace in ms (default 50)."),
         QStringLiteral("MS")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the random choices."),
         QStringLiteral("N")},
        {QStringLiteral("stations"),
         QStringLiteral("Stations of a line on one store of the soak's own (default: one "
                        "station, no store)."),
         QStringLiteral("N")},
        {QStringLiteral("cli"),
         QStringLiteral("The parvex-cli to run (default the one built with this tool)."),
         QStringLiteral("PATH")},
    });
    parser.process(app);
    StationSoakOptions options;
    if (parser.isSet(QStringLiteral("seconds")))
        options.durationMs = parser.value(QStringLiteral("seconds")).toLongLong() * 1000;
    else if (parser.isSet(QStringLiteral("minutes")))
        options.durationMs = parser.value(QStringLiteral("minutes")).toLongLong() * 60000;
    if (parser.isSet(QStringLiteral("lanes")))
        options.lanes = parser.value(QStringLiteral("lanes")).toInt();
    if (parser.isSet(QStringLiteral("pace")))
        options.paceMs = parser.value(QStringLiteral("pace")).toInt();
    options.program = parser.value(QStringLiteral("cli"));
    stations = parser.value(QStringLiteral("stations")).toInt();
    options.seed = parser.isSet(QStringLiteral("seed"))
                       ? parser.value(QStringLiteral("seed")).toUInt()
                       : std::random_device{}();
    return options;
}

struct Outcomes {
    int passed = 0, failed = 0, already = 0, aborted = 0, voids = 0;

    void add(const QList<QJsonObject>& record) {
        for (const QJsonObject& line : record) {
            const QString outcome = line["outcome"].toString();
            passed += outcome == QLatin1String("pass");
            failed += outcome == QLatin1String("fail");
            already += outcome == QLatin1String("already");
            aborted += outcome == QLatin1String("aborted");
            voids += line["event"] == QLatin1String("void");
        }
    }
    void print(const StationSoakTally& t) const {
        std::printf("modules put on: %d (faulty: %d, after a fast swap: %d)\n", t.modulesPut,
                    t.faultyPut, t.fastSwaps);
        std::printf("cycles: %d: passed %d, failed %d, already %d, aborted %d\n",
                    passed + failed + already + aborted, passed, failed, already, aborted);
        std::printf("station starts: %d, kills: %d, hang-ups: %d, voids: %d\n", t.stationStarts,
                    t.kills, t.hangUps, voids);
    }
};

// Stations of a line: the figures of all of them, and the line's own.
int runLine(const StationSoakOptions& options, int stations) {
    LineSoak line(options, stations);
    QElapsedTimer clock;
    clock.start();
    if (!line.run())
        return 2;
    StationSoakTally sum;
    Outcomes outcomes;
    int findings = line.tally().findings;
    for (const auto& soak : line.stations()) {
        const StationSoakTally& t = soak->tally();
        sum.modulesPut += t.modulesPut;
        sum.faultyPut += t.faultyPut;
        sum.fastSwaps += t.fastSwaps;
        sum.stationStarts += t.stationStarts;
        sum.kills += t.kills;
        sum.hangUps += t.hangUps;
        findings += t.findings;
        outcomes.add(soak->recordLines());
    }
    std::printf("\nran %.1f minutes, %d stations on one store\n", clock.elapsed() / 60000.0,
                stations);
    outcomes.print(sum);
    std::printf("server outages: %d, %.1f s in all\n", line.tally().outages,
                static_cast<double>(line.tally().outageMs) / 1000.0);
    std::printf("findings: %d\nline soak %s\n", findings, findings == 0 ? "passed" : "FAILED");
    return findings == 0 ? 0 : 1;
}

void printFootprint(const char* when, const Footprint& footprint) {
    std::printf("station process %s: resident %ld kB, open descriptors %d\n", when,
                footprint.residentKb, footprint.openDescriptors);
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int stations = 0;
    const StationSoakOptions options = parseOptions(app, stations);
    std::printf("seed: %u, %d lanes, pace %d ms\n", options.seed, options.lanes, options.paceMs);
    std::fflush(stdout);
    if (stations > 0)
        return runLine(options, stations);

    StationSoak soak(options);
    // The first station's figures once it has settled.
    QTimer::singleShot(5000, &app,
                       [&soak] { printFootprint("at start", footprintOf(soak.stationPid())); });
    QElapsedTimer clock;
    clock.start();
    QTimer endFootprint;
    Footprint last;
    QObject::connect(&endFootprint, &QTimer::timeout, &app,
                     [&] { last = footprintOf(soak.stationPid()); });
    endFootprint.start(1000);
    if (!soak.run())
        return 2;

    const StationSoakTally& t = soak.tally();
    printFootprint("at the end (before Ctrl+C)", last);
    Outcomes outcomes;
    outcomes.add(soak.recordLines());
    std::printf("\nran %.1f minutes\n", clock.elapsed() / 60000.0);
    outcomes.print(t);
    std::printf("findings: %d\nstation soak %s\n", t.findings,
                t.findings == 0 ? "passed" : "FAILED");
    return t.findings == 0 ? 0 : 1;
}
