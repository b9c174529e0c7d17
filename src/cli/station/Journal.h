#pragma once

#include "RecordHistory.h"

#include <QFile>
#include <QJsonObject>
#include <QString>

// The station's record as an append-only journal: opened under an exclusive
// lock, read back once, and then only appended to, every line synced to the
// disk before append returns. The numbers it hands out come from its own
// lines, never from anywhere else.
class Journal {
public:
    struct Opening {
        QString error;   // the record cannot be used: locked, unreadable, malformed
        QString warning; // a torn last line was cut off
    };

    Opening open(const QString& path);
    const RecordHistory& history() const { return past; }
    // Writes one line and syncs it; the system's reason when it could not.
    QString append(const QJsonObject& line);
    QString path() const { return file.fileName(); }

private:
    QFile file;
    RecordHistory past;
};
