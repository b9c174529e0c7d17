#pragma once

#include "cli/SettingsExchange.h"

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QStringList>
#include <optional>

// The lines of a station's record, one JSON object each, every one with its
// "event" and the "time" it was written.
namespace RecordLines {

enum class Outcome { Pass, Fail, Already, Aborted };
QString outcomeName(Outcome outcome);

// Who writes the record and what it applies; carried by every result.
struct StationIdentity {
    QString station;
    QString profileDigest; // SHA-256 of the profile as given, in hex
};

// One module's cycle on one lane, from its arrival to its result.
struct Cycle {
    Outcome outcome = Outcome::Fail;
    QString port;
    QString device;
    qint32 rate = 0;
    std::optional<qint64> serial; // the number taken, if one was
    std::optional<QString> name;  // the name the module carries at the end
    QStringList written;
    std::optional<SettingsExchange::Settings> before;
    std::optional<SettingsExchange::Settings> after;
    QString step;  // for a failure or an abort: "writing name"
    QString error; // for a failure or an abort
    QDateTime started;
    QDateTime finished;
    // Seconds spent in each phase: "reading", "writing", "verifying".
    QMap<QString, double> steps;
};

struct Counts {
    int passed = 0;
    int failed = 0;
    int already = 0;
    int aborted = 0;
};

// Passes over passes and failures, "80.0 %"; "-" before the first.
QString passRateText(const Counts& counts);

// "2024-05-02T14:03:07.512+02:00": milliseconds and the offset from UTC.
QString timeText(const QDateTime& time);

QJsonObject start(const StationIdentity& identity, const QString& version, const QStringList& ports,
                  const QDateTime& at);
QJsonObject reserved(qint64 serial, const QString& name, const QString& port, const QDateTime& at);
// A number of the pattern that a module carried when it came: spent.
QJsonObject seen(qint64 serial, const QString& name, const QString& port, const QDateTime& at);
QJsonObject result(const Cycle& cycle, const StationIdentity& identity, const QDateTime& at);
QJsonObject voided(qint64 serial, const QDateTime& at);
QJsonObject stop(const Counts& counts, const QDateTime& at);

} // namespace RecordLines
