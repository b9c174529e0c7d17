#include "StationBoard.h"

#include "cli/station/Station.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
// Tiles in rows of up to four.
constexpr int tilesInARow = 4;
} // namespace

TileState tileStateOf(const Lane& lane) {
    TileState state;
    state.port = lane.label();
    state.activity = lane.activity();
    if (const auto& result = lane.lastResult()) {
        state.outcome = result->outcome;
        state.name = result->name.value_or(QString());
        state.step = result->step;
        state.reason = result->error;
    }
    return state;
}

StationBoard::StationBoard(const QStringList& ports, QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Parvex station"));
    auto* grid = new QGridLayout;
    for (int i = 0; i < ports.size(); ++i) {
        auto* tile = new LaneTile(this);
        tile->display({ports[i], QStringLiteral("starting"), {}, {}, {}, {}});
        grid->addWidget(tile, i / tilesInARow, i % tilesInARow);
        tiles << tile;
    }
    passed = addCount(QStringLiteral("Passed"));
    failed = addCount(QStringLiteral("Failed"));
    already = addCount(QStringLiteral("Already provisioned"));
    aborted = addCount(QStringLiteral("Aborted"));
    passRate = addCount(QStringLiteral("Pass rate"));
    spent = addCount(QStringLiteral("Numbers spent"));
    quota = new QProgressBar(this);
    quota->setAccessibleName(QStringLiteral("Quota"));
    quota->setFocusPolicy(Qt::StrongFocus);
    quota->hide();
    store = new QLabel(this);
    store->setAccessibleName(QStringLiteral("Store"));
    store->setFocusPolicy(Qt::StrongFocus);
    store->hide();
    stop = new QPushButton(QStringLiteral("&Stop"), this);
    stop->setAccessibleDescription(
        QStringLiteral("Ends the station; cycles in progress are recorded as aborted"));
    connect(stop, &QPushButton::clicked, this, &StationBoard::requestStop);

    auto* counts = new QHBoxLayout;
    for (QLabel* label : countLabels)
        counts->addWidget(label);
    counts->addStretch();
    counts->addWidget(stop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(counts);
    layout->addWidget(quota);
    layout->addWidget(store);
    showCounts({});
}

QLabel* StationBoard::addCount(const QString& accessibleName) {
    auto* label = new QLabel(this);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    label->setFont(font);
    label->setAccessibleName(accessibleName);
    label->setFocusPolicy(Qt::StrongFocus);
    countLabels << label;
    return label;
}

void StationBoard::showLane(int index, const TileState& state) {
    if (LaneTile* shown = tile(index))
        shown->display(state);
}

void StationBoard::showCounts(const BoardCounts& shown) {
    const RecordLines::Counts& c = shown.counts;
    const auto put = [](QLabel* label, const QString& text) {
        label->setText(text);
        label->setAccessibleDescription(text);
    };
    put(passed, QStringLiteral("Passed: %1").arg(c.passed));
    put(failed, QStringLiteral("Failed: %1").arg(c.failed));
    put(already, QStringLiteral("Already: %1").arg(c.already));
    put(aborted, QStringLiteral("Aborted: %1").arg(c.aborted));
    put(passRate, QStringLiteral("Pass rate: %1").arg(RecordLines::passRateText(c)));
    put(spent, QStringLiteral("Numbers spent: %1").arg(shown.numbersSpent));
    quota->setVisible(shown.quota > 0);
    if (shown.quota > 0) {
        quota->setRange(0, shown.quota);
        quota->setValue(std::min(c.passed, shown.quota));
        const QString text = c.passed >= shown.quota
                                 ? QStringLiteral("Quota reached: %1 of %2 passed")
                                 : QStringLiteral("Quota: %1 of %2 passed");
        quota->setFormat(text.arg(c.passed).arg(shown.quota));
        quota->setAccessibleDescription(quota->format());
    }
    store->setVisible(!shown.storeState.isEmpty());
    store->setText(shown.storeState);
    store->setAccessibleDescription(shown.storeState);
}

QString StationBoard::countsText() const {
    QStringList texts;
    for (const QLabel* label : countLabels)
        texts << label->text();
    if (!quota->isHidden())
        texts << quota->format();
    return texts.join(QStringLiteral(", "));
}

QString StationBoard::storeText() const {
    return store->text();
}

void StationBoard::follow(Station& station, int quotaOfTheRun) {
    const QList<Lane*>& lanes = station.lanes();
    // The counts are the record's: refreshed with every line written.
    auto spentNumbers = std::make_shared<int>(0);
    const auto refreshCounts = [this, &station, quotaOfTheRun, spentNumbers] {
        showCounts({station.counts(), quotaOfTheRun, *spentNumbers, station.storeState()});
    };
    for (int i = 0; i < lanes.size(); ++i) {
        const Lane* lane = lanes[i];
        // A result is counted once the record has it, before its lane shows it.
        connect(lanes[i], &Lane::changed, this, [this, i, lane, refreshCounts] {
            showLane(i, tileStateOf(*lane));
            refreshCounts();
        });
        showLane(i, tileStateOf(*lane));
    }
    connect(&station, &Station::lineWritten, this,
            [refreshCounts, spentNumbers](const QJsonObject& line) {
                const QString event = line.value(QLatin1String("event")).toString();
                if (event == QLatin1String("reserved") || event == QLatin1String("seen"))
                    ++*spentNumbers;
                refreshCounts();
            });
    connect(&station, &Station::storeChanged, this, refreshCounts);
    connect(this, &StationBoard::stopRequested, &station, &Station::stop);
    cyclesInProgress = [lanes] {
        return static_cast<int>(std::count_if(lanes.begin(), lanes.end(),
                                              [](const Lane* lane) { return lane->inCycle(); }));
    };
    refreshCounts();
}

void StationBoard::stationEnded() {
    ended = true;
    stop->setEnabled(false);
    close();
}

void StationBoard::closeEvent(QCloseEvent* event) {
    if (ended) {
        event->accept();
        return;
    }
    event->ignore();
    requestStop();
}

void StationBoard::requestStop() {
    if (stopping || !confirmStop())
        return;
    stopping = true;
    stop->setEnabled(false);
    emit stopRequested();
}

// Once, and only while a module is in its cycle.
bool StationBoard::confirmStop() {
    const int inProgress = cyclesInProgress ? cyclesInProgress() : 0;
    if (inProgress == 0)
        return true;
    return QMessageBox::question(
               this, QStringLiteral("Stop the station"),
               QStringLiteral("%1 module(s) are in their cycle. Stop now? They are recorded as "
                              "aborted and must be cycled again.")
                   .arg(inProgress),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
