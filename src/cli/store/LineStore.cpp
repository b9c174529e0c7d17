#include "LineStore.h"

#include "cli/station/NamePattern.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
// Every table of the line, made in one transaction at the first start.
const char* const schemaStatements[] = {
    R"(CREATE TABLE parvex_counters (
        pattern text PRIMARY KEY,
        highest bigint NOT NULL))",
    R"(CREATE TABLE parvex_stations (
        station text PRIMARY KEY,
        host text NOT NULL,
        version text NOT NULL,
        started timestamptz NOT NULL,
        stopped timestamptz,
        last_seen timestamptz NOT NULL))",
    R"(CREATE TABLE parvex_reservations (
        pattern text NOT NULL,
        serial bigint NOT NULL,
        name text NOT NULL,
        station text NOT NULL,
        port text NOT NULL,
        reserved timestamptz NOT NULL DEFAULT now(),
        UNIQUE (pattern, serial)))",
    R"(CREATE TABLE parvex_seen (
        pattern text NOT NULL,
        serial bigint NOT NULL,
        name text NOT NULL,
        station text NOT NULL,
        port text NOT NULL,
        seen timestamptz NOT NULL DEFAULT now()))",
    R"(CREATE TABLE parvex_voids (
        pattern text NOT NULL,
        serial bigint NOT NULL,
        station text NOT NULL,
        voided timestamptz NOT NULL DEFAULT now(),
        PRIMARY KEY (pattern, serial)))",
    R"(CREATE TABLE parvex_results (
        station text NOT NULL,
        port text NOT NULL,
        started timestamptz NOT NULL,
        finished timestamptz,
        outcome text NOT NULL,
        pattern text,
        serial bigint,
        name text,
        device text,
        rate integer,
        written jsonb,
        before jsonb,
        after jsonb,
        step text,
        error text,
        seconds double precision,
        steps jsonb,
        profile text,
        PRIMARY KEY (station, port, started)))",
};

QByteArray text(const QString& value) {
    return value.toUtf8();
}

QByteArray number(qint64 value) {
    return QByteArray::number(value);
}
} // namespace

std::unique_ptr<LineStore> LineStore::open(const QString& uri, const QString& station,
                                           QString& error) {
    std::unique_ptr<PgConnection> connection = PgConnection::open(uri, error);
    if (!connection)
        return nullptr;
    std::unique_ptr<LineStore> store(new LineStore(std::move(connection), station));
    error = store->makeSchema();
    if (error.isEmpty())
        error = store->lockStation();
    return error.isEmpty() ? std::move(store) : nullptr;
}

std::unique_ptr<LineStore> LineStore::openToRead(const QString& uri, QString& error) {
    std::unique_ptr<PgConnection> connection = PgConnection::open(uri, error);
    if (!connection)
        return nullptr;
    std::unique_ptr<LineStore> store(new LineStore(std::move(connection), QString()));
    error = store->schemaReadable();
    return error.isEmpty() ? std::move(store) : nullptr;
}

QString LineStore::schemaReadable() {
    const PgConnection::Rows version = connection->run(
        "SELECT max(version) FROM parvex_schema WHERE to_regclass('parvex_schema') IS NOT NULL");
    if (!version.ok())
        return version.error().contains(QLatin1String("does not exist"))
                   ? QStringLiteral("no station has used this store yet")
                   : version.error();
    const qint64 found = version.number(0, 0);
    return found > schemaVersion ? QStringLiteral("the store's tables are of version %1, newer "
                                                  "than this program's %2: update the program")
                                       .arg(found)
                                       .arg(schemaVersion)
                                 : QString();
}

QList<QJsonObject> LineStore::lines(const QString& ofStation, const QDate& since,
                                    const QDate& until, QString& error) {
    const PgConnection::Rows rows = connection->run(
        R"(SELECT kind, pattern, station, serial, name, outcome, step, seconds, before_name
           FROM (SELECT 'reserved' AS kind, pattern, station, serial, name, NULL AS outcome,
                        NULL AS step, NULL::float8 AS seconds, NULL AS before_name,
                        reserved AS at
                 FROM parvex_reservations
                 UNION ALL
                 SELECT 'seen', pattern, station, serial, name, NULL, NULL, NULL, NULL, seen
                 FROM parvex_seen
                 UNION ALL
                 SELECT 'void', pattern, station, serial, NULL, NULL, NULL, NULL, NULL, voided
                 FROM parvex_voids
                 UNION ALL
                 SELECT 'result', pattern, station, serial, name, outcome, step, seconds,
                        before->>'name', finished
                 FROM parvex_results) AS line
           WHERE ($1::text IS NULL OR station = $1)
             AND ($2::date IS NULL OR at >= $2::date)
             AND ($3::date IS NULL OR at < $3::date + 1)
           ORDER BY pattern NULLS FIRST, at)",
        {ofStation.isEmpty() ? QByteArray() : text(ofStation),
         since.isNull() ? QByteArray() : text(since.toString(Qt::ISODate)),
         until.isNull() ? QByteArray() : text(until.toString(Qt::ISODate))});
    QList<QJsonObject> found;
    if (!rows.ok()) {
        error = rows.error();
        return found;
    }
    const char* const keys[] = {"event", "pattern", "station", "serial",
                                "name",  "outcome", "step",    "seconds"};
    for (int row = 0; row < rows.count(); ++row) {
        QJsonObject line;
        for (int column = 0; column < 8; ++column)
            if (!rows.isNull(row, column))
                line[QLatin1String(keys[column])] =
                    column == 3   ? QJsonValue(rows.number(row, column))
                    : column == 7 ? QJsonValue(rows.value(row, column).toDouble())
                                  : QJsonValue(QString::fromUtf8(rows.value(row, column)));
        if (!rows.isNull(row, 8))
            line[QStringLiteral("before")] =
                QJsonObject{{QStringLiteral("name"), QString::fromUtf8(rows.value(row, 8))}};
        found << line;
    }
    return found;
}

