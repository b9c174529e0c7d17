// parvex-cli station against virtual modules on fixtures: modules are put on
// and taken off while the station runs, and the record is read back after
// every step. Every act on a module is in the record first; no number is
// ever handed out twice.
#include "CliRig.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <csignal>

namespace {
// Paced a little, so that idle lanes do not spin.
const QStringList paced{"--rate", "9600", "--pace", "20"};
constexpr int cycleMs = 20000;

int setFramesHeard(const TestModule& module) {
    int heard = 0;
    for (const ModuleEvent& e : receivedFrames(module.events, FrameKind::Set))
        heard += e.heard() ? 1 : 0;
    return heard;
}

int framesAfter(const TestModule& module, qsizetype from) {
    return static_cast<int>(receivedFrames(module.events.mid(from), FrameKind::Any).size());
}

// parvex-cli station as a child, and its record.
class Station {
public:
    Station(CliRig& cliRig, const QString& recordName) : rig(cliRig) {
        record = rig.writeFile(recordName, {});
        QFile::remove(record);
    }
    ~Station() {
        if (cli.state() != QProcess::NotRunning) {
            cli.kill();
            cli.waitForFinished(3000);
        }
    }

    bool start(const QStringList& arguments, const QStringList& wrapper = {}) {
        // Options given later win: a test may name a record or a pace of its
        // own.
        const QStringList command =
            QStringList{"station", "--record", record, "--station", "bench-1"} + paced + arguments +
            rig.portArguments();
        startCli(cli, command, wrapper);
        return cli.waitForStarted(5000);
    }

    QList<QJsonObject> lines(const QString& event = {}) const {
        QFile file(record);
        QList<QJsonObject> found;
        if (!file.open(QIODevice::ReadOnly))
            return found;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (!line.isEmpty() && (event.isEmpty() || object["event"].toString() == event))
                found << object;
        }
        return found;
    }

    bool waitFor(const QString& event, int count, int ms = cycleMs) {
        return QTest::qWaitFor([&] { return lines(event).size() >= count; }, ms);
    }

    // The exit status after the signal, -1 when it did not end in time.
    int end(int signal) {
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        return finished();
    }

    int finished(int ms = cycleMs) {
        const bool ended = QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, ms);
        out += cli.readAllStandardOutput();
        err += cli.readAllStandardError();
        if (!ended || cli.exitStatus() != QProcess::NormalExit)
            return -1;
        return cli.exitCode();
    }

    QString describe() {
        out += cli.readAllStandardOutput();
        err += cli.readAllStandardError();
        QString text = QStringLiteral("--- stdout\n%1--- stderr\n%2--- record\n")
                           .arg(QString::fromUtf8(out), QString::fromUtf8(err));
        for (const QJsonObject& line : lines())
            text += QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) + '\n';
        return text;
    }

    CliRig& rig;
    QString record;
    QProcess cli;
    QByteArray out;
    QByteArray err;
};

QString profile(CliRig& rig, const QByteArray& json = R"({"name": "X", "bind": false})") {
    return rig.writeFile("profile.json", json);
}
} // namespace

class CliStation : public QObject {
    Q_OBJECT

    CliRig rig;

private slots:
    void cleanup() { rig.endModules(); }

