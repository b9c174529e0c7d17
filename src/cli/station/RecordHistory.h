#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>

// A record's text taken apart: its JSON objects, line by line. Blank lines
// are passed over; a last line without its newline is the trace of a write
// cut short and is left out.
struct RecordText {
    QList<QJsonObject> lines;
    QList<int> lineNumbers;      // each line's number in the text, from 1
    QList<qsizetype> lineStarts; // and where it starts in the text
    // The torn last line's number (0: none), and the length of the text
    // before it.
    int tornLine = 0;
    qsizetype intactLength = 0;
    // A line that is not a JSON object: why, naming its line.
    QString error;

    static RecordText parse(const QByteArray& text);
};

// What a station needs of a record's earlier lines: only their "event" and
// "serial". Numbers are reserved by "reserved" lines and settled by the
// "result" or "void" line of the same serial; a "seen" line spends the
// number of a name a module already carried, which needs no settling.
struct RecordHistory {
    qint64 highestSerial = 0; // 0: no number spent yet
    // Numbers reserved with neither result nor void: a cycle the process
    // did not live to finish, in the order they were reserved.
    QList<qint64> unsettled;
    // Numbers with a result or a void.
    QSet<qint64> settled;
    // Reads a record's lines.
    static RecordHistory read(const QList<QJsonObject>& lines);
    // Takes one more line in, as written.
    void take(const QString& event, qint64 serial);
    qint64 nextSerial(qint64 first) const { return std::max(highestSerial + 1, first); }
};
