#pragma once

#include "LaneTile.h"

#include <QList>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class Station;
class Lane;

// The counts of the run under the tiles.
struct BoardCounts {
    RecordLines::Counts counts;
    int quota = 0; // 0: none
    int numbersSpent = 0;
    // "store connected, 2 waiting for it"; empty without a store.
    QString storeState;
};

// What an operator of a line looks at: a tile per lane, the counts of the
// run, and Stop. Stopping (the button, the window's close) ends the station
// as Ctrl+C does, after asking once while a cycle is in progress.
class StationBoard : public QWidget {
    Q_OBJECT
public:
    explicit StationBoard(const QStringList& ports, QWidget* parent = nullptr);

    void showLane(int index, const TileState& state);
    void showCounts(const BoardCounts& shown);
    // Shows a running station: its lanes, its record's lines, its store.
    void follow(Station& station, int quota);
    // The station has ended: the window may close.
    void stationEnded();

    LaneTile* tile(int index) const { return tiles.value(index); }
    QString countsText() const;
    QString storeText() const;

signals:
    void stopRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void requestStop();
    bool confirmStop();
    QLabel* addCount(const QString& accessibleName);

    QList<LaneTile*> tiles;
    QList<QLabel*> countLabels;
    QLabel* passed;
    QLabel* failed;
    QLabel* already;
    QLabel* aborted;
    QLabel* passRate;
    QLabel* spent;
    QLabel* store;
    QProgressBar* quota;
    QPushButton* stop;
    // Whether a cycle is in progress, asked when stopping.
    std::function<int()> cyclesInProgress;
    bool stopping = false;
    bool ended = false;
};

// A lane's tile, from the lane.
TileState tileStateOf(const Lane& lane);
