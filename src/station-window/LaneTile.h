#pragma once

#include "cli/station/RecordLines.h"

#include <QFrame>
#include <optional>

class QLabel;

// What one lane's tile shows.
struct TileState {
    QString port;
    QString activity; // what the lane does now
    std::optional<RecordLines::Outcome> outcome;
    QString name;   // the name the module carries after its cycle
    QString step;   // a failure's step
    QString reason; // and why, in the module's or the line's words
};

// One lane, readable from a metre away: its port, what it does, and after a
// result the outcome in large letters on a green or red ground, in words
// too, until the module is taken off. A screen reader reads it as
// "COM3: PASS Bench-0042".
class LaneTile : public QFrame {
    Q_OBJECT
public:
    explicit LaneTile(QWidget* parent = nullptr);

    void display(const TileState& state);
    QString verdictText() const;
    QString detailText() const;

private:
    QLabel* port;
    QLabel* verdict;
    QLabel* detail;
};
