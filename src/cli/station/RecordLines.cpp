#include "RecordLines.h"

#include "cli/JsonValues.h"

#include <QJsonArray>

namespace RecordLines {
namespace {
QJsonObject line(const char* event, const QDateTime& at) {
    return {{QStringLiteral("event"), QLatin1String(event)},
            {QStringLiteral("time"), timeText(at)}};
}

template <typename T> QJsonValue orNull(const std::optional<T>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonValue settingsOrNull(const std::optional<SettingsExchange::Settings>& settings) {
    return settings ? QJsonValue(settingsJson(*settings)) : QJsonValue();
}

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

double roundedSeconds(qint64 ms) {
    return static_cast<double>(ms) / 1000.0;
}
} // namespace

QString passRateText(const Counts& counts) {
    const int written = counts.passed + counts.failed;
    return written > 0 ? QStringLiteral("%1 %").arg(100.0 * counts.passed / written, 0, 'f', 1)
                       : QStringLiteral("-");
}

QString outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Pass:
        return QStringLiteral("pass");
    case Outcome::Fail:
        return QStringLiteral("fail");
    case Outcome::Already:
        return QStringLiteral("already");
    case Outcome::Aborted:
        break;
    }
    return QStringLiteral("aborted");
}

QString timeText(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QJsonObject start(const StationIdentity& identity, const QString& version, const QStringList& ports,
                  const QDateTime& at) {
    QJsonObject json = line("start", at);
    json[QStringLiteral("station")] = identity.station;
    json[QStringLiteral("version")] = version;
    json[QStringLiteral("profile")] = identity.profileDigest;
    json[QStringLiteral("ports")] = QJsonArray::fromStringList(ports);
    return json;
}

namespace {
QJsonObject numbered(const char* event, qint64 serial, const QString& name, const QString& port,
                     const QDateTime& at) {
    QJsonObject json = line(event, at);
    json[QStringLiteral("serial")] = serial;
    json[QStringLiteral("name")] = name;
    json[QStringLiteral("port")] = port;
    return json;
}
} // namespace

QJsonObject reserved(qint64 serial, const QString& name, const QString& port, const QDateTime& at) {
    return numbered("reserved", serial, name, port, at);
}

QJsonObject seen(qint64 serial, const QString& name, const QString& port, const QDateTime& at) {
    return numbered("seen", serial, name, port, at);
}

QJsonObject result(const Cycle& cycle, const StationIdentity& identity, const QDateTime& at) {
    QJsonObject steps;
    for (auto it = cycle.steps.begin(); it != cycle.steps.end(); ++it)
        steps[it.key()] = it.value();
    QJsonObject json = line("result", at);
    json[QStringLiteral("outcome")] = outcomeName(cycle.outcome);
    json[QStringLiteral("port")] = cycle.port;
    json[QStringLiteral("device")] = cycle.device;
    json[QStringLiteral("rate")] = cycle.rate ? QJsonValue(cycle.rate) : QJsonValue();
    json[QStringLiteral("serial")] = orNull(cycle.serial);
    json[QStringLiteral("name")] = orNull(cycle.name);
    json[QStringLiteral("written")] = QJsonArray::fromStringList(cycle.written);
    json[QStringLiteral("before")] = settingsOrNull(cycle.before);
    json[QStringLiteral("after")] = settingsOrNull(cycle.after);
    json[QStringLiteral("step")] = textOrNull(cycle.step);
    json[QStringLiteral("error")] = textOrNull(cycle.error);
    json[QStringLiteral("started")] = timeText(cycle.started);
    json[QStringLiteral("finished")] = timeText(cycle.finished);
    json[QStringLiteral("seconds")] = roundedSeconds(cycle.started.msecsTo(cycle.finished));
    json[QStringLiteral("steps")] = steps;
    json[QStringLiteral("station")] = identity.station;
    json[QStringLiteral("profile")] = identity.profileDigest;
    return json;
}

QJsonObject voided(qint64 serial, const QDateTime& at) {
    QJsonObject json = line("void", at);
    json[QStringLiteral("serial")] = serial;
    return json;
}

QJsonObject stop(const Counts& counts, const QDateTime& at) {
    QJsonObject json = line("stop", at);
    json[QStringLiteral("passed")] = counts.passed;
    json[QStringLiteral("failed")] = counts.failed;
    json[QStringLiteral("already")] = counts.already;
    json[QStringLiteral("aborted")] = counts.aborted;
    return json;
}

} // namespace RecordLines
