// parvex-cli against fresh virtual modules: the program runs as a child at
// the line rate of the modules (no detection), timed from its start to its
// end, its peak memory taken from wait4. Prints one table and exits 1 when a
// figure misses its target or a run fails.
#include "PostgresServer.h"
#include "VirtualModuleProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
using Modules = std::vector<std::unique_ptr<VirtualModuleProcess>>;

// Every writable key off its factory value: an apply writes all ten.
const char* const fullProfile =
    R"({"baud": 19200, "security": false, "password": "2468", "sniff": "0010,0008,0002,0001",
        "park": "0100,0050", "name": "BENCH-UNIT", "class": "1F0A3C", "role": "master",
        "scan": "0800,0100,0800,0100", "bind": false})";
constexpr int writableKeys = 10;
constexpr int queriesInARead = 12;
constexpr int defaultPaceMs = 500;

struct Run {
    double ms = 0;
    double peakMb = 0;
    QString failure; // empty when every port did what was asked
};

struct Spawned {
    double ms = 0;
    double peakMb = 0;
    int status = -1; // as wait4 gives it; -1 when it did not start
};

// The program (parvex-cli unless named) with these arguments, standard
// output to outPath, timed from its start to its end.
Spawned spawnTimed(const QStringList& arguments, const QString& outPath,
                   const char* program = PARVEX_CLI_PROGRAM) {
    QByteArrayList texts{QByteArray(program)};
    for (const QString& argument : arguments)
        texts << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const QByteArray out = outPath.toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Spawned spawned;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return spawned;
    int status = 0;
    rusage usage{};
    // Blocking: a poll would take the processor from the program it times.
    // What the modules print meanwhile (a few kB) waits in their pipes.
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    spawned.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    spawned.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    spawned.status = status;
    return spawned;
}

class Bench {
public:
    Modules startModules(int count) {
        Modules modules;
        for (int i = 0; i < count; ++i) {
            modules.push_back(std::make_unique<VirtualModuleProcess>());
            const QString link = dir.filePath(QStringLiteral("m%1").arg(++started));
            if (!modules.back()->start(virtualModuleProgram(), link, {}))
                qFatal("%s", qPrintable(modules.back()->errorText()));
        }
        return modules;
    }