    // The module stays after its result: it is never written again; the next
    // one gets the next number. The output is the record's lines.
    void modulesInTurnGetConsecutiveNumbers() {
        TestModule* fixture = rig.startFixture(QStringList{"--name", "OLD"});
        QVERIFY(fixture);
        Station station(rig, "turns.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "Unit-###", "--json"}));
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        const int setsAfterFirst = setFramesHeard(*fixture);
        QTest::qWait(1500);
        QCOMPARE(setFramesHeard(*fixture), setsAfterFirst);
        QCOMPARE(fixture->settings()["name"].toString(), QStringLiteral("Unit-001"));

        const qsizetype takenOffAt = fixture->events.size();
        fixture->takeOff();
        // Three probes missed and one more sent: the lane knows it is gone.
        // While it shows a result its probes ask for the name; then it looks
        // for a module again.
        // (The probes the empty fixture ignored: one answered just before
        // may be logged after the take-off.)
        auto missed = [&] {
            QList<ModuleEvent> frames;
            for (const ModuleEvent& e :
                 receivedFrames(fixture->events.mid(takenOffAt), FrameKind::Any))
                if (!e.heard())
                    frames << e;
            return commandTypes(frames);
        };
        QVERIFY(QTest::qWaitFor([&] { return missed().size() >= 4; }, 10000));
        QCOMPARE(missed().mid(0, 4), (QList<int>{6, 6, 6, 0}));
        fixture->putOn({"--name", "FRESH"});
        QVERIFY2(station.waitFor("result", 2), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGINT), 0);

        const QList<QJsonObject> results = station.lines("result");
        QCOMPARE(results.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(results[i]["outcome"].toString(), QStringLiteral("pass"));
            QCOMPARE(results[i]["serial"].toInt(), i + 1);
            QCOMPARE(results[i]["name"].toString(), QStringLiteral("Unit-00%1").arg(i + 1));
            QCOMPARE(results[i]["written"].toVariant().toStringList(),
                     (QStringList{"name", "bind"}));
            QCOMPARE(results[i]["after"]["bind"], QJsonValue(false));
        }
        QCOMPARE(results[1]["before"]["name"].toString(), QStringLiteral("FRESH"));
        QCOMPARE(fixture->settings()["name"].toString(), QStringLiteral("Unit-002"));
        // Each number announced before its first set frame, then settled.
        const QList<QJsonObject> all = station.lines();
        QStringList events;
        for (const QJsonObject& line : all)
            events << line["event"].toString();
        QCOMPARE(events,
                 (QStringList{"start", "reserved", "result", "reserved", "result", "stop"}));
        QCOMPARE(all.last()["passed"].toInt(), 2);
        static const QRegularExpression time(
            R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)");
        QVERIFY(time.match(all.first()["time"].toString()).hasMatch());
        // --json: the record's lines on stdout, then nothing else there.
        const QList<QByteArray> printed = station.out.trimmed().split('\n');
        QCOMPARE(printed.size(), all.size());
        QCOMPARE(QJsonDocument::fromJson(printed[2]).object(), all[2]);
    }

    void oneModuleOneResult_data() {
        QTest::addColumn<QStringList>("module");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("reserved");
        QTest::addColumn<QString>("name");

        const QStringList pattern{"--name-pattern", "Unit-###"};
        QTest::newRow("already provisioned")
            << QStringList{"--name", "Unit-042", "--password", "2468"} << pattern << "already"
            << ""
            << "" << 0 << "Unit-042";
        QTest::newRow("the profile under a name not of the pattern")
            << QStringList{"--name", "OTHER", "--password", "2468"} << pattern << "pass"
            << ""
            << "" << 1 << "Unit-001";
        // The module acknowledges the name but keeps its own: the number
        // stays spent.
        QTest::newRow("a value the module does not keep")
            << QStringList{"--forget-set", "6"} << pattern << "fail"
            << "verifying name"
            << "name" << 1 << "KAVRO5190";
        QTest::newRow("refused key") << QStringList{"--refuse", "6"} << pattern << "fail"
                                     << "reading name"
                                     << "^the module refused the name query$" << 0 << "";
        QTest::newRow("no answer to a set")
            << QStringList{"--silent-set", "6"} << pattern << "fail"
            << "writing name"
            << "^no answer to the name set command after 2 resends$" << 1 << "KAVRO5190";
        QTest::newRow("without a pattern the profile's name")
            << QStringList{} << QStringList{} << "pass"
            << ""
            << "" << 0 << "X";
    }

