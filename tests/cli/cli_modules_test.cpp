// parvex-cli itself, run as a child against virtual modules on
// pseudo-terminals, several at once: it reads what the modules hold, they
// hold what it wrote, a failure stays on its own port, and bad input sends
// nothing to any module.
#include "CliRig.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <csignal>

namespace {
const QStringList fast{"--rate", "9600", "--pace", "0", "--json"};

QJsonObject object(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

const QJsonObject factory = object(
    R"({"baud": 9600, "security": true, "password": "5807", "sniff": "0000,0000,0000,0000",
        "park": "0000,0000", "name": "KAVRO5190", "class": "000000", "role": "slave",
        "scan": "0400,0200,0400,0200", "bind": true})");
// Every writable key off its factory value, as a read shows it, and as typed
// on a command line as short as the rules allow.
const QJsonObject everyKeyChanged = object(
    R"({"baud": 19200, "security": false, "password": "A1b2c3", "sniff": "0A10,0308,0004,0002",
        "park": "0123,0045", "name": "LINE 7-B", "class": "01F0A3", "role": "master",
        "scan": "0800,0120,1000,0010", "bind": false})");
const QStringList everyKeyChangedArguments{
    "baud=19200",    "security=off", "password=A1b2c3", "sniff=a10,308,4,2",    "park=123,45",
    "name=LINE 7-B", "class=1f0a3",  "role=MASTER",     "scan=800,120,1000,10", "bind=false"};

QStringList written(const QJsonValue& port) {
    return port["written"].toVariant().toStringList();
}

QList<int> setTypesHeard(const TestModule& module) {
    QList<int> types;
    for (const ModuleEvent& e : receivedFrames(module.events, FrameKind::Set))
        if (e.heard())
            types << e.commandType();
    return types;
}
} // namespace

class CliModules : public QObject {
    Q_OBJECT

    CliRig rig;
    // Two modules that no row of bad input may reach.
    CliRig untouched;

private slots:
    void initTestCase() { QVERIFY(untouched.startModule() && untouched.startModule()); }
    void cleanup() { rig.endModules(); }

