#include "StationView.h"

#include "cli/Console.h"

#include <QJsonDocument>
#include <cstdio>

namespace {
using RecordLines::Outcome;

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString secondsOf(const RecordLines::Cycle& cycle) {
    return QStringLiteral("%1 s").arg(cycle.started.msecsTo(cycle.finished) / 1000.0, 0, 'f', 1);
}

// Large letters where the terminal draws them (a double-width line), in
// green or red.
QString held(const RecordLines::Cycle& cycle) {
    const bool good = cycle.outcome == Outcome::Pass || cycle.outcome == Outcome::Already;
    return QStringLiteral("\x1b#6\x1b[1;%1m%2\x1b[0m")
        .arg(good ? QStringLiteral("32") : QStringLiteral("31"), resultText(cycle));
}

QString stateWord(Lane::State state) {
    switch (state) {
    case Lane::State::WaitingForPort:
        return QStringLiteral("no port");
    case Lane::State::Waiting:
        return QStringLiteral("waiting");
    case Lane::State::Arriving:
        return QStringLiteral("arriving");
    case Lane::State::Reading:
    case Lane::State::Writing:
    case Lane::State::Verifying:
        return QStringLiteral("cycle");
    case Lane::State::Showing:
        return QStringLiteral("showing");
    case Lane::State::Leaving:
        return QStringLiteral("leaving");
    case Lane::State::Stopped:
        break;
    }
    return QStringLiteral("stopped");
}
} // namespace

QString resultText(const RecordLines::Cycle& cycle) {
    const QString wrote = cycle.written.isEmpty()
                              ? QStringLiteral("wrote nothing")
                              : QStringLiteral("wrote %1").arg(cycle.written.join(", "));
    switch (cycle.outcome) {
    case Outcome::Pass:
        return QStringLiteral("PASS %1, %2 (%3)")
            .arg(cycle.name.value_or(QStringLiteral("-")), wrote, secondsOf(cycle));
    case Outcome::Already:
        return QStringLiteral("already provisioned %1 (%2)")
            .arg(cycle.name.value_or(QStringLiteral("-")), secondsOf(cycle));
    case Outcome::Fail:
        return QStringLiteral("FAIL %1: %2, %3 (%4)")
            .arg(cycle.step, cycle.error, wrote, secondsOf(cycle));
    case Outcome::Aborted:
        break;
    }
    return QStringLiteral("ABORTED %1, %2 (%3)").arg(cycle.step, wrote, secondsOf(cycle));
}

StationView::StationView(const QList<Lane*>& stationLanes, const RecordLines::Counts& stationCounts,
                         const Choices& viewChoices, QObject* parent)
    : QObject(parent), lanes(stationLanes), choices(viewChoices), counts(stationCounts),
      board(!viewChoices.quiet && errorIsDrawableTerminal()) {
    for (Lane* lane : lanes) {
        connect(lane, &Lane::changed, this, &StationView::redraw);
        connect(lane, &Lane::cycleEnded, this,
                [this, lane](const RecordLines::Cycle& cycle) { onCycleEnded(*lane, cycle); });
    }
}

void StationView::onLineWritten(const QJsonObject& line) {
    run.add(line);
    if (choices.json)
        print(stdout, QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) +
                          QLatin1Char('\n'));
}

void StationView::onCycleEnded(const Lane& lane, const RecordLines::Cycle& cycle) {
    if (cycle.outcome != Outcome::Aborted)
        cycleSeconds += cycle.started.msecsTo(cycle.finished) / 1000.0;
    if (!board && !choices.json && !choices.quiet)
        print(stdout, QStringLiteral("%1: %2\n").arg(lane.label(), resultText(cycle)));
    redraw();
}

QString StationView::row(const Lane& lane) const {
    QString text = QStringLiteral("\x1b#5%1  ").arg(lane.label());
    if (lane.lastResult() && !lane.inCycle())
        return text + held(*lane.lastResult());
    return text + (lane.activity().isEmpty() ? stateWord(lane.state()) : lane.activity());
}

QString StationView::countsLine() const {
    const int cycles = counts.passed + counts.failed + counts.already;
    const QString store =
        choices.storeState ? QStringLiteral("  ") + choices.storeState() : QString();
    return QStringLiteral("\x1b#5passed %1  failed %2  already %3  yield %4  mean %5%6")
        .arg(counts.passed)
        .arg(counts.failed)
        .arg(counts.already)
        .arg(RecordLines::passRateText(counts),
             cycles ? QStringLiteral("%1 s").arg(cycleSeconds / cycles, 0, 'f', 1)
                    : QStringLiteral("-"),
             store);
}

void StationView::redraw() {
    if (!board)
        return;
    QString text;
    if (drawnRows > 0)
        text += QStringLiteral("\x1b[%1A").arg(drawnRows);
    for (const Lane* lane : lanes)
        text += QStringLiteral("\r\x1b[K") + row(*lane) + QLatin1Char('\n');
    text += QStringLiteral("\r\x1b[K") + countsLine() + QLatin1Char('\n');
    drawnRows = static_cast<int>(lanes.size()) + 1;
    print(stderr, text);
}

void StationView::printSummary() {
    print(choices.json ? stderr : stdout, run.text());
}