    // The result is recorded, and nothing more is written to a module that
    // stays on the fixture.
    void oneModuleOneResult() {
        QFETCH(QStringList, module);
        QFETCH(QStringList, options);
        QFETCH(QString, outcome);
        QFETCH(QString, step);
        QFETCH(QString, error);
        QFETCH(int, reserved);
        QFETCH(QString, name);
        TestModule* fixture =
            rig.startFixture(module.isEmpty() ? QStringList{"--name", "FRESH"} : module);
        QVERIFY(fixture);
        Station station(rig, "one.jsonl");
        const QString password = profile(rig, R"({"name": "X", "password": "2468"})");
        QVERIFY(station.start(QStringList{password} + options));
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        const int sets = setFramesHeard(*fixture);
        QTest::qWait(1500);
        QCOMPARE(setFramesHeard(*fixture), sets);
        // Windows has no SIGTERM: a console program is asked to end by Ctrl+C.
        QCOMPARE(station.end(underWine() ? SIGINT : SIGTERM), 0);

        const QList<QJsonObject> results = station.lines("result");
        QVERIFY2(results.size() == 1, qPrintable(station.describe()));
        const QJsonObject result = results.first();
        QCOMPARE(result["outcome"].toString(), outcome);
        QCOMPARE(result["step"].toString(), step);
        QVERIFY2(QRegularExpression(error).match(result["error"].toString()).hasMatch(),
                 qPrintable(result["error"].toString()));
        QCOMPARE(station.lines("reserved").size(), reserved);
        QCOMPARE(result["serial"].isNull(), reserved == 0);
        QCOMPARE(result["name"].toString(), name);
        if (outcome == "already")
            QCOMPARE(sets, 0);
        // Not a terminal: one line per result, then the summary.
        QVERIFY2(station.out.contains(": " + (outcome == "already" ? QByteArray("already")
                                                                   : outcome.toUpper().toUtf8())),
                 qPrintable(station.describe()));
        QVERIFY(station.out.contains("total: "));
    }

    // U9 is the last number the pattern holds: the next module fails with
    // nothing written, and a new start is refused as bad input.
    void numbersRunOut() {
        TestModule* fixture = rig.startFixture(QStringList{});
        QVERIFY(fixture);
        Station station(rig, "out.jsonl");
        const QStringList options{profile(rig), "--name-pattern", "U#", "--first", "9"};
        QVERIFY(station.start(options));
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        const qsizetype takenOffAt = fixture->events.size();
        fixture->takeOff();
        QVERIFY(QTest::qWaitFor([&] { return framesAfter(*fixture, takenOffAt) >= 4; }, 10000));
        const int sets = setFramesHeard(*fixture);
        fixture->putOn({"--name", "LATE"});
        QVERIFY2(station.waitFor("result", 2), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGINT), 0);
        const QList<QJsonObject> results = station.lines("result");
        QCOMPARE(results[0]["name"].toString(), QStringLiteral("U9"));
        QCOMPARE(results[1]["outcome"].toString(), QStringLiteral("fail"));
        QCOMPARE(results[1]["step"].toString(), QStringLiteral("reserving a number"));
        QCOMPARE(results[1]["name"].toString(), QStringLiteral("LATE"));
        QCOMPARE(setFramesHeard(*fixture), sets);
        QCOMPARE(station.lines("reserved").size(), 1);

