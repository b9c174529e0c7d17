#include "RecordSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace {
QString event(const QJsonObject& line) {
    return line.value(QLatin1String("event")).toString();
}

std::optional<double> shareOf(int part, int whole) {
    if (whole == 0)
        return std::nullopt;
    return 100.0 * part / whole;
}

QString percentText(std::optional<double> share) {
    return share ? QStringLiteral("%1 %").arg(*share, 0, 'f', 1) : QStringLiteral("-");
}

QJsonValue fractionJson(std::optional<double> share) {
    return share ? QJsonValue(*share / 100.0) : QJsonValue();
}

qint64 serialOf(const QJsonObject& line) {
    return line.value(QLatin1String("serial")).toInteger(0);
}

QString beforeName(const QJsonObject& line) {
    return line.value(QLatin1String("before")).toObject().value(QLatin1String("name")).toString();
}

// A value as the line holds it: a text in its quotes, null as null.
QString asWritten(const QJsonValue& value) {
    if (value.isUndefined())
        return QStringLiteral("(none)");
    const QByteArray inArray = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(inArray.mid(1, inArray.size() - 2));
}

const QStringList& outcomeNames() {
    static const QStringList names{QStringLiteral("pass"), QStringLiteral("fail"),
                                   QStringLiteral("already"), QStringLiteral("aborted")};
    return names;
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

void RecordSummary::beginRecord() {
    station.clear();
    reservedBy.clear();
    handedOut.clear();
}

QString RecordSummary::add(const QJsonObject& line) {
    const QString kind = event(line);
    if (kind == QLatin1String("result") &&
        !outcomeNames().contains(line.value(QLatin1String("outcome")).toString()))
        return QStringLiteral("unknown outcome %1")
            .arg(asWritten(line.value(QLatin1String("outcome"))));
    if (kind == QLatin1String("start"))
        station = line.value(QLatin1String("station")).toString();
    QString owner = line.value(QLatin1String("station")).toString(station);
    // A number voided at a later start is the loss of the station that
    // took it.
    if (kind == QLatin1String("void"))
        owner = reservedBy.value(serialOf(line), owner);
    const bool retried = kind == QLatin1String("result") && handedOut.contains(beforeName(line));
    if (kind == QLatin1String("reserved")) {
        reservedBy[serialOf(line)] = owner;
        handedOut.insert(line.value(QLatin1String("name")).toString());
    }
    stations[owner].add(line, retried);
    total.add(line, retried);
    return {};
}

void RecordSummary::Tally::add(const QJsonObject& line, bool retried) {
    const QString kind = event(line);
    const qint64 serial = serialOf(line);
    if (kind == QLatin1String("seen")) {
        ++seen;
    } else if (kind == QLatin1String("reserved") && serial > 0) {
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
        if (outcome != QLatin1String("already") && !retried) {
            ++firstCycles;
            firstPasses += outcome == QLatin1String("pass") ? 1 : 0;
        }
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
    // Passes over the cycles that wrote; where numbers tell units apart,
    // also the units that passed on their first cycle.
    text += QStringLiteral("  pass rate: %1").arg(percentText(shareOf(passed, passed + failed)));
    if (spent > 0)
        text += QStringLiteral(", first-pass yield: %1")
                    .arg(percentText(shareOf(firstPasses, firstCycles)));
    text += QLatin1Char('\n');
    text +=
        spent == 0
            ? QStringLiteral("  numbers spent: none")
            : QStringLiteral("  numbers spent: %1 to %2 (%3)").arg(lowest).arg(highest).arg(spent);
    text += QStringLiteral(", voids: %1").arg(voids);
    if (seen > 0)
        text += QStringLiteral(", seen on modules: %1").arg(seen);
    text += QLatin1Char('\n');
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
    return {
        {QStringLiteral("passed"), passed},
        {QStringLiteral("failed"), failed},
        {QStringLiteral("already"), already},
        {QStringLiteral("aborted"), aborted},
        {QStringLiteral("pass_rate"), fractionJson(shareOf(passed, passed + failed))},
        {QStringLiteral("first_pass_yield"),
         spent > 0 ? fractionJson(shareOf(firstPasses, firstCycles)) : QJsonValue()},
        {QStringLiteral("numbers"),
         spent == 0 ? QJsonValue()
                    : QJsonValue(QJsonObject{{QStringLiteral("lowest"), lowest},
                                             {QStringLiteral("highest"), highest},
                                             {QStringLiteral("spent"), spent}})},
        {QStringLiteral("voids"), voids},
        {QStringLiteral("seen"), seen},
        {QStringLiteral("mean_seconds"), timed ? QJsonValue(seconds / timed) : QJsonValue()},
        {QStringLiteral("slowest_seconds"), timed ? QJsonValue(slowest) : QJsonValue()},
        {QStringLiteral("failed_steps"), steps},
    };
}

QString RecordSummary::text() const {
    // One station: its block is the total.
    if (stations.size() == 1)
        return total.text(QStringLiteral("station %1, total").arg(stations.firstKey()));
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
