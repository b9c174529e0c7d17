#include "CliRig.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

namespace {
// The module's rate codes, as it stores them.
const QMap<QString, int> rateOfCode{{"5", 1200},   {"10", 2400},   {"20", 4800},   {"39", 9600},
                                    {"79", 19200}, {"157", 38400}, {"236", 57600}, {"472", 115200}};

// What a fixture's control file says: a fresh module with these arguments,
// or none.
QByteArray fixtureLine(const std::optional<QStringList>& module) {
    if (!module)
        return "off\n";
    return module->isEmpty() ? "--name FRESH\n" : module->join(' ').toUtf8() + '\n';
}

QString compact(const QJsonValue& value) {
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}
} // namespace

QString CliRun::describe() const {
    return QStringLiteral("exit %1\n--- stdout\n%2--- stderr\n%3")
        .arg(exitCode)
        .arg(QString::fromUtf8(out), QString::fromUtf8(err));
}

bool TestModule::start(const QString& link, const QString& port, const QStringList& arguments) {
    portName = port;
    linkPath = link;
    connect(&process, &VirtualModuleProcess::lineRead, this, [this](const QString& line) {
        if (const auto event = parseModuleEvent(line))
            events << *event;
    });
    return process.start(virtualModuleProgram(), link, arguments);
}

QJsonObject TestModule::settings() {
    process.requestState();
    const QDeadlineTimer deadline(5000);
    while (process.lastState().isEmpty() && !deadline.hasExpired())
        QTest::qWait(5);
    const QMap<QString, QString> state = parseModuleState(process.lastState());
    if (state.isEmpty())
        return {};
    auto on = [&](const char* field) { return state.value(field) == QLatin1String("1"); };
    return {
        {"baud", rateOfCode.contains(state.value("baud"))
                     ? QJsonValue(rateOfCode.value(state.value("baud")))
                     : QJsonValue("code " + state.value("baud"))},
        {"security", on("auth")},
        {"password", state.value("pwd")},
        {"sniff", state.value("sniff")},
        {"park", state.value("park")},
        {"name", state.value("name")},
        {"class", state.value("cod")},
        {"role", on("master") ? "master" : "slave"},
        {"connections", state.value("maxconn").toInt()},
        {"scan", state.value("scan")},
        {"bind", on("bind")},
    };
}

void TestModule::putOn(const QStringList& arguments) {
    refit(arguments);
}

void TestModule::takeOff() {
    refit(std::nullopt);
}

void TestModule::refit(const std::optional<QStringList>& module) {
    QFile file(fixturePath);
    if (file.open(QIODevice::WriteOnly))
        file.write(fixtureLine(module));
    file.close();
    process.refit();
}

TestModule* CliRig::startFixture(const std::optional<QStringList>& module) {
    const QString name = QStringLiteral("fixture%1").arg(modules.size() + 1);
    const QString fixture = writeFile(name, fixtureLine(module));
    TestModule* started = startModule({"--fixture", fixture});
    if (started)
        started->fixturePath = fixture;
    return started;
}

TestModule* CliRig::startModule(const QStringList& arguments) {
    auto module = std::make_unique<TestModule>();
    QString link = dir.filePath(QStringLiteral("m%1").arg(modules.size() + 1));
    QString port = link;
    const QString comLinks = qEnvironmentVariable("PARVEX_CLI_PORTS");
    if (!comLinks.isEmpty()) {
        // A number of its own for every module of the run, whichever rig
        // starts it: a link never stands for two modules.
        static int comPorts = 0;
        ++comPorts;
        link = QDir(comLinks).filePath(QStringLiteral("com%1").arg(comPorts));
        port = QStringLiteral("COM%1").arg(comPorts);
    }
    if (!module->start(link, port, arguments)) {
        QTest::qFail(qPrintable(module->process.errorText()), __FILE__, __LINE__);
        return nullptr;
    }
    modules.push_back(std::move(module));
    return modules.back().get();
}

QStringList CliRig::portArguments() const {
    QStringList arguments;
    for (const auto& module : modules)
        arguments << QStringLiteral("-p") << module->path();
    return arguments;
}

QString CliRig::writeFile(const QString& name, const QByteArray& contents) const {
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
    return file.fileName();
}

CliRun CliRig::run(const QStringList& arguments, const QByteArray& input,
                   const std::function<void(QProcess&)>& tick) {
    QProcess cli;
    startCli(cli, arguments);
    CliRun result;
    if (!cli.waitForStarted(5000)) {
        result.err = cli.errorString().toUtf8();
        return result;
    }
    cli.write(input);
    cli.closeWriteChannel();
    const QDeadlineTimer deadline(60000);
    while (cli.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTest::qWait(5);
        if (tick)
            tick(cli);
    }
    if (cli.state() != QProcess::NotRunning) {
        cli.kill();
        cli.waitForFinished(3000);
    } else if (cli.exitStatus() == QProcess::NormalExit) {
        result.exitCode = cli.exitCode();
    }
    // A Windows program ends its lines as Windows does; they read the same.
    result.out = cli.readAllStandardOutput().replace("\r\n", "\n");
    result.err = cli.readAllStandardError().replace("\r\n", "\n");
    result.ports = QJsonDocument::fromJson(result.out).object().value("ports").toArray();
    return result;
}

bool underWine() {
    return !qEnvironmentVariable("PARVEX_CLI_PORTS").isEmpty();
}

void startCli(QProcess& cli, const QStringList& arguments, const QStringList& wrapper) {
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("PARVEX_CLI_COMMAND"));
    if (command.isEmpty())
        command << QStringLiteral(PARVEX_CLI_PROGRAM);
    command = wrapper + command + arguments;
    cli.start(command.first(), command.mid(1));
}

const QStringList& writableKeys() {
    static const QStringList keys{"baud", "security", "password", "sniff", "park",
                                  "name", "class",    "role",     "scan",  "bind"};
    return keys;
}

QStringList differences(const QJsonObject& expected, const QJsonObject& actual,
                        const QStringList& keys) {
    QStringList found;
    for (const QString& key : keys)
        if (expected.value(key) != actual.value(key))
            found << QStringLiteral("%1: expected %2, got %3")
                         .arg(key, compact(expected.value(key)), compact(actual.value(key)));
    return found;
}