        QVERIFY(station.start(options));
        QCOMPARE(station.finished(), 2);
        QVERIFY2(station.err.contains("U# cannot hold 10"), qPrintable(station.describe()));
    }

    // Killed between its reserved line and its result: at the next start the
    // number is void, and the next module gets a higher one.
    void killedMidCycleLeavesAVoid() {
        TestModule* fixture = rig.startFixture(QStringList{"--silent-set", "6"});
        QVERIFY(fixture);
        Station station(rig, "killed.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "K-##"}));
        QVERIFY2(station.waitFor("reserved", 1), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGKILL), -1);
        QCOMPARE(station.lines("result").size(), 0);

        // A write cut short by the kill would be the last line, torn.
        QFile record(station.record);
        QVERIFY(record.open(QIODevice::Append));
        record.write("{\"event\":\"res");
        record.close();
        // The summary counts what is whole and says what is not.
        const CliRun summary = rig.run({"summary", station.record});
        QCOMPARE(summary.exitCode, 0);
        QVERIFY2(summary.err.contains("line 3 was cut short"), qPrintable(summary.describe()));
        fixture->putOn({"--name", "NEXT"});
        QVERIFY(station.start({profile(rig), "--name-pattern", "K-##"}));
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGINT), 0);
        QVERIFY(station.err.contains("line 3 was cut short"));
        const QList<QJsonObject> voids = station.lines("void");
        QVERIFY2(voids.size() == 1 && voids.first()["serial"].toInt() == 1,
                 qPrintable(station.describe()));
        const QJsonObject result = station.lines("result").first();
        QCOMPARE(result["serial"].toInt(), 2);
        QCOMPARE(result["name"].toString(), QStringLiteral("K-02"));
    }

    void secondStationIsRefused() {
        QVERIFY(rig.startFixture(std::nullopt));
        Station first(rig, "shared.jsonl");
        QVERIFY(first.start({profile(rig)}));
        QVERIFY(first.waitFor("start", 1));
        const CliRun second =
            rig.run(QStringList{"station", profile(rig), "--record", first.record} +
                    rig.portArguments() + paced);
        QCOMPARE(second.exitCode, 2);
        // Windows' lock does not tell who holds it.
        const QByteArray holder = underWine()
                                      ? QByteArray("another station")
                                      : "process " + QByteArray::number(first.cli.processId());
        QVERIFY2(second.err.contains(first.record.toUtf8()) && second.err.contains(holder),
                 qPrintable(second.describe()));
        QCOMPARE(first.end(SIGINT), 0);
        QCOMPARE(first.lines("start").size(), 1);
    }

    // Two lanes may start their cycles; the third never does.
    void quotaStopsAtItsCount() {
        for (int i = 0; i < 3; ++i)
            QVERIFY(rig.startFixture(QStringList{}));
        Station station(rig, "quota.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "Q###", "--quota", "2"}));
        QCOMPARE(station.finished(), 0);
        QCOMPARE(station.lines("result").size(), 2);
        QCOMPARE(station.lines("reserved").size(), 2);
        QCOMPARE(station.lines("stop").first()["passed"].toInt(), 2);
        int modulesWritten = 0;
        for (const auto& module : rig.modules)
            modulesWritten += setFramesHeard(*module) > 0 ? 1 : 0;
        QCOMPARE(modulesWritten, 2);
    }

    void interruptMidCycleIsAborted_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl+C") << int(SIGINT);
        if (!underWine())
            QTest::newRow("terminal closed") << int(SIGHUP);
    }

    void interruptMidCycleIsAborted() {
        QFETCH(int, signal);
        QVERIFY(rig.startFixture(QStringList{"--silent-set", "6"}));
        Station station(rig, "abort.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "A-##"}));
        QVERIFY2(station.waitFor("reserved", 1), qPrintable(station.describe()));
        QCOMPARE(station.end(signal), 0);
        const QJsonObject result = station.lines("result").first();
        QCOMPARE(result["outcome"].toString(), QStringLiteral("aborted"));
        QCOMPARE(result["serial"].toInt(), 1);
        QCOMPARE(result["step"].toString(), QStringLiteral("writing name"));
        QCOMPARE(station.lines("stop").first()["aborted"].toInt(), 1);
        QVERIFY2(station.out.contains("0 passed, 0 failed, 0 already, 1 aborted"),
                 qPrintable(station.describe()));
    }

    // The reader of --json goes after the first line: the next line the
    // station prints finds the pipe closed, mid-cycle. The record is
    // settled as Ctrl+C settles it.
    void closedPipeSettlesTheRecord() {
        if (underWine())
            QSKIP("Windows has no broken-pipe signal");
        QVERIFY(rig.startFixture(QStringList{"--silent-set", "6"}));
        Station station(rig, "pipe.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "P-##", "--json"},
                              {"sh", "-c", "\"$@\" | head -n 1 >/dev/null", "sh"}));
        QVERIFY2(station.waitFor("stop", 1), qPrintable(station.describe()));
        const QList<QJsonObject> results = station.lines("result");
        QVERIFY2(results.size() == 1, qPrintable(station.describe()));
        QCOMPARE(results.first()["outcome"].toString(), QStringLiteral("aborted"));
        QCOMPARE(results.first()["serial"].toInt(), 1);
        QCOMPARE(station.lines("stop").first()["aborted"].toInt(), 1);
    }

    // A module taken off and the next put on within a second, at the
    // default pace: the lane sees a new unit and provisions it.
    void fastSwapIsANewUnit() {
        TestModule* fixture = rig.startFixture(QStringList{"--name", "FRESH"});
        QVERIFY(fixture);
        Station station(rig, "swap.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "S-##", "--pace", "500"}));
        QVERIFY2(station.waitFor("result", 1, 2 * cycleMs), qPrintable(station.describe()));
        fixture->takeOff();
        QTest::qWait(1000);
        fixture->putOn({"--name", "FRESH"});
        QVERIFY2(station.waitFor("result", 2, 2 * cycleMs), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGINT), 0);
        const QList<QJsonObject> results = station.lines("result");
        QCOMPARE(results[1]["outcome"].toString(), QStringLiteral("pass"));
        QCOMPARE(results[1]["before"]["name"].toString(), QStringLiteral("FRESH"));
        QCOMPARE(fixture->settings()["name"].toString(), QStringLiteral("S-02"));
    }

    // A module that came with U-05, above the record's highest: it is left
    // alone, and 05 is spent, in the record too. The next ones get 06, 07.
    void numberOnAModuleIsSpent() {
        TestModule* fixture = rig.startFixture(QStringList{"--name", "U-05", "--password", "2468"});
        QVERIFY(fixture);
        Station station(rig, "seen.jsonl");
        const QStringList options{profile(rig, R"({"password": "2468"})"), "--name-pattern",
                                  "U-##"};
        QVERIFY(station.start(options));
        for (int unit = 1; unit <= 2; ++unit) {
            QVERIFY2(station.waitFor("result", unit), qPrintable(station.describe()));
            const qsizetype takenOffAt = fixture->events.size();
            fixture->takeOff();
            QVERIFY(QTest::qWaitFor([&] { return framesAfter(*fixture, takenOffAt) >= 4; }, 10000));
            fixture->putOn({"--name", "FRESH"});
        }
        QVERIFY2(station.waitFor("result", 3), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGINT), 0);
        QStringList names;
        for (const QJsonObject& result : station.lines("result"))
            names << result["outcome"].toString() + " " + result["name"].toString();
        QCOMPARE(names, (QStringList{"already U-05", "pass U-06", "pass U-07"}));
        const QList<QJsonObject> seen = station.lines("seen");
        QVERIFY2(seen.size() == 1 && seen.first()["serial"].toInt() == 5,
                 qPrintable(station.describe()));
    }

    // A record that cannot be read whole is bad input: nothing is cut from
    // it or added to it, and nothing is sent. The summary refuses it too.
    void unreadableRecordIsRefused_data() {
        QTest::addColumn<int>("readable");
        QTest::newRow("at once") << 0;
        QTest::newRow("part-way") << 150;
    }

    void unreadableRecordIsRefused() {
        QFETCH(int, readable);
        if (underWine())
            QSKIP("the failure is preloaded into a Linux program");
        TestModule* fixture = rig.startFixture(QStringList{});
        QVERIFY(fixture);
        Station station(rig, "unreadable.jsonl");
        QByteArray text = R"({"event":"start","station":"bench-1"})"
                          "\n";
        for (int serial = 1; serial <= 8; ++serial)
            text += QStringLiteral(R"({"event":"reserved","serial":%1,"name":"R-%1"})"
                                   "\n"
                                   R"({"event":"result","serial":%1,"outcome":"pass"})"
                                   "\n")
                        .arg(serial)
                        .toUtf8();
        QFile file(station.record);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        const QStringList failingRead{"env", "LD_PRELOAD=" READ_FAILURE_SHIM,
                                      "PARVEX_READ_FAILS_ON=" +
                                          QFileInfo(station.record).canonicalFilePath(),
                                      "PARVEX_READ_FAILS_AFTER=" + QString::number(readable)};
        QVERIFY(station.start({profile(rig), "--name-pattern", "R-##"}, failingRead));
        QCOMPARE(station.finished(), 2);
        QVERIFY2(station.err.contains(station.record.toUtf8() + ": cannot be read whole: "),
                 qPrintable(station.describe()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text);
        QTest::qWait(100);
        QCOMPARE(receivedFrames(fixture->events, FrameKind::Any).size(), 0);

        QProcess summary;
        startCli(summary, {"summary", station.record}, failingRead);
        QVERIFY(summary.waitForFinished(10000));
        QCOMPARE(summary.exitCode(), 2);
        QVERIFY(summary.readAllStandardError().contains("cannot be read whole"));
    }

    // The module goes mid-cycle with its line: the cycle fails, the lane
    // waits for the port and carries on when it is back.
    void portLostAndBack() {
        TestModule* fixture = rig.startFixture(QStringList{"--silent-set", "6"});
        QVERIFY(fixture);
        Station station(rig, "lost.jsonl");
        QVERIFY(station.start({profile(rig), "--name-pattern", "L-##"}));
        QVERIFY2(station.waitFor("reserved", 1), qPrintable(station.describe()));
        fixture->end();
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        QTest::qWait(1500);
        TestModule back;
        QVERIFY(back.start(fixture->link(), fixture->path(), {}));
        QVERIFY2(station.waitFor("result", 2), qPrintable(station.describe()));
        QCOMPARE(station.end(SIGINT), 0);
        const QList<QJsonObject> results = station.lines("result");
        QVERIFY(results[0]["error"].toString().startsWith("port lost during writing name"));
        QCOMPARE(results[1]["outcome"].toString(), QStringLiteral("pass"));
        QCOMPARE(results[1]["serial"].toInt(), 2);
        QCOMPARE(back.settings()["name"].toString(), QStringLiteral("L-02"));
    }

    // The record on a file system with room for little more than its start:
    // the unit that cannot be recorded is shown failed, never passed, and
    // the station ends with 1.
    void recordOnAFullFileSystem() {
        if (underWine())
            QSKIP("the Wine server opens the record outside the test's own mount namespace");
        if (QProcess::execute("unshare", {"-rm", "true"}) != 0)
            QSKIP("no user namespaces here to mount a small file system in");
        for (int i = 0; i < 4; ++i)
            QVERIFY(rig.startFixture(QStringList{}));
        const QString mount = QFileInfo(rig.writeFile("full", {})).absolutePath() + "/small";
        QDir().mkpath(mount);
        // The record is copied out before the file system goes with its
        // namespace.
        Station station(rig, "copied.jsonl");
        const QString full = mount + "/record.jsonl";
        const QString script =
            QStringLiteral("mount -t tmpfs -o size=8k tmpfs %1 && head -c 4096 /dev/zero > "
                           "%1/filler && \"$@\"; status=$?; cp %2 %3; exit $status")
                .arg(mount, full, station.record);
        QVERIFY(station.start({profile(rig), "--name-pattern", "F-###", "--record", full},
                              {"unshare", "-rm", "sh", "-c", script, "sh"}));
        QCOMPARE(station.finished(), 1);
        QVERIFY2(station.err.contains(full.toUtf8() + ": No space left on device"),
                 qPrintable(station.describe()));
        QVERIFY2(station.out.contains("FAIL"), qPrintable(station.describe()));
        QVERIFY(station.out.contains("total: "));
        // Every pass printed is in the record.
        QStringList recorded;
        for (const QJsonObject& result : station.lines("result"))
            if (result["outcome"] == "pass")
                recorded << result["name"].toString();
        // The line that did not fit left nothing behind.
        QFile copied(station.record);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        const QByteArray text = copied.readAll();
        QVERIFY2(text.endsWith('\n') && station.lines().size() == text.count('\n'),
                 qPrintable(station.describe()));
        // Every unit written to has its result shown, those in progress
        // when the record failed too.
        for (const auto& module : rig.modules)
            if (setFramesHeard(*module) > 0)
                QVERIFY2(station.out.contains(module->path().toUtf8() + ": "),
                         qPrintable(station.describe()));
        static const QRegularExpression pass("PASS (F-\\d+)");
        for (auto it = pass.globalMatch(QString::fromUtf8(station.out)); it.hasNext();)
            QVERIFY2(recorded.contains(it.next().captured(1)), qPrintable(station.describe()));
    }
};

QTEST_GUILESS_MAIN(CliStation)
#include "cli_station_test.moc"
