// parvex-cli station with the line's store, against a PostgreSQL server the
// test starts: what is refused at start, two stations on one counter, a
// station killed mid-cycle, and the store stopped in the middle of a run.
#include "CliRig.h"
#include "PostgresServer.h"

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <algorithm>
#include <csignal>

namespace {
constexpr int cycleMs = 30000;

QList<QJsonObject> recordLines(const QString& path, const QString& event) {
    QList<QJsonObject> found;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object["event"].toString() == event)
            found << object;
    }
    return found;
}

QList<qint64> serialsOf(const QList<QJsonObject>& lines) {
    QList<qint64> serials;
    for (const QJsonObject& line : lines)
        serials << line["serial"].toInteger();
    return serials;
}

// One station process on the store, with its journal.
struct LineStation {
    QProcess cli;
    QString journal;

    void start(CliRig& rig, const QString& id, const QString& uri, const QStringList& ports,
               const QStringList& more = {}) {
        journal = rig.writeFile(id + ".jsonl", {});
        QFile::remove(journal);
        restart(rig, id, uri, ports, more);
    }
    // On the journal it had.
    void restart(CliRig& rig, const QString& id, const QString& uri, const QStringList& ports,
                 const QStringList& more = {}) {
        QStringList arguments{"station",        rig.writeFile("profile.json", R"({"bind": false})"),
                              "--record",       journal,
                              "--station",      id,
                              "--store",        uri,
                              "--name-pattern", "L-####",
                              "--rate",         "9600",
                              "--pace",         "20"};
        for (const QString& port : ports)
            arguments << "-p" << port;
        startCli(cli, arguments + more);
    }
    bool waitFor(const QString& event, int count, int ms = cycleMs) {
        return QTest::qWaitFor([&] { return recordLines(journal, event).size() >= count; }, ms);
    }
    int end(int signal = SIGINT) {
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        return finished();
    }
    int finished(int ms = cycleMs) {
        if (!QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, ms))
            return -1;
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    }
    QString describe() {
        return QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError());
    }
    ~LineStation() {
        if (cli.state() != QProcess::NotRunning) {
            cli.kill();
            cli.waitForFinished(3000);
        }
    }
};
} // namespace

class CliLine : public QObject {
    Q_OBJECT

    PostgresServer server;
    CliRig rig;
    int databases = 0;
    QString uri; // a fresh database for each case

    qint64 count(const QString& query) {
        return server.number(query, QStringLiteral("line%1").arg(databases));
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
    }

    void init() {
        const QString database = QStringLiteral("line%1").arg(++databases);
        QVERIFY(server.sql(QStringLiteral("CREATE DATABASE %1").arg(database)));
        uri = server.uri(database);
    }

    void cleanup() { rig.endModules(); }

    void refusedAtStart_data() {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("reason");
        QTest::newRow("bad URI") << "postgresql://127.0.0.1:port/x"
                                 << "invalid integer value";
        QTest::newRow("refused password")
            << server.uri("postgres", "wrong") << "password authentication failed";
        QTest::newRow("server down") << "postgresql://127.0.0.1:1/x"
                                     << "Connection refused";
        QTest::newRow("newer schema") << ""
                                      << "newer than this program's";
        QTest::newRow("station running") << ""
                                         << "station line-1 is running on this store";
    }

