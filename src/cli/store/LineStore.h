#pragma once

#include "PgConnection.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class NamePattern;

// The line's shared store on PostgreSQL: one counter of numbers per name
// pattern for every station of the line, the numbers reserved and seen, the
// results and voids, and the stations that have run. Every change is one
// transaction; a number is committed before reserve returns, so it is spent
// whatever happens next. One station ID at a time: its lock ends with its
// connection, so a killed station frees it.
class LineStore {
public:
    static constexpr int schemaVersion = 1;

    // Connects, makes the schema on first use (refusing one newer than this
    // program's), and takes the station's lock; null with the reason.
    static std::unique_ptr<LineStore> open(const QString& uri, const QString& station,
                                           QString& error);
    // For reading only (a reader's role may do nothing else): no schema is
    // made and no station's ID taken.
    static std::unique_ptr<LineStore> openToRead(const QString& uri, QString& error);

    // The line's lines as a record holds them ("reserved", "seen", "void",
    // "result", each with its "station" and "pattern"), by pattern and then
    // in time, of one station (empty: every one) and the days given (null:
    // open), both included.
    QList<QJsonObject> lines(const QString& station, const QDate& since, const QDate& until,
                             QString& error);

    struct Taken {
        std::optional<qint64> serial;
        QString error;
    };
    // The next number of the pattern, at least first, reserved for a port
    // of this station.
    Taken reserve(const NamePattern& pattern, qint64 first, const QString& port);
    // A number a module carried when it came: never handed out.
    QString spend(const NamePattern& pattern, qint64 serial, const QString& name,
                  const QString& port);
    // A result line of this station's journal, of a run with this name
    // pattern (empty: none); it lands once however often it is sent (a
    // result is known by its station, port and start).
    QString upload(const QJsonObject& result, const QString& pattern);
    // Which of these result lines (by their place in the list) the store
    // does not hold.
    QList<int> lacking(const QList<QJsonObject>& results, QString& error);
    QString voidNumber(const NamePattern& pattern, qint64 serial);
    // This station's numbers of the pattern with neither result nor void.
    QList<qint64> unsettled(const NamePattern& pattern, QString& error);
    QString started(const QString& host, const QString& version);
    QString stopped();
    // The station's row says it is alive now; false when the store does not
    // answer.
    bool seen();
    bool alive() const { return connection->alive(); }

private:
    LineStore(std::unique_ptr<PgConnection> connection, const QString& station)
        : connection(std::move(connection)), station(station) {}
    QString makeSchema();
    QString schemaReadable();
    QString lockStation();
    // Runs the statements as one transaction; the first failure's reason.
    QString transaction(const std::function<QString()>& body);

    std::unique_ptr<PgConnection> connection;
    QString station;
};
