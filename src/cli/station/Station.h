#pragma once

#include "Journal.h"
#include "Lane.h"

#include <QList>
#include <QObject>

// What the command line gives a station.
struct StationSetup {
    QStringList ports;
    LanePlan plan;
    RecordLines::StationIdentity identity;
    QString version;
    qint64 first = 1;
    int quota = 0; // 0: none
};

class SharedStore;

// The lanes of one station and the record they share. Every act on a
// module is announced in the record first; every result shown is recorded.
// With the line's store the record is the station's journal, written first,
// and the store is the line's truth: numbers come from its one counter, and
// results are sent to it once recorded.
class Station : public QObject, public LaneHost {
    Q_OBJECT
public:
    enum Ending { Stopped = 0, RecordFailed = 1 };

    Station(const StationSetup& setup, Journal& journal, SharedStore* store = nullptr,
            QObject* parent = nullptr);

    // Writes the start line and a void for every number an earlier run left
    // unsettled (in the journal or in the store), and sends the store what
    // the journal holds; false with the reason when the record cannot be
    // written.
    bool begin(QString& error);
    void start();
    // Ctrl+C or SIGTERM: cycles in progress end as aborted.
    void stop();

    const QList<Lane*>& lanes() const { return laneList; }
    const RecordLines::Counts& counts() const { return tally; }
    QString failure() const { return recordFailure; }
    // "store connected" or "store unreachable since ...", with the results
    // waiting for it; empty without a store.
    QString storeState() const;

    QString cycleHeldBack() const override;
    void cycleStarted() override { ++inProgress; }
    void cycleDropped() override { --inProgress; }
    Reservation reserve(const Lane& lane) override;
    Spending spend(const Lane& lane, qint64 serial, const QString& name) override;
    bool record(const Lane& lane, const RecordLines::Cycle& cycle) override;

signals:
    void lineWritten(const QJsonObject& line);
    void storeChanged();
    void finished(int status);

private:
    bool write(const QJsonObject& line);
    void end(Ending ending);
    void settleWithTheStore();

    const StationSetup& setup;
    Journal& journal;
    SharedStore* store;
    QList<Lane*> laneList;
    RecordLines::Counts tally;
    int inProgress = 0;
    bool ending = false;
    QString recordFailure;
};