    // Exit 2 with the reason, the password never shown, nothing sent.
    void refusedAtStart() {
        QFETCH(QString, store);
        QFETCH(QString, reason);
        QVERIFY(rig.startFixture(QStringList{}));
        LineStation running;
        if (QTest::currentDataTag() == QLatin1String("newer schema"))
            QVERIFY(server.sql("CREATE TABLE parvex_schema (version integer NOT NULL); "
                               "INSERT INTO parvex_schema VALUES (2)",
                               QStringLiteral("line%1").arg(databases)));
        if (QTest::currentDataTag() == QLatin1String("station running")) {
            running.start(rig, "line-1", uri, {rig.modules[0]->path()});
            QVERIFY2(running.waitFor("start", 1), qPrintable(running.describe()));
        }
        const CliRun run =
            rig.run({"station", rig.writeFile("p.json", R"({"bind": false})"), "--store",
                     store.isEmpty() ? uri : store, "--station", "line-1", "-p",
                     rig.modules[0]->path(), "--record", rig.writeFile("refused.jsonl", {})});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("--store: ") && run.err.contains(reason.toUtf8()),
                 qPrintable(run.describe()));
        QVERIFY(!run.err.contains(PostgresServer::password) && !run.err.contains("wrong"));
        if (QTest::currentDataTag() != QLatin1String("station running")) {
            QTest::qWait(100);
            QCOMPARE(receivedFrames(rig.modules[0]->events, FrameKind::Any).size(), 0);
        }
    }

    // Two stations of four lanes at --pace 0: one counter, every number
    // once, none missing; every journal result in the store once.
    void twoStationsShareOneCounter() {
        QStringList ports[2];
        for (int i = 0; i < 8; ++i) {
            TestModule* fixture = rig.startFixture(QStringList{"--name", "FRESH"});
            QVERIFY(fixture);
            ports[i % 2] << fixture->path();
        }
        LineStation stations[2];
        for (int s = 0; s < 2; ++s)
            stations[s].start(rig, QStringLiteral("line-%1").arg(s + 1), uri, ports[s],
                              {"--pace", "0", "--quota", "4"});
        QList<qint64> all;
        for (LineStation& station : stations) {
            QVERIFY2(station.finished() == 0, qPrintable(station.describe()));
            all += serialsOf(recordLines(station.journal, "reserved"));
            QCOMPARE(recordLines(station.journal, "result").size(), 4);
        }
        std::sort(all.begin(), all.end());
        QCOMPARE(all, (QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(count("SELECT count(*) FROM parvex_results WHERE outcome = 'pass'"), 8);
        QCOMPARE(count("SELECT highest FROM parvex_counters"), 8);
        QCOMPARE(count("SELECT count(*) FROM parvex_stations WHERE stopped IS NOT NULL"), 2);

        // The store's summary is the journals' together; one station's is
        // its own; a day to come has nothing.
        auto total = [&](const QStringList& arguments) {
            const CliRun run = rig.run(QStringList{"summary", "--json"} + arguments);
            return QJsonDocument::fromJson(run.out).object()["total"].toObject();
        };
        const QJsonObject journals = total({stations[0].journal, stations[1].journal});
        const QJsonObject line = total({"--store", uri});
        for (const char* figure :
             {"passed", "failed", "already", "aborted", "voids", "seen", "numbers", "pass_rate"})
            QVERIFY2(line[figure] == journals[figure] && !journals[figure].isUndefined(), figure);
        QCOMPARE(total({"--store", uri, "--station", "line-2"})["passed"].toInt(), 4);
        const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
        QCOMPARE(total({"--store", uri, "--since", tomorrow})["passed"].toInt(), 0);
    }

    // Killed between its number and its result: the other station never
    // gets that number, and the killed one voids it when it starts again.
    void killedStationsNumberIsVoided() {
        if (underWine())
            QSKIP("a Windows program under Wine is not killed by a signal");
        TestModule* stuck = rig.startFixture(QStringList{"--silent-set", "6"});
        TestModule* fresh = rig.startFixture(std::nullopt);
        QVERIFY(stuck && fresh);
        LineStation killed;
        killed.start(rig, "line-1", uri, {stuck->path()});
        QVERIFY2(killed.waitFor("reserved", 1), qPrintable(killed.describe()));
        QCOMPARE(killed.end(SIGKILL), -1);
        LineStation other;
        other.start(rig, "line-2", uri, {fresh->path()});
        fresh->putOn({"--name", "FRESH"});
        QVERIFY2(other.waitFor("result", 1), qPrintable(other.describe()));
        QCOMPARE(serialsOf(recordLines(other.journal, "reserved")), QList<qint64>{2});

        stuck->putOn({"--name", "NEXT"});
        killed.start(rig, "line-1", uri, {stuck->path()});
        QVERIFY2(killed.waitFor("result", 1), qPrintable(killed.describe()));
        QCOMPARE(serialsOf(recordLines(killed.journal, "void")), QList<qint64>{1});
        QCOMPARE(serialsOf(recordLines(killed.journal, "reserved")), QList<qint64>{3});
        QCOMPARE(count("SELECT count(*) FROM parvex_voids WHERE serial = 1"), 1);
        QCOMPARE(killed.end(), 0);
        QCOMPARE(other.end(), 0);
    }

    // The server stops mid-cycle and comes back 10 s later: the cycle that
    // holds a number finishes and its result waits; no cycle starts during
    // the outage; afterwards every result lands once.
    void storeAwayAndBack() {
        TestModule* slow = rig.startFixture(QStringList{"--name", "SLOW", "--latency", "150"});
        TestModule* later = rig.startFixture(std::nullopt);
        QVERIFY(slow && later);
        LineStation station;
        station.start(rig, "line-1", uri, {slow->path(), later->path()});
        QVERIFY2(station.waitFor("reserved", 1), qPrintable(station.describe()));
        QVERIFY(server.stop());
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        const qsizetype heardBefore = later->events.size();
        later->putOn({"--name", "LATER"});
        QTest::qWait(10000);
        QCOMPARE(recordLines(station.journal, "reserved").size(), 1);
        QCOMPARE(receivedFrames(later->events.mid(heardBefore), FrameKind::Set).size(), 0);
        QVERIFY(server.startAgain());
        QVERIFY2(station.waitFor("result", 2), qPrintable(station.describe()));
        QCOMPARE(station.end(), 0);
        QCOMPARE(serialsOf(recordLines(station.journal, "reserved")), (QList<qint64>{1, 2}));
        QCOMPARE(count("SELECT count(*) FROM parvex_results"), 2);
        QCOMPARE(count("SELECT count(DISTINCT (port, started)) FROM parvex_results"), 2);
    }

    // A result still waiting when the station ends lands at its next start,
    // once; what landed before is not sent again.
    void waitingResultLandsAtTheNextStart() {
        TestModule* quick = rig.startFixture(QStringList{"--name", "QUICK"});
        TestModule* slow = rig.startFixture(std::nullopt);
        QVERIFY(quick && slow);
        LineStation station;
        station.start(rig, "line-1", uri, {quick->path(), slow->path()});
        QVERIFY2(station.waitFor("result", 1), qPrintable(station.describe()));
        QVERIFY(QTest::qWaitFor([&] { return count("SELECT count(*) FROM parvex_results") == 1; },
                                5000));
        slow->putOn({"--name", "SLOW", "--latency", "150"});
        QVERIFY2(station.waitFor("reserved", 2), qPrintable(station.describe()));
        QVERIFY(server.stop());
        QVERIFY2(station.waitFor("result", 2), qPrintable(station.describe()));
        QCOMPARE(station.end(), 0);
        QVERIFY(server.startAgain());
        const QString landed = QStringLiteral("SELECT count(*) FROM parvex_results");
        QCOMPARE(count(landed), 1);

        quick->takeOff();
        slow->takeOff();
        station.restart(rig, "line-1", uri, {quick->path(), slow->path()});
        QVERIFY(QTest::qWaitFor([&] { return count(landed) == 2; }, 5000));
        QCOMPARE(station.end(), 0);
        QCOMPARE(count("SELECT count(DISTINCT serial) FROM parvex_results"), 2);
        QCOMPARE(recordLines(station.journal, "result").size(), 2);
    }

    void cleanupTestCase() { QVERIFY(server.stop()); }
};

QTEST_GUILESS_MAIN(CliLine)
#include "cli_line_test.moc"
