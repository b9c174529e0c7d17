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

// The lanes of one station and the record they share. Every act on a
// module is announced in the record first; every result shown is recorded.
class Station : public QObject, public LaneHost {
    Q_OBJECT
public:
    enum Ending { Stopped = 0, RecordFailed = 1 };

    Station(const StationSetup& setup, Journal& journal, QObject* parent = nullptr);

    // Writes the start line and a void for every number an earlier run left
    // unsettled; false with the reason when the record cannot be written.
    bool begin(QString& error);
    void start();
    // Ctrl+C or SIGTERM: cycles in progress end as aborted.
    void stop();

    const QList<Lane*>& lanes() const { return laneList; }
    const RecordLines::Counts& counts() const { return tally; }
    QString failure() const { return recordFailure; }

    bool mayStartCycle() const override;
    void cycleStarted() override { ++inProgress; }
    Reservation reserve(const Lane& lane) override;
    bool spend(const Lane& lane, qint64 serial, const QString& name) override;
    bool record(const Lane& lane, const RecordLines::Cycle& cycle) override;

signals:
    void lineWritten(const QJsonObject& line);
    void finished(int status);

private:
    bool write(const QJsonObject& line);
    void end(Ending ending);

    const StationSetup& setup;
    Journal& journal;
    QList<Lane*> laneList;
    RecordLines::Counts tally;
    int inProgress = 0;
    bool ending = false;
    QString recordFailure;
};