QString LineStore::transaction(const std::function<QString()>& body) {
    const PgConnection::Rows begun = connection->run("BEGIN");
    if (!begun.ok())
        return begun.error();
    QString error = body();
    const PgConnection::Rows ended = connection->run(error.isEmpty() ? "COMMIT" : "ROLLBACK");
    if (error.isEmpty() && !ended.ok())
        error = ended.error();
    return error;
}

QString LineStore::makeSchema() {
    return transaction([this]() -> QString {
        // Two stations starting at once make it once.
        for (const char* statement :
             {"SELECT pg_advisory_xact_lock(hashtextextended('parvex schema', 0))",
              "CREATE TABLE IF NOT EXISTS parvex_schema (version integer NOT NULL)"}) {
            const PgConnection::Rows done = connection->run(statement);
            if (!done.ok())
                return done.error();
        }
        const PgConnection::Rows version =
            connection->run("SELECT max(version) FROM parvex_schema");
        if (!version.ok())
            return version.error();
        if (!version.isNull(0, 0)) {
            const qint64 found = version.number(0, 0);
            return found > schemaVersion
                       ? QStringLiteral("the store's tables are of version %1, newer than this "
                                        "program's %2: update the program")
                             .arg(found)
                             .arg(schemaVersion)
                       : QString();
        }
        for (const char* statement : schemaStatements) {
            const PgConnection::Rows made = connection->run(statement);
            if (!made.ok())
                return made.error();
        }
        const PgConnection::Rows noted = connection->run(
            "INSERT INTO parvex_schema (version) VALUES ($1)", {number(schemaVersion)});
        return noted.ok() ? QString() : noted.error();
    });
}

QString LineStore::lockStation() {
    const PgConnection::Rows locked =
        connection->run("SELECT pg_try_advisory_lock(hashtextextended($1, 0))", {text(station)});
    if (!locked.ok())
        return locked.error();
    return locked.value(0, 0) == "t"
               ? QString()
               : QStringLiteral("station %1 is running on this store already").arg(station);
}

// One statement, so that the counter's row is held for as short a time as
// can be: the counter raised (at least to first), the reservation inserted
// with the pattern's name for it, committed together; nothing when the
// pattern holds no number above.
LineStore::Taken LineStore::reserve(const NamePattern& pattern, qint64 first, const QString& port) {
    const PgConnection::Rows reserved = connection->run(
        R"(WITH next AS (
               INSERT INTO parvex_counters AS c (pattern, highest)
               SELECT $1, $2::bigint WHERE $2::bigint <= $3::bigint
               ON CONFLICT (pattern) DO UPDATE
                   SET highest = GREATEST(c.highest + 1, EXCLUDED.highest)
                   WHERE GREATEST(c.highest + 1, EXCLUDED.highest) <= $3::bigint
               RETURNING highest)
           INSERT INTO parvex_reservations (pattern, serial, name, station, port)
           SELECT $1, highest, $4 || lpad(highest::text, $5::integer, '0') || $6, $7, $8
           FROM next
           RETURNING serial)",
        {text(pattern.text()), number(first), number(pattern.largest()), text(pattern.before()),
         number(pattern.width()), text(pattern.after()), text(station), text(port)});
    if (!reserved.ok())
        return {std::nullopt, reserved.error()};
    if (reserved.count() == 0)
        return {std::nullopt, QStringLiteral("no number left: %1 holds none above %2")
                                  .arg(pattern.text())
                                  .arg(pattern.largest())};
    return {reserved.number(0, 0), {}};
}

