#pragma once

#include "RecordHistory.h"

#include <QFile>
#include <QJsonObject>
#include <QString>

// The station's record as an append-only journal: opened under an exclusive
// lock, read back whole once, and then only appended to, every line synced
// to the disk before append returns. A line is in the record whole or not at
// all, and once a line has failed nothing more is appended. The numbers it
// hands out come from its own lines, never from anywhere else.
class Journal {
public:
    struct Opening {
        QString error;   // the record cannot be used: locked, unreadable, malformed
        QString warning; // a torn last line was cut off
    };

    Opening open(const QString& path);
    const RecordHistory& history() const { return past; }
    // The result lines the record held when it was opened, read back from
    // the file one at a time (a long record is never held whole); an empty
    // object when it cannot be read.
    qsizetype earlierResultCount() const { return resultPlaces.size(); }
    QJsonObject earlierResult(qsizetype index);
    // Writes one line and syncs it; the system's reason when it could not.
    QString append(const QJsonObject& line);
    QString path() const { return file.fileName(); }

private:
    struct Place {
        qint64 offset;
        qint64 length;
    };

    QString writeWhole(const QByteArray& text);

    QFile file;
    RecordHistory past;
    QList<Place> resultPlaces;
    QString failure;
};

// The whole text of a record open for reading, or why it could not be read
// whole (an error part-way, or fewer bytes than the file holds).
QByteArray readWholeRecord(QFile& file, QString& error);
