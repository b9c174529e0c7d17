#pragma once

#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>

// What records add up to, per station and for the whole: outcomes, pass
// rate and first-pass yield, the numbers spent, voids, cycle times and the
// steps that failed most. Fed line by line, from one run or from whole
// records.
class RecordSummary {
public:
    // A new record begins: its lines belong to its own start lines, and its
    // numbers are its own.
    void beginRecord();
    // Takes one line in; why it cannot be counted (an outcome it does not
    // know), leaving the figures as they were.
    QString add(const QJsonObject& line);
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
        int seen = 0;
        qint64 lowest = 0;
        qint64 highest = 0;
        // Units on their first cycle (not carrying a name handed out
        // earlier), and those of them that passed.
        int firstCycles = 0;
        int firstPasses = 0;
        int timed = 0;
        double seconds = 0;
        double slowest = 0;
        QMap<QString, int> failedSteps;

        void add(const QJsonObject& line, bool retried);
        QString text(const QString& title) const;
        QJsonObject json() const;
    };

    QString station;
    // Who reserved each number of the record, and the names handed out.
    QMap<qint64, QString> reservedBy;
    QSet<QString> handedOut;
    QMap<QString, Tally> stations;
    Tally total;
};