    // parvex-cli with these arguments, every module's port and --json;
    // each port must succeed having written `written` keys.
    Run run(QStringList arguments, const Modules& modules, int written) {
        for (const auto& module : modules)
            arguments << QStringLiteral("-p") << module->device();
        arguments << QStringLiteral("--rate") << QStringLiteral("9600") << QStringLiteral("--json");
        const QString outPath = dir.filePath(QStringLiteral("out.json"));
        const Spawned spawned = spawnTimed(arguments, outPath);
        Run result;
        result.ms = spawned.ms;
        result.peakMb = spawned.peakMb;
        if (spawned.status < 0) {
            result.failure = QStringLiteral("cannot start %1").arg(PARVEX_CLI_PROGRAM);
            return result;
        }
        const int status = spawned.status;

        QFile out(outPath);
        out.open(QIODevice::ReadOnly);
        const QJsonArray ports = QJsonDocument::fromJson(out.readAll())["ports"].toArray();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || ports.size() != int(modules.size()))
            result.failure = QStringLiteral("parvex-cli %1 ended with status %2")
                                 .arg(arguments.first())
                                 .arg(status);
        for (const QJsonValue& port : ports)
            if (!port["ok"].toBool() || port["written"].toArray().size() != written)
                result.failure = QStringLiteral("%1: %2, wrote %3")
                                     .arg(port["device"].toString(), port["error"].toString())
                                     .arg(port["written"].toArray().size());
        if (!result.failure.isEmpty())
            for (const auto& module : modules)
                result.failure += QStringLiteral("\n  module on %1: %2")
                                      .arg(module->device(), module->processState());
        return result;
    }

    // Modules on fixtures, each with a module on it from the start, whose
    // every line is kept.
    Modules startFixtures(int count) {
        Modules modules;
        for (int i = 0; i < count; ++i) {
            const QString fixture = dir.filePath(QStringLiteral("fixture%1").arg(++started));
            QFile file(fixture);
            if (!file.open(QIODevice::WriteOnly) || file.write("--name OLD\n") < 0)
                qFatal("cannot write %s", qPrintable(fixture));
            file.close();
            modules.push_back(std::make_unique<VirtualModuleProcess>());
            VirtualModuleProcess* module = modules.back().get();
            QObject::connect(module, &VirtualModuleProcess::lineRead, module,
                             [this, module](const QString& line) { lines[module] << line; });
            const QString link = dir.filePath(QStringLiteral("m%1").arg(started));
            if (!module->start(virtualModuleProgram(), link, {"--fixture", fixture}))
                qFatal("%s", qPrintable(module->errorText()));
        }
        return modules;
    }

    // A station on these modules until every one has passed (its quota),
    // each having written all ten keys: parvex-cli station, or the station's
    // window when windowed.
    bool windowed = false;
    Run station(QStringList arguments, const Modules& modules) {
        const QString record = dir.filePath(QStringLiteral("record%1.jsonl").arg(started));
        for (const auto& module : modules)
            arguments << QStringLiteral("-p") << module->device();
        arguments << QStringLiteral("--rate") << QStringLiteral("9600") << QStringLiteral("--quota")
                  << QString::number(modules.size()) << QStringLiteral("--name-pattern")
                  << QStringLiteral("B-####") << QStringLiteral("--record") << record;
        const Spawned spawned =
            windowed ? spawnTimed(arguments, dir.filePath(QStringLiteral("station.out")),
                                  PARVEX_STATION_PROGRAM)
                     : spawnTimed(QStringList{QStringLiteral("station")} + arguments,
                                  dir.filePath(QStringLiteral("station.out")));
        Run result{spawned.ms, spawned.peakMb, {}};
        QFile file(record);
        file.open(QIODevice::ReadOnly);
        int passed = 0;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            passed += object["outcome"] == QLatin1String("pass") &&
                      object["written"].toArray().size() == writableKeys;
        }
        if (spawned.status != 0 || passed != int(modules.size()))
            result.failure = QStringLiteral("station ended with status %1, %2 of %3 passed")
                                 .arg(spawned.status)
                                 .arg(passed)
                                 .arg(modules.size());
        // What the modules printed meanwhile.
        QElapsedTimer draining;
        draining.start();
        while (draining.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return result;
    }

    // From the module's log: its first answer (to a probe) and the first
    // frame of the cycle, in its own milliseconds. The cycle begins with the
    // version query, the probe's own frame: it is the third frame received,
    // after two probes answered.
    std::pair<double, double> firstAnswerAndCycle(VirtualModuleProcess* module) const {
        static const QRegularExpression event(
            QStringLiteral(R"(^\s*([\d.]+) ms\s+\d+\s+(rx|tx)\s)"));
        QList<double> received;
        QList<double> sent;
        for (const QString& line : lines.value(module))
            if (const auto match = event.match(line); match.hasMatch())
                (match.captured(2) == QLatin1String("rx") ? received : sent)
                    << match.captured(1).toDouble();
        if (received.size() < 3 || sent.isEmpty())
            return {-1, -1};
        return {sent.first(), received[2]};
    }

    QTemporaryDir dir;
    int started = 0;
    QMap<VirtualModuleProcess*, QStringList> lines;
};

bool allMet = true;

void row(const QString& what, const QString& figure, const QString& floor, const QString& target,
         bool met) {
    allMet = allMet && met;
    std::printf("| %s | %s | %s | %s%s |\n", qPrintable(what), qPrintable(figure),
                qPrintable(floor), qPrintable(target), met ? "" : "  MISSED");
    std::fflush(stdout);
}

QString ms(double value) {
    return QStringLiteral("%1 ms").arg(value, 0, 'f', 0);
}

