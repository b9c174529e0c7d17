// parvex-cli itself, run as a child against virtual modules on
// pseudo-terminals, several at once: it reads what the modules hold, they
// hold what it wrote, a failure stays on its own port, the line is paced and
// set as asked, and bad input sends nothing to any module.
#include "CliRig.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
const QStringList fast{"--rate", "9600", "--pace", "0", "--json"};
// How long the program waits for an answer before it sends again.
constexpr double answerWaitMs = 1000;

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
    void initTestCase() {
        QVERIFY(untouched.startModule() && untouched.startModule());
        // The modules' own start-up lines are in before any row counts them.
        QTest::qWait(300);
    }
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

    // The pause before every frame, as the module's log times the frames,
    // and the flow control the line is set to while the program has it.
    void lineIsPacedAndSetAsAsked_data() {
        QTest::addColumn<int>("pace");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<bool>("rtsCts");
        QTest::addColumn<bool>("xonXoff");
        QTest::newRow("pace 200, no flow control") << 200 << "none" << false << false;
        QTest::newRow("pace 200, hardware") << 200 << "hardware" << true << false;
        QTest::newRow("pace 700, xonxoff") << 700 << "xonxoff" << false << true;
    }

    void lineIsPacedAndSetAsAsked() {
        QFETCH(int, pace);
        QFETCH(QString, flow);
        QFETCH(bool, rtsCts);
        QFETCH(bool, xonXoff);
        TestModule* module = rig.startModule();
        QVERIFY(module);
        // A descriptor of the test's own, opened before the program's, sees
        // the line's settings while the program has the port.
        const int line =
            ::open(qPrintable(module->link()), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(line >= 0);
        std::optional<termios> seen;
        const CliRun run =
            rig.run(QStringList{"set", "name=PACED", "password=1234", "--rate", "9600", "--pace",
                                QString::number(pace), "--flow", flow, "--json"} +
                        rig.portArguments(),
                    {}, [&](QProcess&) {
                        termios settings{};
                        if (!seen && !receivedFrames(module->events, FrameKind::Any).isEmpty() &&
                            tcgetattr(line, &settings) == 0)
                            seen = settings;
                    });
        ::close(line);
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QVERIFY(seen);
        QCOMPARE((seen->c_cflag & CRTSCTS) != 0, rtsCts);
        QCOMPARE((seen->c_iflag & IXON) != 0, xonXoff);
        QCOMPARE((seen->c_iflag & IXOFF) != 0, xonXoff);
        const QList<ModuleEvent> frames = receivedFrames(module->events, FrameKind::Any);
        QCOMPARE(commandTypes(frames), (QList<int>{3, 6, 3, 6}));
        for (qsizetype i = 1; i < frames.size(); ++i)
            QVERIFY2(frames[i].atMs - frames[i - 1].atMs >= pace - noticedLateAtMostMs,
                     qPrintable(QStringLiteral("frame %1 came %2 ms after the one before")
                                    .arg(i + 1)
                                    .arg(frames[i].atMs - frames[i - 1].atMs)));
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
        // Slower than the answer wait: each command goes out twice, the
        // answer to the first frame is taken, and the answer to the second,
        // which comes about when the next command goes out again, is not
        // taken for the next command's.
        QTest::newRow("late answers")
            << QStringList{"--latency", "1300"} << QStringList{"set", "name=LATE", "password=9876"}
            << QJsonObject{{"name", "LATE"}, {"password", "9876"}}
            << QStringList{"password", "name"} << QList<int>{3, 3, 6, 6};
        // The second copy, a byte every 10 ms, comes while the next query
        // waits for its answer.
        QTest::newRow("every answer twice")
            << QStringList{"--name", "OLD", "--answer-twice", "--byte-delay", "10"}
            << QStringList{"apply", "-"} << QJsonObject{{"name", "OLD"}, {"bind", false}}
            << QStringList{"bind"} << QList<int>{14};
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
        // The command types the failing module heard, resends included,
        // unless it vanished on its way.
        QTest::addColumn<QList<int>>("heard");

        const QStringList set{"set", "name=SURVIVOR", "password=4321", "--pace", "0"};
        const QStringList apply{"apply", "-", "--pace", "0"};
        const QList<int> read{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14};
        QTest::newRow("silent module")
            << QStringList{"--silent", "0,1,2,3,4,5,6,7,8,9,10,13,14"} << set << 0
            << "^no answer to the password set command after 2 resends$" << QList<int>{3, 3, 3};
        QTest::newRow("refused key") << QStringList{"--refuse", "6"} << set << 0
                                     << "^the module refused name$" << QList<int>{3, 6};
        QTest::newRow("refused query")
            << QStringList{"--refuse", "9"} << QStringList{"read", "--pace", "0"} << 0
            << "^the module refused the connections query$" << read.mid(0, 10);
        const char* notKept = "^name reads back as \"KAVRO5190\", not \"SURVIVOR\"$";
        QTest::newRow("set value not kept")
            << QStringList{"--forget-set", "6"} << set << 0 << notKept << QList<int>{3, 6, 3, 6};
        QTest::newRow("applied value not kept") << QStringList{"--forget-set", "6"} << apply << 0
                                                << notKept << read + QList<int>{3, 6, 3, 6};
        // The system's own words for a port that is not there: Linux's, or
        // Windows' as Wine gives them.
        QTest::newRow("module gone before the start")
            << QStringList{} << set << -1
            << "^(No such file or directory|File not found\\.|The system cannot find the file "
               "specified\\.)$"
            << QList<int>{};
        // Paced, so that the others are still running when it goes.
        QTest::newRow("module vanishes")
            << QStringList{}
            << QStringList{"set", "name=SURVIVOR", "password=4321", "--pace", "150"} << 2
            << "^port lost during (writing|reading back) (name|password) " << QList<int>{};
    }

    void failureStaysOnItsPort() {
        QFETCH(QStringList, middleModule);
        QFETCH(QStringList, command);
        QFETCH(int, killAfterFrames);
        QFETCH(QString, error);
        QFETCH(QList<int>, heard);
        QVERIFY(rig.startModule() && rig.startModule(middleModule) && rig.startModule());
        TestModule& middle = *rig.modules[1];
        if (killAfterFrames < 0)
            middle.end();
        const CliRun run =
            rig.run(command + rig.portArguments() + QStringList{"--rate", "9600", "--json"},
                    R"({"name": "SURVIVOR", "password": "4321"})", [&](QProcess&) {
                        if (killAfterFrames > 0 &&
                            receivedFrames(middle.events, FrameKind::Any).size() >= killAfterFrames)
                            middle.end();
                    });
        QVERIFY2(run.exitCode == 1 && run.ports.size() == 3, qPrintable(run.describe()));
        const QJsonObject failed = run.ports[1].toObject();
        QVERIFY(!failed["ok"].toBool());
        QVERIFY2(QRegularExpression(error).match(failed["error"].toString()).hasMatch(),
                 qPrintable(failed["error"].toString()));
        const QList<ModuleEvent> frames = receivedFrames(middle.events, FrameKind::Any);
        if (killAfterFrames == 0)
            QCOMPARE(commandTypes(frames), heard);
        // A frame sent again waits for the answer to the one before.
        for (qsizetype i = 1; i < frames.size(); ++i)
            if (frames[i].bytes == frames[i - 1].bytes)
                QVERIFY2(frames[i].atMs - frames[i - 1].atMs >= answerWaitMs - noticedLateAtMostMs,
                         qPrintable(QStringLiteral("sent again after %1 ms")
                                        .arg(frames[i].atMs - frames[i - 1].atMs)));
        for (int i : {0, 2}) {
            QVERIFY2(run.ports[i]["ok"].toBool(), qPrintable(run.describe()));
            if (command.first() != "read") {
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
        // Half a second after the silent module heard the command it leaves
        // unanswered: the other port has long finished, and this one waits
        // for its first resend, a second after the command.
        QElapsedTimer sinceUnanswered;
        bool interrupted = false;
        const CliRun run = rig.run(
            QStringList{"set", "password=4321", "--rate", "9600", "--pace", "0", "--json"} +
                rig.portArguments(),
            {}, [&](QProcess& cli) {
                if (!sinceUnanswered.isValid() && setTypesHeard(*rig.modules[1]) == QList<int>{3})
                    sinceUnanswered.start();
                if (!interrupted && sinceUnanswered.isValid() && sinceUnanswered.elapsed() > 500 &&
                    cli.processId() > 0)
                    interrupted = ::kill(static_cast<pid_t>(cli.processId()), SIGINT) == 0;
            });
        QVERIFY2(run.exitCode == 130 && run.ports.size() == 2, qPrintable(run.describe()));
        QVERIFY(run.ports[0]["ok"].toBool());
        QCOMPARE(run.ports[1]["error"].toString(), QStringLiteral("interrupted"));
        QCOMPARE(rig.modules[0]->settings()["password"].toString(), QStringLiteral("4321"));
    }

    void detectsTheRateWithoutBeingTold() {
        const QList<int> expected{38400, 2400, 115200};
        for (int rate : expected)
            QVERIFY(rig.startModule({"--rate", QString::number(rate)}));
        const CliRun run =
            rig.run(QStringList{"read", "--pace", "0", "--json"} + rig.portArguments());
        QVERIFY2(run.exitCode == 0 && run.ports.size() == 3, qPrintable(run.describe()));
        for (int i = 0; i < 3; ++i) {
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

    // Without --json, the second port failing: M1 and M2 stand for the
    // ports, S for the seconds, two blanks for the blanks between columns.
    void resultsAsAUserReadsThem_data() {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("read") << QStringList{"--refuse", "9"} << QStringList{"read"}
                              << "  M1  M2\n"
                                 "version  2.10  2.10\n"
                                 "baud  9600  9600\n"
                                 "security  on  on\n"
                                 "password  5807  5807\n"
                                 "sniff  0000,0000,0000,0000  0000,0000,0000,0000\n"
                                 "park  0000,0000  0000,0000\n"
                                 "name  KAVRO5190  KAVRO5190\n"
                                 "class  000000  000000\n"
                                 "role  slave  slave\n"
                                 "connections  1  -\n"
                                 "scan  0400,0200,0400,0200  -\n"
                                 "bind  on  -\n"
                                 "M1: ok at 9600 baud, wrote nothing (S s)\n"
                                 "M2: FAILED: the module refused the connections query (S s)\n"
                              << "";
        QTest::newRow("quiet set")
            << QStringList{"--refuse", "6"} << QStringList{"set", "name=QUIET", "--quiet"} << ""
            << "M2: FAILED: the module refused name (S s)\n";
    }

    void resultsAsAUserReadsThem() {
        QFETCH(QStringList, failing);
        QFETCH(QStringList, command);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QVERIFY(rig.startModule() && rig.startModule(failing));
        const CliRun run =
            rig.run(command + rig.portArguments() + QStringList{"--rate", "9600", "--pace", "0"});
        QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
        auto asRead = [&](const QByteArray& text) {
            return QString::fromUtf8(text)
                .replace(rig.modules[0]->path(), "M1")
                .replace(rig.modules[1]->path(), "M2")
                .replace(QRegularExpression("\\(\\d+\\.\\d s\\)"), "(S s)")
                .replace(QRegularExpression(" {2,}"), "  ");
        };
        QCOMPARE(asRead(run.out), out);
        QCOMPARE(asRead(run.err), err);
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
        row("negative pace", {"read", "PORTS", "--pace", "-1"},
            "--pace: must be a whole number of milliseconds from 0 to 60000");
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
        // The character at fault, columns counted in characters.
        profile("json syntax", "{\n  \"name\": \"A\",\n  \"p\u00e4ssword\" \"B\"\n}\n",
                "-: line 3, column 14: missing name separator\n");
        profile("json number", "{\n  \"bind\": yes\n}\n", "-: line 2, column 11: illegal number\n");
        profile("json word", R"({"bind": fals})", "-: line 1, column 14: illegal value\n");
        profile("json cut short", "{\n  \"name\": \"A\",\n",
                "-: line 3, column 1: unterminated object\n");
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
        row("store option elsewhere", {"read", "PORTS", "--store", "postgresql:///x"},
            "--store is only for station and summary");
        row("days without a store", {"summary", "r.jsonl", "--since", "2026-12-01"},
            "--since is only for summary --store");
        row("not a day", {"summary", "--store", "postgresql:///x", "--until", "2026-13-01"},
            "--until: give a day as YYYY-MM-DD, not \"2026-13-01\"");
        row("summary with an unknown outcome",
            {"summary", untouched.writeFile("outcome.jsonl", "{\"event\":\"start\"}\n"
                                                             "{\"event\":\"result\",\"outcome\":"
                                                             "\"PASS\"}\n")},
            "outcome.jsonl: line 2: unknown outcome \"PASS\"");
        // A pipe would never end: neither reads it.
        if (!underWine()) {
            const QString pipe =
                QFileInfo(untouched.writeFile("placeholder", {})).absolutePath() + "/record.fifo";
            ::mkfifo(QFile::encodeName(pipe).constData(), 0600);
            station("record is a pipe", {"--record", pipe}, "record.fifo: not a regular file");
            row("summary of a pipe", {"summary", pipe}, "record.fifo: not a regular file");
        }
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
