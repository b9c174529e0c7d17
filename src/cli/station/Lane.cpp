#include "Lane.h"

#include <algorithm>

namespace {
using RecordLines::Outcome;

// Answered probes in a row that mean a module has arrived; missed ones that
// mean it has been taken off.
constexpr int arrivalAnswers = 2;
constexpr int removalMisses = 3;
constexpr int reopenMs = 1000;

const Parameters::Parameter* nameKey() {
    return &Parameters::byType(Frames::DeviceName);
}

SettingsExchange::Values withoutName(const SettingsExchange::Values& values) {
    SettingsExchange::Values rest;
    for (const auto& value : values)
        if (value.first != nameKey())
            rest << value;
    return rest;
}

SettingsExchange::Values withName(const SettingsExchange::Values& values, const QString& name) {
    SettingsExchange::Values named = withoutName(values);
    named << qMakePair(nameKey(), name);
    // The table is one array: its addresses run in read order.
    std::sort(named.begin(), named.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return named;
}

std::optional<QString> heldName(const SettingsExchange::Settings& settings) {
    return settings.value(QString::fromLatin1(nameKey()->key));
}
} // namespace

Lane::Lane(const QString& port, const LanePlan& lanePlan, LaneHost& laneHost, QObject* parent)
    : QObject(parent), portName(port), plan(lanePlan), host(laneHost) {
    portLabel = PortSession(port, plan.session).label();
    reopen.setSingleShot(true);
    connect(&reopen, &QTimer::timeout, this, &Lane::openPort);
}

bool Lane::inCycle() const {
    return current == State::Reading || current == State::Writing || current == State::Verifying;
}

void Lane::start() {
    openPort();
}

void Lane::enter(State state, const QString& activity) {
    // Probes keep a lane in its state: the board is drawn on a change only.
    if (state == current && activity == doing)
        return;
    current = state;
    doing = activity;
    emit changed();
}

void Lane::openPort() {
    retireSession();
    if (!shown && (current == State::WaitingForPort || current == State::Waiting))
        enter(State::Waiting, QStringLiteral("waiting for a module"));
    session = std::make_unique<PortSession>(portName, plan.session);
    connect(session.get(), &PortSession::failed, this, &Lane::onSessionFailed);
    // A refused opening fails at once, inside open().
    session->open([this] { onOpened(); });
}

void Lane::onOpened() {
    // Finding the rate ends with an answer: the first probe answered.
    if (plan.session.rate == 0)
        onProbeAnswered(std::nullopt);
    else
        probe();
}

void Lane::probe() {
    session->probe([this](const Frames::Answer& answer) { onProbeAnswered(answer); },
                   [this] { onProbeMissing(); },
                   shown ? Frames::DeviceName : Frames::FirmwareVersion);
}

void Lane::onProbeAnswered(const std::optional<Frames::Answer>& answer) {
    if (shown) {
        if (missedInRow == 0 && sameUnitAnswers(answer)) {
            enter(State::Showing);
            probe();
            return;
        }
        // Another unit, or one that went and came back: a new arrival, never
        // shown as the result of the one before.
        shown.reset();
        answeredInRow = 0;
    }
    missedInRow = 0;
    answeredInRow = std::min(answeredInRow + 1, arrivalAnswers);
    const QString heldBack = host.cycleHeldBack();
    if (answeredInRow < arrivalAnswers) {
        enter(State::Arriving, QStringLiteral("a module answers"));
        probe();
    } else if (!heldBack.isEmpty()) {
        enter(State::Arriving, heldBack);
        probe();
    } else {
        startCycle();
    }
}

// Whether the module answering is the one whose result is shown, as far as
// its name tells; a module that does not say its name is taken for the same.
bool Lane::sameUnitAnswers(const std::optional<Frames::Answer>& answer) const {
    if (!answer || answer->status != 0 || !shown->name)
        return true;
    const std::optional<QString> name = Parameters::decode(*nameKey(), answer->data);
    return !name || *name == *shown->name;
}

void Lane::onProbeMissing() {
    answeredInRow = 0;
    if (shown && ++missedInRow < removalMisses) {
        enter(State::Leaving);
        probe();
        return;
    }
    shown.reset();
    missedInRow = 0;
    enter(State::Waiting, QStringLiteral("waiting for a module"));
    // Without a given rate, a lane with no module looks for one at every
    // rate, as detection does.
    if (plan.session.rate == 0)
        openPort();
    else
        probe();
}

void Lane::onSessionFailed(const QString& reason) {
    if (current == State::Stopped)
        return;
    const bool lost = session && session->portLost();
    retireSession();
    if (inCycle())
        finishCycle(Outcome::Fail, reason);
    else if (!lost) {
        // No answer at any rate: whatever was there has gone.
        shown.reset();
        answeredInRow = 0;
        enter(State::Waiting, QStringLiteral("waiting for a module"));
    }
    if (lost) {
        // Whatever is on the fixture when the port is back is a new arrival.
        shown.reset();
        answeredInRow = 0;
        enter(State::WaitingForPort, QStringLiteral("%1; trying again every second").arg(reason));
        reopen.start(reopenMs);
    } else {
        openPort();
    }
}

void Lane::startCycle() {
    host.cycleStarted();
    shown.reset();
    cycle = {};
    cycle.port = portName;
    cycle.device = session->device();
    cycle.rate = session->rate();
    cycle.started = QDateTime::currentDateTime();
    exchange = std::make_unique<SettingsExchange>(*session);
    connect(exchange.get(), &SettingsExchange::refused, this, [this](const QString& reason) {
        finishCycle(Outcome::Fail, reason);
        probe();
    });
    connect(exchange.get(), &SettingsExchange::progressed, this,
            [this](const QString& step, const QString& key) {
                cycle.step = QStringLiteral("%1 %2").arg(step, key);
                doing = cycle.step;
                emit changed();
            });
    phaseClock.start();
    enter(State::Reading);
    exchange->read(SettingsExchange::everyKey(), QStringLiteral("reading"),
                   [this] { afterReading(); });
}

void Lane::afterReading() {
    cycle.steps[QStringLiteral("reading")] = phaseClock.restart() / 1000.0;
    cycle.before = exchange->settings();
    const SettingsExchange::Values profile =
        plan.pattern ? withoutName(plan.profile) : plan.profile;
    const std::optional<QString> name = heldName(exchange->settings());
    const bool named = !plan.pattern || (name && plan.pattern->matches(*name));
    switch (spendNumberCarried()) {
    case LaneHost::Spending::Spent:
        break;
    case LaneHost::Spending::StoreAway:
        waitForTheStore();
        return;
    case LaneHost::Spending::RecordFailed:
        cycle.step = QStringLiteral("recording the number seen");
        finishCycle(Outcome::Fail, QStringLiteral("the record could not be written"));
        return;
    }
    if (named && exchange->differing(profile).isEmpty()) {
        finishCycle(Outcome::Already, {});
        probe();
        return;
    }
    goal = plan.profile;
    if (plan.pattern) {
        cycle.step = QStringLiteral("reserving a number");
        const LaneHost::Reservation reservation = host.reserve(*this);
        if (reservation.storeAway) {
            waitForTheStore();
            return;
        }
        if (!reservation.serial) {
            finishCycle(Outcome::Fail, reservation.error);
            if (current != State::Stopped)
                probe();
            return;
        }
        cycle.serial = reservation.serial;
        goal = withName(plan.profile, plan.pattern->nameFor(*reservation.serial));
    }
    enter(State::Writing);
    exchange->write(exchange->differing(goal), [this] { afterWriting(); });
}

// A name of the pattern on the module spends its number, whether the
// module is left alone or written with a new one.
LaneHost::Spending Lane::spendNumberCarried() {
    const std::optional<QString> name = heldName(exchange->settings());
    if (!plan.pattern || !name || !plan.pattern->matches(*name))
        return LaneHost::Spending::Spent;
    return host.spend(*this, plan.pattern->numberOf(*name), *name);
}

// No number can be taken: nothing is written, and the module gets its cycle
// once the store answers again.
void Lane::waitForTheStore() {
    host.cycleDropped();
    answeredInRow = 0;
    enter(State::Arriving, host.cycleHeldBack());
    probe();
}

void Lane::afterWriting() {
    cycle.steps[QStringLiteral("writing")] = phaseClock.restart() / 1000.0;
    enter(State::Verifying);
    exchange->read(SettingsExchange::everyKey(), QStringLiteral("verifying"),
                   [this] { afterVerifying(); });
}

void Lane::afterVerifying() {
    cycle.steps[QStringLiteral("verifying")] = phaseClock.restart() / 1000.0;
    cycle.after = exchange->settings();
    const SettingsExchange::Values differ = exchange->differing(goal);
    if (!differ.isEmpty())
        cycle.step =
            QStringLiteral("verifying %1").arg(QString::fromLatin1(differ.first().first->key));
    finishCycle(differ.isEmpty() ? Outcome::Pass : Outcome::Fail, exchange->mismatch(goal));
    probe();
}

void Lane::finishCycle(Outcome outcome, const QString& error) {
    settleCycle(outcome, error);
    if (!host.record(*this, cycle) && outcome != Outcome::Aborted) {
        // Nothing is shown as passed that the record does not hold.
        cycle.outcome = Outcome::Fail;
        cycle.step = QStringLiteral("recording the result");
        cycle.error = QStringLiteral("the record could not be written");
    }
    showResult();
}

void Lane::settleCycle(Outcome outcome, const QString& error) {
    const QString phase = current == State::Reading     ? QStringLiteral("reading")
                          : current == State::Writing   ? QStringLiteral("writing")
                          : current == State::Verifying ? QStringLiteral("verifying")
                                                        : QString();
    if (!phase.isEmpty() && !cycle.steps.contains(phase))
        cycle.steps[phase] = phaseClock.elapsed() / 1000.0;
    cycle.outcome = outcome;
    cycle.error = error;
    if (outcome == Outcome::Pass || outcome == Outcome::Already)
        cycle.step.clear();
    cycle.written = exchange ? exchange->written() : QStringList();
    cycle.name = nameAtTheEnd();
    cycle.finished = QDateTime::currentDateTime();
}

void Lane::showResult() {
    shown = cycle;
    missedInRow = 0;
    answeredInRow = 0;
    if (current != State::Stopped)
        enter(State::Showing);
    emit cycleEnded(cycle);
}

// What was read last, or a name written since.
std::optional<QString> Lane::nameAtTheEnd() const {
    if (cycle.after)
        return heldName(*cycle.after);
    if (cycle.written.contains(QString::fromLatin1(nameKey()->key)))
        for (const auto& [parameter, value] : goal)
            if (parameter == nameKey())
                return value;
    return cycle.before ? heldName(*cycle.before) : std::nullopt;
}

void Lane::stop() {
    if (inCycle())
        finishCycle(Outcome::Aborted, QStringLiteral("the station was stopped"));
    halt();
}

void Lane::abandon(const QString& recordFailure) {
    if (inCycle()) {
        settleCycle(Outcome::Fail, QStringLiteral("the record failed: %1").arg(recordFailure));
        showResult();
    }
    halt();
}

void Lane::halt() {
    reopen.stop();
    enter(State::Stopped);
    retireSession();
}

void Lane::retireSession() {
    if (!session)
        return;
    session->close();
    session->disconnect(this);
    // It may be the caller of this very call: it goes once the loop is back.
    session.release()->deleteLater();
}