void failOn(const Run& run) {
    if (run.failure.isEmpty())
        return;
    std::fprintf(stderr, "parvex-cli-benchmark: %s\n", qPrintable(run.failure));
    std::exit(1);
}
// The other commands: apply and read.
void commandRows(Bench& bench, const QString& profile) {
    // A read, the ten writes and the ten reads back, each after its pause.
    const double applyFloor = (queriesInARead + 2 * writableKeys) * defaultPaceMs;
    const Run one = bench.run({"apply", profile}, bench.startModules(1), writableKeys);
    failOn(one);
    row(QStringLiteral("Apply of a full profile, 1 module"), ms(one.ms), ms(applyFloor),
        QString::number(one.ms / applyFloor, 'f', 3), true);
    const Run eight = bench.run({"apply", profile}, bench.startModules(8), writableKeys);
    failOn(eight);
    const double ratio = eight.ms / one.ms;
    row(QStringLiteral("Apply of a full profile, 8 modules at once"), ms(eight.ms), ms(applyFloor),
        QStringLiteral("%1 of 1 module (<= 1.05)").arg(ratio, 0, 'f', 3), ratio <= 1.05);

    // Best of three: what the machine does beside the run is not the program's.
    const double readFloor = queriesInARead * defaultPaceMs;
    double bestRead = 0;
    for (int i = 0; i < 3; ++i) {
        const Run read = bench.run({"read"}, bench.startModules(1), 0);
        failOn(read);
        bestRead = i == 0 ? read.ms : std::min(bestRead, read.ms);
    }
    row(QStringLiteral("Read at the default pace (best of 3)"), ms(bestRead), ms(readFloor),
        QStringLiteral("%1 (<= 1.01)").arg(bestRead / readFloor, 0, 'f', 3),
        bestRead / readFloor <= 1.01);

    QList<double> unpaced;
    for (int i = 0; i < 5; ++i) {
        const Run run = bench.run({"read", "--pace", "0"}, bench.startModules(1), 0);
        failOn(run);
        unpaced << run.ms;
    }
    std::sort(unpaced.begin(), unpaced.end());
    row(QStringLiteral("Read at --pace 0 (median of 5, fresh module each)"), ms(unpaced[2]), {},
        QStringLiteral("< 150 ms"), unpaced[2] < 150);

    row(QStringLiteral("Peak memory of parvex-cli, 8 ports (the apply above)"),
        QStringLiteral("%1 MB").arg(eight.peakMb, 0, 'f', 1), {}, QStringLiteral("< 40 MB"),
        eight.peakMb < 40);
}

// The station: a module on every fixture from the start, the station ending
// at its quota, so that it is timed from its start to its end.
void stationRows(Bench& bench, const QString& profile) {
    const auto row = [&bench](const QString& what, const QString& figure, const QString& floor,
                              const QString& target, bool met) {
        ::row(bench.windowed ? QString(what).replace(QLatin1String("Station:"),
                                                     QLatin1String("Station window:"))
                             : what,
              figure, floor, target, met);
    };
    // Two probes, the read, the ten writes and every setting read back.
    const double cycleFloor = (2 + 2 * queriesInARead + writableKeys) * defaultPaceMs;
    const Modules oneModule = bench.startFixtures(1);
    const Run one = bench.station({profile}, oneModule);
    failOn(one);
    row(QStringLiteral("Station: one cycle at the default pace, probes included"), ms(one.ms),
        ms(cycleFloor), QStringLiteral("%1 (<= 1.02)").arg(one.ms / cycleFloor, 0, 'f', 3),
        one.ms / cycleFloor <= 1.02);
    const auto [answer, cycle] = bench.firstAnswerAndCycle(oneModule.front().get());
    const double toCycle = cycle - defaultPaceMs - answer;
    row(QStringLiteral("Station: a module's first answer to the start of its cycle"), ms(toCycle),
        {}, QStringLiteral("<= %1 ms").arg(defaultPaceMs + 100),
        answer >= 0 && toCycle <= defaultPaceMs + 100);

    const Run eight = bench.station({profile}, bench.startFixtures(8));
    failOn(eight);
    const double ratio = eight.ms / one.ms;
    row(QStringLiteral("Station: 8 lanes, 8 modules put on together"), ms(eight.ms), ms(cycleFloor),
        QStringLiteral("%1 of 1 lane (<= 1.05)").arg(ratio, 0, 'f', 3), ratio <= 1.05);

    const Run unpaced = bench.station({profile, "--pace", "0"}, bench.startFixtures(1));
    failOn(unpaced);
    row(QStringLiteral("Station: one cycle at --pace 0, start to end"), ms(unpaced.ms), {},
        QStringLiteral("< 1000 ms"), unpaced.ms < 1000);
    row(QStringLiteral("Station: peak memory with 8 lanes"),
        QStringLiteral("%1 MB").arg(eight.peakMb, 0, 'f', 1), {}, QStringLiteral("< 40 MB"),
        eight.peakMb < 40);
}
// The 50th or 99th percentile of the figures.
double percentile(QList<double> figures, double share) {
    if (figures.isEmpty())
        return -1;
    std::sort(figures.begin(), figures.end());
    const auto at = static_cast<qsizetype>(share * static_cast<double>(figures.size() - 1) + 0.5);
    return figures[std::min(at, figures.size() - 1)];
}

