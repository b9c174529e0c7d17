#pragma once

#include "NamePattern.h"
#include "RecordLines.h"
#include "cli/SettingsExchange.h"
#include "session/PortSession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

class Lane;

// What a lane asks of its station: whether a cycle may start, a number
// taken for it, and its result recorded. Each answer is on the disk before
// the lane goes on.
class LaneHost {
public:
    struct Reservation {
        std::optional<qint64> serial;
        QString error;          // no number: why
        bool storeAway = false; // the line's store cannot be reached: wait for it
    };
    enum class Spending { Spent, RecordFailed, StoreAway };

    virtual ~LaneHost() = default;
    // Why no cycle may start now (the quota, the store away); empty when one
    // may.
    virtual QString cycleHeldBack() const = 0;
    virtual void cycleStarted() = 0;
    // A cycle given up before anything was written, to start again later.
    virtual void cycleDropped() = 0;
    virtual Reservation reserve(const Lane& lane) = 0;
    // A number of the pattern found on a module: spent from now on.
    virtual Spending spend(const Lane& lane, qint64 serial, const QString& name) = 0;
    // False when the result could not be recorded.
    virtual bool record(const Lane& lane, const RecordLines::Cycle& cycle) = 0;
};

// What every lane of a station does alike.
struct LanePlan {
    PortSession::Options session;
    SettingsExchange::Values profile; // in read order
    std::optional<NamePattern> pattern;
};

// One port of the station: it waits for a module, runs its cycle, shows the
// result until the module is taken off, and again. Arrival and removal are
// seen through probes; after a result the probe asks for the module's name,
// so that another unit put on meanwhile is a new arrival however fast the
// swap, as is a unit that answers again after a missed probe. A lost port is
// reopened every second.
class Lane : public QObject {
    Q_OBJECT
public:
    enum class State {
        WaitingForPort,
        Waiting,   // no module
        Arriving,  // one probe answered
        Reading,   // the cycle: every setting
        Writing,   //   what differs
        Verifying, //   every setting read back
        Showing,   // the result, until the module is taken off
        Leaving,   // probes missed
        Stopped,
    };

    Lane(const QString& port, const LanePlan& plan, LaneHost& host, QObject* parent = nullptr);

    void start();
    // Ends a cycle in progress as aborted (recorded), closes the port.
    void stop();
    // The record has failed: a unit in progress is shown failed at the step
    // it reached, nothing is recorded, the port is closed.
    void abandon(const QString& recordFailure);

    QString port() const { return portName; }
    QString label() const { return portLabel; }
    State state() const { return current; }
    bool inCycle() const;
    // What the board shows: the step and its key, or the port's trouble.
    QString activity() const { return doing; }
    // The last result, held until the module is taken off.
    const std::optional<RecordLines::Cycle>& lastResult() const { return shown; }

signals:
    void changed();
    // A result, as recorded (or failed, when the record could not take it).
    void cycleEnded(const RecordLines::Cycle& cycle);

private:
    void openPort();
    void onOpened();
    void onSessionFailed(const QString& reason);
    void probe();
    void onProbeAnswered(const std::optional<Frames::Answer>& answer);
    bool sameUnitAnswers(const std::optional<Frames::Answer>& answer) const;
    LaneHost::Spending spendNumberCarried();
    void waitForTheStore();
    void onProbeMissing();
    void startCycle();
    void afterReading();
    void afterWriting();
    void afterVerifying();
    void enter(State state, const QString& activity = {});
    void finishCycle(RecordLines::Outcome outcome, const QString& error);
    void settleCycle(RecordLines::Outcome outcome, const QString& error);
    void showResult();
    void halt();
    void retireSession();
    void continueAfterResult();
    std::optional<QString> nameAtTheEnd() const;

    QString portName;
    QString portLabel;
    const LanePlan& plan;
    LaneHost& host;
    std::unique_ptr<PortSession> session;
    std::unique_ptr<SettingsExchange> exchange;
    QTimer reopen;
    State current = State::WaitingForPort;
    QString doing;
    int answeredInRow = 0;
    int missedInRow = 0;
    RecordLines::Cycle cycle;
    SettingsExchange::Values goal;
    QElapsedTimer phaseClock;
    std::optional<RecordLines::Cycle> shown;
};
