#include "Station.h"

#ifdef PARVEX_WITH_STORE
#include "cli/store/StoreLink.h"
#endif

#include <QElapsedTimer>
#include <QSysInfo>
#include <QTimer>

namespace {
using RecordLines::Outcome;

QDateTime now() {
    return QDateTime::currentDateTime();
}
} // namespace

Station::Station(const StationSetup& stationSetup, Journal& stationJournal, StoreLink* lineStore,
                 QObject* parent)
    : QObject(parent), setup(stationSetup), journal(stationJournal), store(lineStore) {
    for (const QString& port : setup.ports)
        laneList << new Lane(port, setup.plan, *this, this);
#ifdef PARVEX_WITH_STORE
    if (store)
        connect(store, &StoreLink::changed, this, &Station::storeChanged);
#endif
}

bool Station::begin(QString& error) {
    const QList<qint64> unsettled = journal.history().unsettled;
    if (write(RecordLines::start(setup.identity, setup.version, setup.ports, now())))
        for (qint64 serial : unsettled)
            if (!write(RecordLines::voided(serial, now())))
                break;
    settleWithTheStore();
    error = recordFailure;
    return recordFailure.isEmpty();
}

// What the journal holds goes to the store; a number the store has this
// station holding with neither result nor void, and which the journal did
// not settle, is void in both.
void Station::settleWithTheStore() {
#ifdef PARVEX_WITH_STORE
    if (!store || !recordFailure.isEmpty())
        return;
    for (const QJsonObject& result : journal.earlierResults())
        store->send(result);
    LineStore* line = store->use();
    if (line)
        line->started(QSysInfo::machineHostName(), setup.version);
    if (!line || !setup.plan.pattern)
        return;
    const NamePattern& pattern = *setup.plan.pattern;
    QString error;
    for (qint64 serial : line->unsettled(pattern, error)) {
        line->voidNumber(pattern, serial);
        if (!journal.history().settled.contains(serial))
            write(RecordLines::voided(serial, now()));
    }
    for (qint64 serial : journal.history().unsettled)
        line->voidNumber(pattern, serial);
#endif
}

void Station::start() {
    for (Lane* lane : laneList)
        lane->start();
}

QString Station::cycleHeldBack() const {
    if (ending || (setup.quota > 0 && tally.passed + inProgress >= setup.quota))
        return QStringLiteral("quota reached: no cycle starts");
#ifdef PARVEX_WITH_STORE
    if (store && !store->reachable())
        return QStringLiteral("waiting for the store (unreachable since %1)")
            .arg(store->unreachableSince().toString(QStringLiteral("HH:mm:ss")));
#endif
    return {};
}

QString Station::storeState() const {
#ifdef PARVEX_WITH_STORE
    if (store)
        return QStringLiteral("%1, %2 waiting for it")
            .arg(store->reachable()
                     ? QStringLiteral("store connected")
                     : QStringLiteral("store unreachable since %1 (%2)")
                           .arg(store->unreachableSince().toString(QStringLiteral("HH:mm:ss")),
                                store->unreachableBecause()))
            .arg(store->waitingResults());
#endif
    return {};
}

// The line's next number, at least the journal's: committed in the store
// before the journal's line.
std::optional<qint64> Station::numberFromTheStore(const Lane& lane, qint64 next,
                                                  Reservation& refused) {
#ifdef PARVEX_WITH_STORE
    LineStore* line = store->use();
    QElapsedTimer clock;
    clock.start();
    const LineStore::Taken taken = line ? line->reserve(*setup.plan.pattern, next, lane.port())
                                        : LineStore::Taken{std::nullopt, QString()};
    if (taken.serial) {
        emit numberTaken(*taken.serial, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        return taken.serial;
    }
    refused.error = taken.error;
    refused.storeAway = !line || !line->alive();
    if (line && refused.storeAway)
        store->failed(taken.error);
#else
    Q_UNUSED(lane);
    Q_UNUSED(next);
    Q_UNUSED(refused);
#endif
    return std::nullopt;
}

LaneHost::Reservation Station::reserve(const Lane& lane) {
    const NamePattern& pattern = *setup.plan.pattern;
    qint64 serial = journal.history().nextSerial(setup.first);
    if (store) {
        Reservation refused;
        const std::optional<qint64> taken = numberFromTheStore(lane, serial, refused);
        if (!taken)
            return refused;
        serial = *taken;
    }
    if (!pattern.holds(serial))
        return {std::nullopt, QStringLiteral("no number left: %1 holds none above %2")
                                  .arg(pattern.text())
                                  .arg(pattern.largest())};
    if (!write(RecordLines::reserved(serial, pattern.nameFor(serial), lane.port(), now())))
        return {std::nullopt, QStringLiteral("the record could not be written")};
    return {serial, {}};
}

// A number above every one the record knows, carried by a module that came:
// recorded as seen, so that it is never handed out, now or after a restart.
LaneHost::Spending Station::spend(const Lane& lane, qint64 serial, const QString& name) {
    if (serial > journal.history().highestSerial &&
        !write(RecordLines::seen(serial, name, lane.port(), now())))
        return Spending::RecordFailed;
#ifdef PARVEX_WITH_STORE
    if (store) {
        LineStore* line = store->use();
        const QString error = line ? line->spend(*setup.plan.pattern, serial, name, lane.port())
                                   : QStringLiteral("unreachable");
        if (!error.isEmpty()) {
            store->failed(error);
            return Spending::StoreAway;
        }
    }
#endif
    return Spending::Spent;
}

bool Station::record(const Lane&, const RecordLines::Cycle& cycle) {
    --inProgress;
    const QJsonObject line = RecordLines::result(cycle, setup.identity, now());
    const bool recorded = recordFailure.isEmpty() && write(line);
#ifdef PARVEX_WITH_STORE
    if (recorded && store)
        store->send(line);
#endif
    switch (recorded ? cycle.outcome : Outcome::Fail) {
    case Outcome::Pass:
        ++tally.passed;
        break;
    case Outcome::Fail:
        ++tally.failed;
        break;
    case Outcome::Already:
        ++tally.already;
        break;
    case Outcome::Aborted:
        ++tally.aborted;
        break;
    }
    if (recorded && setup.quota > 0 && tally.passed >= setup.quota)
        QTimer::singleShot(0, this, [this] { end(Stopped); });
    return recorded;
}

void Station::stop() {
    end(Stopped);
}

bool Station::write(const QJsonObject& line) {
    const QString reason = journal.append(line);
    if (reason.isEmpty()) {
        emit lineWritten(line);
        return true;
    }
    if (recordFailure.isEmpty()) {
        recordFailure = QStringLiteral("%1: %2").arg(journal.path(), reason);
        // The lane that asked finishes its step first.
        QTimer::singleShot(0, this, [this] { end(RecordFailed); });
    }
    return false;
}

void Station::end(Ending why) {
    if (ending)
        return;
    ending = true;
    for (Lane* lane : laneList) {
        if (why == Stopped) {
            lane->stop();
            continue;
        }
        // A unit half-written when the record failed is shown failed.
        if (lane->inCycle()) {
            --inProgress;
            ++tally.failed;
        }
        lane->abandon(recordFailure);
    }
    if (why == Stopped && recordFailure.isEmpty())
        write(RecordLines::stop(tally, now()));
#ifdef PARVEX_WITH_STORE
    if (store && store->use())
        store->use()->stopped();
#endif
    emit finished(recordFailure.isEmpty() ? Stopped : RecordFailed);
}