// The line: stations on one PostgreSQL server of the benchmark's own.
void lineRows(Bench& bench, const QString& profile) {
    PostgresServer server(true);
    QString error;
    if (!server.start(error) || !server.sql(QStringLiteral("CREATE DATABASE line"))) {
        std::fprintf(stderr, "parvex-cli-benchmark: %s\n", qPrintable(error));
        std::exit(1);
    }
    const QString uri = server.uri(QStringLiteral("line"));

    // 8 station processes of 8 lanes at --pace 0, each ending at its quota;
    // --verbose says how long every number and every result took.
    constexpr int stations = 8;
    constexpr int lanes = 8;
    std::vector<Modules> fixtures;
    std::vector<std::unique_ptr<QProcess>> processes;
    QElapsedTimer clock;
    for (int s = 0; s < stations; ++s)
        fixtures.push_back(bench.startFixtures(lanes));
    clock.start();
    for (int s = 0; s < stations; ++s) {
        QStringList arguments{
            "station",        profile,
            "--rate",         "9600",
            "--pace",         "0",
            "--quota",        QString::number(lanes),
            "--name-pattern", "L-#####",
            "--station",      QStringLiteral("line-%1").arg(s + 1),
            "--record",       bench.dir.filePath(QStringLiteral("line%1.jsonl").arg(s)),
            "--store",        uri,
            "--verbose",      "--quiet"};
        for (const auto& module : fixtures[s])
            arguments << "-p" << module->device();
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(PARVEX_CLI_PROGRAM), arguments);
    }
    QList<double> numbers;
    QList<double> results;
    static const QRegularExpression timed(
        QStringLiteral(R"(store: (number \d+ taken|a result landed) in ([\d.]+) ms)"));
    for (auto& process : processes) {
        if (!process->waitForFinished(120000) || process->exitCode() != 0) {
            std::fprintf(stderr, "parvex-cli-benchmark: a line station failed: %s\n",
                         process->readAllStandardError().constData());
            std::exit(1);
        }
        for (const QString& line : QString::fromUtf8(process->readAllStandardError()).split('\n'))
            if (const auto match = timed.match(line); match.hasMatch())
                (match.captured(1).startsWith(QLatin1String("number")) ? numbers : results)
                    << match.captured(2).toDouble();
    }
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    row(QStringLiteral("Line: 8 stations of 8 lanes at --pace 0, numbers taken"),
        QStringLiteral("%1 in %2 s (%3 per second)")
            .arg(numbers.size())
            .arg(seconds, 0, 'f', 1)
            .arg(numbers.size() / seconds, 0, 'f', 0),
        {}, QStringLiteral("%1").arg(stations * lanes), numbers.size() == stations * lanes);
    for (const auto& [what, figures] : {std::pair{QStringLiteral("taking a number"), numbers},
                                        std::pair{QStringLiteral("landing a result"), results}})
        row(QStringLiteral("Line: %1, 50th / 99th percentile").arg(what),
            QStringLiteral("%1 / %2 ms")
                .arg(percentile(figures, 0.5), 0, 'f', 1)
                .arg(percentile(figures, 0.99), 0, 'f', 1),
            {}, QStringLiteral("99th <= 20 ms"),
            !figures.isEmpty() && percentile(figures, 0.99) <= 20);

    const double cycleFloor = (2 + 2 * queriesInARead + writableKeys) * defaultPaceMs;
    const Run one =
        bench.station({profile, "--store", uri, "--station", "line-paced"}, bench.startFixtures(1));
    failOn(one);
    row(QStringLiteral("Line: one cycle at the default pace with the store"), ms(one.ms),
        ms(cycleFloor), QStringLiteral("%1 (<= 1.02)").arg(one.ms / cycleFloor, 0, 'f', 3),
        one.ms / cycleFloor <= 1.02);
    server.stop();
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Bench bench;
    // --station: the station's rows alone; --line: the line's alone;
    // --window: the station's rows with its window, on the offscreen
    // platform.
    bench.windowed = app.arguments().contains(QStringLiteral("--window"));
    if (bench.windowed) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("PARVEX_STATION_NO_BOXES", "1");
    }
    const bool stationOnly =
        bench.windowed || app.arguments().contains(QStringLiteral("--station"));
    const bool lineOnly = app.arguments().contains(QStringLiteral("--line"));
    const QString profile = bench.dir.filePath(QStringLiteral("profile.json"));
    QFile file(profile);
    if (!file.open(QIODevice::WriteOnly) || file.write(fullProfile) < 0)
        qFatal("cannot write %s", qPrintable(profile));
    file.close();

    std::printf("| Measurement | Figure | Floor | Ratio / target |\n|---|---|---|---|\n");
    if (!stationOnly && !lineOnly)
        commandRows(bench, profile);
    if (!lineOnly)
        stationRows(bench, profile);
    if (!stationOnly)
        lineRows(bench, profile);
    std::printf("%s\n", allMet ? "every target met" : "a target was missed");
    return allMet ? 0 : 1;
}