    void readShowsWhatEachModuleHolds() {
        QVERIFY(rig.startModule());
        QVERIFY(rig.startModule({"--name", "E2E NODE 42", "--password", "73519", "--baud-code",
                                 "472", "--rate", "9600", "--firmware", "3.7", "--max-conn", "3"}));
        QVERIFY(rig.startModule({"--name", "X", "--firmware", "0.255"}));
        const CliRun run = rig.run(QStringList{"read"} + rig.portArguments() + fast);
        QVERIFY2(run.exitCode == 0 && run.ports.size() == 3, qPrintable(run.describe()));
        // Not a terminal: no progress lines.
        QCOMPARE(run.err, QByteArray());
        const QStringList versions{"2.10", "3.7", "0.255"};
        for (int i = 0; i < 3; ++i) {
            TestModule& module = *rig.modules[i];
            const QJsonObject port = run.ports[i].toObject();
            QCOMPARE(port["device"].toString(), module.path());
            QCOMPARE(port["rate"].toInt(), 9600);
            QVERIFY(port["ok"].toBool() && port["error"].isNull() && written(port).isEmpty());
            QJsonObject settings = port["settings"].toObject();
            QCOMPARE(settings.take("version").toString(), versions[i]);
            const QStringList differ = differences(module.settings(), settings,
                                                   writableKeys() + QStringList{"connections"});
            QVERIFY2(differ.isEmpty(), qPrintable(differ.join("; ")));
            QCOMPARE(settings.size(), 11);
            QCOMPARE(commandTypes(receivedFrames(module.events, FrameKind::Query)),
                     (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14}));
        }
    }

    void writesAreReadBack_data() {
        QTest::addColumn<QStringList>("moduleArguments");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QJsonObject>("holds");
        QTest::addColumn<QStringList>("writtenKeys");
        QTest::addColumn<QList<int>>("setTypes");

        QTest::newRow("set every key")
            << QStringList{} << QStringList{"set"} + everyKeyChangedArguments << everyKeyChanged
            << writableKeys() << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 13, 14};
        QTest::newRow("set writes in read order")
            << QStringList{} << QStringList{"set", "name=N2", "security=off"}
            << QJsonObject{{"name", "N2"}, {"security", false}} << QStringList{"security", "name"}
            << QList<int>{2, 6};
        QTest::newRow("default writes only what differs")
            << QStringList{"--name",      "OLD", "--password", "1111",
                           "--baud-code", "79",  "--rate",     "9600"}
            << QStringList{"default"} << factory << QStringList{"baud", "password", "name"}
            << QList<int>{1, 3, 6};
        QTest::newRow("apply writes only what differs")
            << QStringList{"--name", "OLD"} << QStringList{"apply", "-"}
            << QJsonObject{{"name", "OLD"}, {"bind", false}} << QStringList{"bind"}
            << QList<int>{14};
        QTest::newRow("clear") << QStringList{} << QStringList{"clear"} << factory << QStringList{}
                               << QList<int>{10};
    }

    void writesAreReadBack() {
        QFETCH(QStringList, moduleArguments);
        QFETCH(QStringList, command);
        QFETCH(QJsonObject, holds);
        QFETCH(QStringList, writtenKeys);
        QFETCH(QList<int>, setTypes);
        QVERIFY(rig.startModule(moduleArguments) && rig.startModule(moduleArguments));
        // A profile on standard input: what the module should hold.
        const CliRun run =
            rig.run(command + rig.portArguments() + fast, QJsonDocument(holds).toJson());
        QVERIFY2(run.exitCode == 0 && run.ports.size() == 2, qPrintable(run.describe()));
        for (int i = 0; i < 2; ++i) {
            const QJsonObject port = run.ports[i].toObject();
            QVERIFY2(port["ok"].toBool(), qPrintable(run.describe()));
            QCOMPARE(written(port), writtenKeys);
            const QStringList held = differences(holds, rig.modules[i]->settings(), holds.keys());
            QVERIFY2(held.isEmpty(), qPrintable(held.join("; ")));
            // What was read back is what was written.
            const QStringList readBack =
                differences(holds, port["settings"].toObject(), writtenKeys);
            QVERIFY2(readBack.isEmpty(), qPrintable(readBack.join("; ")));
            QCOMPARE(setTypesHeard(*rig.modules[i]), setTypes);
        }
    }

    void profileOfOneModuleMakesOthersEqual() {
        TestModule* golden = rig.startModule();
        QVERIFY(golden);
        const QStringList port{"-p", golden->path()};
        const CliRun set = rig.run(QStringList{"set"} + everyKeyChangedArguments + port + fast);
        const CliRun read = rig.run(QStringList{"read"} + port + fast);
        QVERIFY2(set.exitCode == 0 && read.exitCode == 0, qPrintable(read.describe()));
        const QString profile = rig.writeFile("golden.json", read.out);

        QVERIFY(rig.startModule() && rig.startModule());
        const CliRun apply =
            rig.run(QStringList{"apply", profile} + rig.portArguments().mid(2) + fast);
        QVERIFY2(apply.exitCode == 0 && apply.ports.size() == 2, qPrintable(apply.describe()));
        for (int i = 1; i <= 2; ++i) {
            QCOMPARE(written(apply.ports[i - 1]), writableKeys());
            const QStringList differ =
                differences(golden->settings(), rig.modules[i]->settings(), writableKeys());
            QVERIFY2(differ.isEmpty(), qPrintable(differ.join("; ")));
        }
    }

    void failureStaysOnItsPort_data() {
        QTest::addColumn<QStringList>("middleModule");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("killAfterFrames");
        QTest::addColumn<QString>("error");

        const QStringList set{"set", "name=SURVIVOR", "password=4321", "--pace", "0"};
        QTest::newRow("silent module")
            << QStringList{"--silent", "0,1,2,3,4,5,6,7,8,9,10,13,14"} << set << 0
            << "^no answer to the password set command after 2 resends$";
        QTest::newRow("refused key")
            << QStringList{"--refuse", "6"} << set << 0 << "^the module refused name$";
        QTest::newRow("refused query")
            << QStringList{"--refuse", "9"} << QStringList{"read", "--pace", "0"} << 0
            << "^the module refused the connections query$";
        QTest::newRow("module gone before the start")
            << QStringList{} << set << -1 << "^No such file or directory$";
        // Paced, so that the others are still running when it goes.
        QTest::newRow("module vanishes")
            << QStringList{}
            << QStringList{"set", "name=SURVIVOR", "password=4321", "--pace", "150"} << 2
            << "^port lost during (writing|reading back) (name|password) ";
    }

    void failureStaysOnItsPort() {
        QFETCH(QStringList, middleModule);
        QFETCH(QStringList, command);
        QFETCH(int, killAfterFrames);
        QFETCH(QString, error);
        QVERIFY(rig.startModule() && rig.startModule(middleModule) && rig.startModule());
        TestModule& middle = *rig.modules[1];
        if (killAfterFrames < 0)
            middle.end();
        const CliRun run =
            rig.run(command + rig.portArguments() + QStringList{"--rate", "9600", "--json"}, {},
                    [&](QProcess&) {
                        if (killAfterFrames > 0 &&
                            receivedFrames(middle.events, FrameKind::Any).size() >= killAfterFrames)
                            middle.end();
                    });
        QVERIFY2(run.exitCode == 1 && run.ports.size() == 3, qPrintable(run.describe()));
        const QJsonObject failed = run.ports[1].toObject();
        QVERIFY(!failed["ok"].toBool());
        QVERIFY2(QRegularExpression(error).match(failed["error"].toString()).hasMatch(),
                 qPrintable(failed["error"].toString()));
        for (int i : {0, 2}) {
            QVERIFY2(run.ports[i]["ok"].toBool(), qPrintable(run.describe()));
            if (command.first() == "set") {
                const QJsonObject held = rig.modules[i]->settings();
                QCOMPARE(held["name"].toString(), QStringLiteral("SURVIVOR"));
                QCOMPARE(held["password"].toString(), QStringLiteral("4321"));
            } else {
                QCOMPARE(run.ports[i]["settings"].toObject().size(), 12);
            }
        }
    }

    // Ctrl+C closes the ports and reports what had finished.
    void interruptReportsWhatFinished() {
        QVERIFY(rig.startModule() && rig.startModule({"--silent", "3"}));
        QElapsedTimer running;
        running.start();
        bool interrupted = false;
        const CliRun run =
            rig.run(QStringList{"set", "password=4321", "--rate", "9600", "--pace", "0", "--json"} +
                        rig.portArguments(),
                    {}, [&](QProcess& cli) {
                        if (!interrupted && running.elapsed() > 1500 && cli.processId() > 0)
                            interrupted = ::kill(static_cast<pid_t>(cli.processId()), SIGINT) == 0;
                    });
        QVERIFY2(run.exitCode == 130 && run.ports.size() == 2, qPrintable(run.describe()));
        QVERIFY(run.ports[0]["ok"].toBool());
        QCOMPARE(run.ports[1]["error"].toString(), QStringLiteral("interrupted"));
        QCOMPARE(rig.modules[0]->settings()["password"].toString(), QStringLiteral("4321"));
    }

    void detectsTheRateWithoutBeingTold() {
        QVERIFY(rig.startModule({"--rate", "38400"}) && rig.startModule({"--rate", "2400"}));
        const CliRun run =
            rig.run(QStringList{"read", "--pace", "0", "--json"} + rig.portArguments());
        QVERIFY2(run.exitCode == 0 && run.ports.size() == 2, qPrintable(run.describe()));
        const QList<int> expected{38400, 2400};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(run.ports[i]["rate"].toInt(), expected[i]);
            QCOMPARE(run.ports[i]["settings"]["baud"].toInt(), expected[i]);
            QList<unsigned> heardAt;
            for (const ModuleEvent& e : rig.modules[i]->events)
                if (e.heard())
                    heardAt << e.rate;
            // The probe and the twelve queries, all at the module's rate.
            QCOMPARE(heardAt, QList<unsigned>(13, expected[i]));
        }
    }

    // Each kind of bad input once; every rule of every value has its own
    // row in the parameters' unit table.
    void badInputSendsNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        // PORTS stands for both modules, M1 for the first.
        auto row = [](const char* name, const QStringList& arguments, const char* message,
                      const QByteArray& input = {}) {
            QTest::newRow(name) << arguments << input << QString::fromUtf8(message);
        };
        auto set = [&](const char* value, const char* message) {
            row(value, {"set", "PORTS", "bind=on", QString::fromUtf8(value)}, message);
        };
        auto profile = [&](const char* name, const QByteArray& text, const char* message) {
            row(name, {"apply", "-", "PORTS"}, message, text);
        };
        row("no command", {"PORTS"}, "give a command");
        row("unknown command", {"frob", "PORTS"}, "unknown command \"frob\"");
        row("unknown option", {"read", "PORTS", "--bogus"}, "bogus");
        row("no port", {"read", "--rate", "9600"}, "give at least one port");
        row("port twice", {"read", "-p", "M1", "-p", "M1"}, "given twice");
        row("rate", {"read", "PORTS", "--rate", "1000"}, "--rate: 1000 is not one of");
        row("flow", {"read", "PORTS", "--flow", "rts"}, "--flow: must be");
        row("read with a value", {"read", "PORTS", "name=X"}, "unexpected argument \"name=X\"");
        row("set without values", {"set", "PORTS"}, "give at least one KEY=VALUE");
        row("apply without profile", {"apply", "PORTS"}, "give exactly one PROFILE");
        row("no profile file", {"apply", "/nonexistent/p.json", "PORTS"}, "/nonexistent/p.json: ");
        set("name", "\"name\" is not KEY=VALUE");
        set("colour=red", "unknown key \"colour\"");
        set("bind=off", "bind: given twice");
        set("version=1.0", "version: is read only");
        set("password=   ", "password: Please input the password");
        set("scan=400,200,400,401",
            "scan: Inquiry Scan window can not be larger than Inquiry Scan interval!");
        profile("json syntax", "{\n  \"name\": \"A\",\n  \"password\" \"B\"\n}\n",
                "-: line 3, column ");
        profile("not an object", "[1, 2]", "must hold a JSON object");
        profile("unknown key in profile", R"({"colour": "red"})", "unknown key \"colour\"");
        profile("switch as a number", R"({"security": 1})", "security: must be true or false");
        profile("bad value in profile", R"({"name": "OK", "password": "toolongpw"})",
                "password: must be 1 to 8 characters, not 9");
        profile("read of two ports", R"({"ports": [{"settings": {}}, {"settings": {}}]})",
                "exactly one port, not 2");
        // The station refuses before it opens a port; a record it cannot
        // use is bad input too.
        auto station = [&](const char* name, const QStringList& more, const char* message) {
            row(name, QStringList{"station", "-", "PORTS"} + more, message, R"({"bind": true})");
        };
        station("pattern without a run", {"--name-pattern", "Bench"}, "exactly one run of #");
        station("pattern too long", {"--name-pattern", "Bench-#########"},
                "must be 1 to 14 characters, not 15");
        station("quota of none", {"--quota", "0"}, "--quota: must be a whole number from 1");
        row("station option elsewhere", {"read", "PORTS", "--quota", "2"},
            "--quota is only for station");
        station("record not readable", {"--record", "/nonexistent/r.jsonl"},
                "/nonexistent/r.jsonl: ");
        station(
            "malformed record",
            {"--record", untouched.writeFile("bad.jsonl", "{\"event\":\"start\"}\n\nnot json\n")},
            "bad.jsonl: line 3 is not a JSON object");
        station("pattern cannot hold the next number",
                {"--name-pattern", "B##", "--record",
                 untouched.writeFile("full.jsonl", "{\"event\":\"reserved\",\"serial\":99}\n")},
                "B## cannot hold 100, the next number");
        row("summary without records", {"summary"}, "give at least one record FILE");
    }

    void badInputSendsNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        QStringList expanded;
        for (const QString& argument : arguments)
            expanded << (argument == "PORTS" ? untouched.portArguments()
                         : argument == "M1"  ? QStringList{untouched.modules[0]->path()}
                                             : QStringList{argument});
        const qsizetype before =
            untouched.modules[0]->events.size() + untouched.modules[1]->events.size();
        const CliRun run = untouched.run(expanded + QStringList{"--json"}, input);
        QVERIFY2(run.exitCode == 2, qPrintable(run.describe()));
        QVERIFY2(run.err.contains(message.toUtf8()), qPrintable(run.describe()));
        QCOMPARE(run.out, QByteArray());
        // Whatever was written would have been read by now.
        QTest::qWait(100);
        QCOMPARE(untouched.modules[0]->events.size() + untouched.modules[1]->events.size(), before);
    }
};

QTEST_GUILESS_MAIN(CliModules)
#include "cli_modules_test.moc"
