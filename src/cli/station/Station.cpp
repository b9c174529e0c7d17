#include "Station.h"

#include <QTimer>

namespace {
using RecordLines::Outcome;

QDateTime now() {
    return QDateTime::currentDateTime();
}
} // namespace

Station::Station(const StationSetup& stationSetup, Journal& stationJournal, QObject* parent)
    : QObject(parent), setup(stationSetup), journal(stationJournal) {
    for (const QString& port : setup.ports)
        laneList << new Lane(port, setup.plan, *this, this);
}

bool Station::begin(QString& error) {
    const QList<qint64> unsettled = journal.history().unsettled;
    if (write(RecordLines::start(setup.identity, setup.version, setup.ports, now())))
        for (qint64 serial : unsettled)
            if (!write(RecordLines::voided(serial, now())))
                break;
    error = recordFailure;
    return recordFailure.isEmpty();
}

void Station::start() {
    for (Lane* lane : laneList)
        lane->start();
}

bool Station::mayStartCycle() const {
    return !ending && (setup.quota == 0 || tally.passed + inProgress < setup.quota);
}

LaneHost::Reservation Station::reserve(const Lane& lane) {
    const NamePattern& pattern = *setup.plan.pattern;
    const qint64 serial = journal.history().nextSerial(setup.first);
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
bool Station::spend(const Lane& lane, qint64 serial, const QString& name) {
    if (serial <= journal.history().highestSerial)
        return true;
    return write(RecordLines::seen(serial, name, lane.port(), now()));
}

bool Station::record(const Lane&, const RecordLines::Cycle& cycle) {
    --inProgress;
    const bool recorded =
        recordFailure.isEmpty() && write(RecordLines::result(cycle, setup.identity, now()));
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
    emit finished(recordFailure.isEmpty() ? Stopped : RecordFailed);
}
