#pragma once

// Virtual modules on pseudo-terminals and the real parvex-cli run against
// them as a child process. Waiting runs the event loop, so that every module
// line is recorded while the companion runs.
//
// The program and the names of the ports come from the environment when it
// names them, so that the same tests run the Windows build under Wine:
//   PARVEX_CLI_COMMAND  the command that runs the program (words split as a
//                       shell would), instead of the parvex-cli built here;
//   PARVEX_CLI_PORTS    a folder where each module's line gets a link named
//                       comN (a Wine prefix's dosdevices): the program is
//                       then given the port COMN.
#include "ModuleLog.h"
#include "VirtualModuleProcess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The program under test is the Windows build under Wine: its ports are the
// COM links of PARVEX_CLI_PORTS.
bool underWine();

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonArray ports; // "ports" of the JSON document on stdout, if any
    QString describe() const;
};

class TestModule : public QObject {
public:
    bool start(const QString& link, const QString& port, const QStringList& arguments);
    void end() { process.stop(); }
    // The port the program is given for this module.
    QString path() const { return portName; }
    // The link the module's line is reached through.
    QString link() const { return linkPath; }
    // What the module holds now, in the companion's keys and JSON values
    // (the version excepted: the state line does not carry it).
    QJsonObject settings();
    // On a fixture (CliRig::startFixture): a fresh module with these
    // arguments is put on, or the module is taken off; the line stays.
    void putOn(const QStringList& arguments = {});
    void takeOff();
    QString fixturePath;

    QList<ModuleEvent> events;
    VirtualModuleProcess process;

private:
    void refit(const std::optional<QStringList>& module);

    QString portName;
    QString linkPath;
};

class CliRig {
public:
    // A fresh module on a link of its own; null with a failed check when it
    // did not start.
    TestModule* startModule(const QStringList& arguments = {});
    // A fixture on a link of its own, with a module on it (these
    // arguments) or empty (nothing).
    TestModule* startFixture(const std::optional<QStringList>& module);
    void endModules() { modules.clear(); }
    // "-p LINK" for each module started, in order.
    QStringList portArguments() const;
    QString writeFile(const QString& name, const QByteArray& contents) const;
    // Runs parvex-cli to its end; tick runs every few milliseconds meanwhile,
    // with the program's process.
    CliRun run(const QStringList& arguments, const QByteArray& input = {},
               const std::function<void(QProcess&)>& tick = {});

    std::vector<std::unique_ptr<TestModule>> modules;

private:
    QTemporaryDir dir;
};

// Starts the parvex-cli program under test with these arguments, behind the
// wrapper's command when one is given.
void startCli(QProcess& cli, const QStringList& arguments, const QStringList& wrapper = {});
// The writable keys, in read order.
const QStringList& writableKeys();
// The keys of one object that differ from the other's, with both values.
QStringList differences(const QJsonObject& expected, const QJsonObject& actual,
                        const QStringList& keys);
