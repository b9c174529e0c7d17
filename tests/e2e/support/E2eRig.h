#pragma once

// A window on the real serial-port code and a real blocking sleep, with COM1
// wired to a virtual module on a pseudo-terminal; message boxes are recorded
// and answered from a script. Waiting runs the real event loop.
#include "FakePlatform.h"
#include "ModuleLog.h"
#include "VirtualModuleProcess.h"
#include "ui/frmParvex.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// How the event loop behaved over a stretch of waiting.
struct Responsiveness {
    qint64 longestGapMs = 0; // between ticks of a 20 ms timer
    qint64 cpuMs = 0;        // user and system time this process spent
};

class E2eRig : public QObject {
    Q_OBJECT
public:
    E2eRig();
    ~E2eRig() override;

    // Starts a module on the link COM1 points at, replacing the one before.
    // Its events are recorded from then on, those of the one before dropped.
    bool startModule(const QStringList& arguments = {});
    // Ends the module process: its pseudo-terminal and link go away.
    void endModule();
    QString moduleError() const { return error; }

    frmParvex& window() { return *win; }
    frmParvex* operator->() { return win.get(); }

    // Connect with detection off at the given rate, or with detection on.
    void connectAt(const QString& rate);
    void connectDetecting();

    // Runs the event loop until the condition holds. It gives up once
    // timeoutMs (what the protocol needs) is spent and neither the line nor
    // the status line has moved for stallMs, or at capMs in any case: on a
    // busy machine the protocol runs late, and that alone fails no test.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs);
    static constexpr int stallMs = 6500; // a retry tick and a pause, and 5 s more
    static constexpr int capMs = 60000;
    // Whether the status line showed msg since the last clearStatuses().
    bool statusSeen(const QString& msg) const { return statuses.contains(msg); }
    bool waitForStatus(const QString& msg, int timeoutMs);
    // Waits until the module has received a probe at the given line rate.
    bool waitForProbeAt(unsigned rate, int timeoutMs);
    void clearStatuses() { statuses.clear(); }
    // Lets the event loop run for a while and measures how it kept up.
    Responsiveness runFor(int ms);

    // What the module holds, from its last state line.
    QMap<QString, QString> moduleState() const;
    // The window's parameter fields in the form of the module's state line.
    QMap<QString, QString> windowState() const;
    // "field: window X, module Y" for every field of keys that differs.
    QStringList differences(const QStringList& keys) const;

    // Boxes shown since the last boxes.shown.clear(), as "title: text".
    QStringList boxList() const;

    ScriptedBoxes boxes;
    // Every status text since the last clearStatuses().
    QStringList statuses;
    // Events of the current module.
    QList<ModuleEvent> events;
    // Runs on the window's thread right before each blocking pause.
    std::function<void()> beforePause;

    static const QStringList& parameterKeys;

private:
    QTemporaryDir linkDir;
    QString linkPath;
    std::unique_ptr<VirtualModuleProcess> module;
    std::unique_ptr<frmParvex> win;
    QString error;
    // What the window and the module did last, for a wait that gave up.
    void reportWhereItStopped(qint64 waitedMs, qint64 sinceProgressMs) const;
    // Counts status texts and module events: what waitFor calls progress.
    quint64 progress = 0;
};
