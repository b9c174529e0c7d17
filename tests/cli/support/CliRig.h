#pragma once

// Virtual modules on pseudo-terminals and the real parvex-cli run against
// them as a child process. Waiting runs the event loop, so that every module
// line is recorded while the companion runs.
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

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonArray ports; // "ports" of the JSON document on stdout, if any
    QString describe() const;
};

class TestModule : public QObject {
public:
    bool start(const QString& link, const QStringList& arguments);
    void end() { process.stop(); }
    QString path() const { return linkPath; }
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

// The parvex-cli program under test.
QString cliProgram();
// The writable keys, in read order.
const QStringList& writableKeys();
// The keys of one object that differ from the other's, with both values.
QStringList differences(const QJsonObject& expected, const QJsonObject& actual,
                        const QStringList& keys);