QString LineStore::spend(const NamePattern& pattern, qint64 serial, const QString& name,
                         const QString& port) {
    return transaction([&]() -> QString {
        const PgConnection::Rows raised =
            connection->run("INSERT INTO parvex_counters (pattern, highest) VALUES ($1, $2) "
                            "ON CONFLICT (pattern) DO UPDATE "
                            "SET highest = GREATEST(parvex_counters.highest, EXCLUDED.highest)",
                            {text(pattern.text()), number(serial)});
        if (!raised.ok())
            return raised.error();
        const PgConnection::Rows seen = connection->run(
            "INSERT INTO parvex_seen (pattern, serial, name, station, port) "
            "VALUES ($1, $2, $3, $4, $5)",
            {text(pattern.text()), number(serial), text(name), text(station), text(port)});
        return seen.ok() ? QString() : seen.error();
    });
}

QString LineStore::upload(const QJsonObject& result, const QString& pattern) {
    const PgConnection::Rows landed = connection->run(
        R"(INSERT INTO parvex_results (station, port, started, finished, outcome, pattern, serial,
               name, device, rate, written, before, after, step, error, seconds, steps, profile)
           SELECT l->>'station', l->>'port', (l->>'started')::timestamptz,
               (l->>'finished')::timestamptz, l->>'outcome', $2, (l->>'serial')::bigint,
               l->>'name', l->>'device', (l->>'rate')::integer, l->'written', l->'before',
               l->'after', l->>'step', l->>'error', (l->>'seconds')::float8, l->'steps',
               l->>'profile'
           FROM (SELECT $1::jsonb AS l) AS line
           ON CONFLICT (station, port, started) DO NOTHING)",
        {QJsonDocument(result).toJson(QJsonDocument::Compact),
         pattern.isEmpty() ? QByteArray() : text(pattern)});
    return landed.ok() ? QString() : landed.error();
}

QList<int> LineStore::lacking(const QList<QJsonObject>& results, QString& error) {
    QJsonArray keys;
    for (const QJsonObject& result : results)
        keys << QJsonObject{{QStringLiteral("station"), result.value(QLatin1String("station"))},
                            {QStringLiteral("port"), result.value(QLatin1String("port"))},
                            {QStringLiteral("started"), result.value(QLatin1String("started"))}};
    const PgConnection::Rows missing = connection->run(
        R"(SELECT i - 1 FROM jsonb_array_elements($1::jsonb) WITH ORDINALITY AS key(k, i)
           WHERE NOT EXISTS (SELECT 1 FROM parvex_results r
                             WHERE r.station = k->>'station' AND r.port = k->>'port'
                               AND r.started = (k->>'started')::timestamptz)
           ORDER BY i)",
        {QJsonDocument(keys).toJson(QJsonDocument::Compact)});
    QList<int> places;
    if (!missing.ok()) {
        error = missing.error();
        return places;
    }
    for (int row = 0; row < missing.count(); ++row)
        places << static_cast<int>(missing.number(row, 0));
    return places;
}

QString LineStore::voidNumber(const NamePattern& pattern, qint64 serial) {
    const PgConnection::Rows voided =
        connection->run("INSERT INTO parvex_voids (pattern, serial, station) VALUES ($1, $2, $3) "
                        "ON CONFLICT (pattern, serial) DO NOTHING",
                        {text(pattern.text()), number(serial), text(station)});
    return voided.ok() ? QString() : voided.error();
}

QList<qint64> LineStore::unsettled(const NamePattern& pattern, QString& error) {
    const PgConnection::Rows open = connection->run(
        R"(SELECT serial FROM parvex_reservations r
           WHERE r.station = $1 AND r.pattern = $2
             AND NOT EXISTS (SELECT 1 FROM parvex_results s
                             WHERE s.pattern = r.pattern AND s.serial = r.serial)
             AND NOT EXISTS (SELECT 1 FROM parvex_voids v
                             WHERE v.pattern = r.pattern AND v.serial = r.serial)
           ORDER BY serial)",
        {text(station), text(pattern.text())});
    QList<qint64> serials;
    if (!open.ok()) {
        error = open.error();
        return serials;
    }
    for (int row = 0; row < open.count(); ++row)
        serials << open.number(row, 0);
    return serials;
}

QString LineStore::started(const QString& host, const QString& version) {
    const PgConnection::Rows noted = connection->run(
        "INSERT INTO parvex_stations (station, host, version, started, last_seen) "
        "VALUES ($1, $2, $3, now(), now()) "
        "ON CONFLICT (station) DO UPDATE SET host = EXCLUDED.host, version = EXCLUDED.version, "
        "started = now(), stopped = NULL, last_seen = now()",
        {text(station), text(host), text(version)});
    return noted.ok() ? QString() : noted.error();
}

QString LineStore::stopped() {
    const PgConnection::Rows noted = connection->run(
        "UPDATE parvex_stations SET stopped = now(), last_seen = now() WHERE station = $1",
        {text(station)});
    return noted.ok() ? QString() : noted.error();
}

bool LineStore::seen() {
    return connection
        ->run("UPDATE parvex_stations SET last_seen = now() WHERE station = $1", {text(station)})
        .ok();
}
