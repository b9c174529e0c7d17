#include "Station.h"

#include "SharedStore.h"

#include <QSysInfo>
#include <QTimer>

namespace {
using RecordLines::Outcome;

QDateTime now() {
    return QDateTime::currentDateTime();
}
} // namespace

Station::Station(const StationSetup& stationSetup, Journal& stationJournal, SharedStore* lineStore,
                 QObject* parent)
    : QObject(parent), setup(stationSetup), journal(stationJournal), store(lineStore) {
    for (const QString& port : setup.ports)
        laneList << new Lane(port, setup.plan, *this, this);
    if (store)
        connect(store, &SharedStore::changed, this, &Station::storeChanged);
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
    if (!store || !recordFailure.isEmpty())
        return;
    for (qint64 serial : store->settle(journal, QSysInfo::machineHostName(), setup.version))
        if (!write(RecordLines::voided(serial, now())))
            return;
}

void Station::start() {
    for (Lane* lane : laneList)
        lane->start();
}

namespace {
QString unreachableSince(const SharedStore& store) {
    return QStringLiteral("unreachable since %1")
        .arg(store.unreachableSince().toString(QStringLiteral("HH:mm:ss")));
}
} // namespace

QString Station::cycleHeldBack() const {
    if (ending || (setup.quota > 0 && tally.passed + inProgress >= setup.quota))
        return QStringLiteral("quota reached: no cycle starts");
    if (store && !store->reachable())
        return QStringLiteral("waiting for the store (%1)").arg(unreachableSince(*store));
    return {};
}

QString Station::storeState() const {
    if (store)
        return QStringLiteral("%1, %2 waiting for it")
            .arg(store->reachable()
                     ? QStringLiteral("store connected")
                     : QStringLiteral("store %1 (%2)")
                           .arg(unreachableSince(*store), store->unreachableBecause()))
            .arg(store->waitingResults());
    return {};
}

LaneHost::Reservation Station::reserve(const Lane& lane) {
    const NamePattern& pattern = *setup.plan.pattern;
    qint64 serial = journal.history().nextSerial(setup.first);
    // The line's number, at least the journal's, committed in the store
    // before the journal's line.
    if (store) {
        const SharedStore::Taken taken = store->reserve(serial, lane.port());
        if (!taken.serial)
            return {std::nullopt, taken.error, taken.away};
        serial = *taken.serial;
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
    if (store && !store->spend(serial, name, lane.port()))
        return Spending::StoreAway;
    return Spending::Spent;
}

bool Station::record(const Lane&, const RecordLines::Cycle& cycle) {
    --inProgress;
    const QJsonObject line = RecordLines::result(cycle, setup.identity, now());
    const bool recorded = recordFailure.isEmpty() && write(line);
    if (recorded && store)
        store->send(line);
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
    if (store)
        store->stopped();
    emit finished(recordFailure.isEmpty() ? Stopped : RecordFailed);
}
