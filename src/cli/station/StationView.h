#pragma once

#include "Lane.h"
#include "RecordSummary.h"

#include <QList>
#include <QObject>
#include <functional>

// What the operator sees of a station, all of it a view of the record's
// lines and the lanes' states: on a terminal a board on standard error,
// redrawn in place; otherwise a line per result on standard output; with
// json the record's lines as they are written; the summary at the end.
class StationView : public QObject {
    Q_OBJECT
public:
    struct Choices {
        bool json = false;
        bool quiet = false;
        // The store's state for the counts line; none without a store.
        std::function<QString()> storeState;
    };

    // counts: the station's own, as recorded.
    StationView(const QList<Lane*>& lanes, const RecordLines::Counts& counts,
                const Choices& choices, QObject* parent = nullptr);

    void onLineWritten(const QJsonObject& line);
    void onCycleEnded(const Lane& lane, const RecordLines::Cycle& cycle);
    void redraw();
    // The summary of this run, on standard output (standard error with
    // json, whose output stays JSON Lines).
    void printSummary();

private:
    QString row(const Lane& lane) const;
    QString countsLine() const;

    QList<Lane*> lanes;
    Choices choices;
    const RecordLines::Counts& counts;
    bool board = false;
    int drawnRows = 0;
    RecordSummary run;
    double cycleSeconds = 0;
};

// "PASS Bench-0042, wrote name, password (14.1 s)": a result in one line.
QString resultText(const RecordLines::Cycle& cycle);
