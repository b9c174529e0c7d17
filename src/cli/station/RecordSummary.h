#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>

// What records add up to, per station and in total: outcomes, first-pass
// yield, the numbers spent, voids, cycle times and the steps that failed
// most. Fed line by line, from one run or from whole records.
class RecordSummary {
public:
    // A new record begins: its lines belong to its own start lines.
    void beginRecord() { station.clear(); }
    void add(const QJsonObject& line);
    QString text() const;
    QJsonObject json() const;

private:
    struct Tally {
        int passed = 0;
        int failed = 0;
        int already = 0;
        int aborted = 0;
        int voids = 0;
        int spent = 0;
        qint64 lowest = 0;
        qint64 highest = 0;
        int timed = 0;
        double seconds = 0;
        double slowest = 0;
        QMap<QString, int> failedSteps;

        void add(const QJsonObject& line);
        QString text(const QString& title) const;
        QJsonObject json() const;
    };

    QString station;
    QMap<QString, Tally> stations;
    Tally total;
};
