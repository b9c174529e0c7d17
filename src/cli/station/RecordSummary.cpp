#include "RecordSummary.h"

#include <QJsonArray>
#include <algorithm>

namespace {
QString event(const QJsonObject& line) {
    return line.value(QLatin1String("event")).toString();
}

// Passes over passes and failures: modules that needed writing and came
// out right at once.
std::optional<double> yieldOf(int passed, int failed) {
    if (passed + failed == 0)
        return std::nullopt;
    return 100.0 * passed / (passed + failed);
}

// The steps that failed, most first.
QList<QPair<QString, int>> mostFirst(const QMap<QString, int>& steps) {
    QList<QPair<QString, int>> sorted;
    for (auto it = steps.begin(); it != steps.end(); ++it)
        sorted << qMakePair(it.key(), it.value());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return sorted;
}

QString secondsText(double value) {
    return QStringLiteral("%1 s").arg(value, 0, 'f', 1);
}
} // namespace

void RecordSummary::add(const QJsonObject& line) {
    if (event(line) == QLatin1String("start"))
        station = line.value(QLatin1String("station")).toString();
    const QString owner = line.value(QLatin1String("station")).toString(station);
    stations[owner].add(line);
    total.add(line);
}

void RecordSummary::Tally::add(const QJsonObject& line) {
    const QString kind = event(line);
    const qint64 serial = line.value(QLatin1String("serial")).toInteger(0);
    if (kind == QLatin1String("reserved") && serial > 0) {
        lowest = spent == 0 ? serial : std::min(lowest, serial);
        highest = std::max(highest, serial);
        ++spent;
    } else if (kind == QLatin1String("void")) {
        ++voids;
    } else if (kind == QLatin1String("result")) {
        const QString outcome = line.value(QLatin1String("outcome")).toString();
        if (outcome == QLatin1String("aborted")) {
            ++aborted;
            return;
        }
        ++(outcome == QLatin1String("pass")   ? passed
           : outcome == QLatin1String("fail") ? failed
                                              : already);
        const double cycle = line.value(QLatin1String("seconds")).toDouble();
        ++timed;
        seconds += cycle;
        slowest = std::max(slowest, cycle);
        if (outcome == QLatin1String("fail"))
            ++failedSteps[line.value(QLatin1String("step")).toString(QStringLiteral("unknown"))];
    }
}

QString RecordSummary::Tally::text(const QString& title) const {
    QString text = QStringLiteral("%1: %2 passed, %3 failed, %4 already, %5 aborted\n")
                       .arg(title)
                       .arg(passed)
                       .arg(failed)
                       .arg(already)
                       .arg(aborted);
    const auto yield = yieldOf(passed, failed);
    text += QStringLiteral("  first-pass yield: %1\n")
                .arg(yield ? QStringLiteral("%1 %").arg(*yield, 0, 'f', 1) : QStringLiteral("-"));
    text +=
        spent == 0
            ? QStringLiteral("  numbers spent: none")
            : QStringLiteral("  numbers spent: %1 to %2 (%3)").arg(lowest).arg(highest).arg(spent);
    text += QStringLiteral(", voids: %1\n").arg(voids);
    if (timed > 0)
        text += QStringLiteral("  cycle: mean %1, slowest %2\n")
                    .arg(secondsText(seconds / timed), secondsText(slowest));
    QStringList steps;
    for (const auto& [step, count] : mostFirst(failedSteps).mid(0, 3))
        steps << QStringLiteral("%1 (%2)").arg(step).arg(count);
    if (!steps.isEmpty())
        text += QStringLiteral("  failed most: %1\n").arg(steps.join(QStringLiteral(", ")));
    return text;
}

QJsonObject RecordSummary::Tally::json() const {
    QJsonArray steps;
    for (const auto& [step, count] : mostFirst(failedSteps))
        steps << QJsonObject{{QStringLiteral("step"), step}, {QStringLiteral("count"), count}};
    const auto yield = yieldOf(passed, failed);
    return {
        {QStringLiteral("passed"), passed},
        {QStringLiteral("failed"), failed},
        {QStringLiteral("already"), already},
        {QStringLiteral("aborted"), aborted},
        {QStringLiteral("first_pass_yield"), yield ? QJsonValue(*yield / 100.0) : QJsonValue()},
        {QStringLiteral("numbers"),
         spent == 0 ? QJsonValue()
                    : QJsonValue(QJsonObject{{QStringLiteral("lowest"), lowest},
                                             {QStringLiteral("highest"), highest},
                                             {QStringLiteral("spent"), spent}})},
        {QStringLiteral("voids"), voids},
        {QStringLiteral("mean_seconds"), timed ? QJsonValue(seconds / timed) : QJsonValue()},
        {QStringLiteral("slowest_seconds"), timed ? QJsonValue(slowest) : QJsonValue()},
        {QStringLiteral("failed_steps"), steps},
    };
}

QString RecordSummary::text() const {
    QString text;
    for (auto it = stations.begin(); it != stations.end(); ++it)
        text += it.value().text(QStringLiteral("station %1").arg(it.key()));
    return text + total.text(QStringLiteral("total"));
}

QJsonObject RecordSummary::json() const {
    QJsonObject perStation;
    for (auto it = stations.begin(); it != stations.end(); ++it)
        perStation[it.key()] = it.value().json();
    return {{QStringLiteral("stations"), perStation}, {QStringLiteral("total"), total.json()}};
}
