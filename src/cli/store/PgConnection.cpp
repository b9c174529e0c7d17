#include "PgConnection.h"

#include <libpq-fe.h>
#include <vector>

namespace {
// A server or network that stops answering ends the wait, never the
// station's event loop for good.
constexpr const char* connectTimeoutSeconds = "5";
constexpr const char* serverOptions = "-c statement_timeout=5000 -c lock_timeout=5000";
constexpr const char* tcpUserTimeoutMs = "5000";

QString trimmed(const char* message) {
    return QString::fromUtf8(message).trimmed();
}
} // namespace

PgConnection::Rows::Rows(pg_result* pgResult) : result(pgResult) {}

PgConnection::Rows::~Rows() {
    PQclear(result);
}

PgConnection::Rows::Rows(Rows&& other) noexcept : result(other.result) {
    other.result = nullptr;
}

bool PgConnection::Rows::ok() const {
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QString PgConnection::Rows::error() const {
    return result ? trimmed(PQresultErrorMessage(result)) : QStringLiteral("out of memory");
}

int PgConnection::Rows::count() const {
    return PQntuples(result);
}

bool PgConnection::Rows::isNull(int row, int column) const {
    return PQgetisnull(result, row, column) != 0;
}

QByteArray PgConnection::Rows::value(int row, int column) const {
    return QByteArray(PQgetvalue(result, row, column), PQgetlength(result, row, column));
}

std::unique_ptr<PgConnection> PgConnection::open(const QString& uri, QString& error) {
    const QByteArray given = uri.toUtf8();
    // Ours first: what the URI says of the same keys wins.
    const char* keys[] = {"connect_timeout", "options", "tcp_user_timeout", "dbname", nullptr};
    const char* values[] = {connectTimeoutSeconds, serverOptions, tcpUserTimeoutMs,
                            given.constData(), nullptr};
    pg_conn* connection = PQconnectdbParams(keys, values, 1);
    if (!connection) {
        error = QStringLiteral("out of memory");
        return nullptr;
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        error = trimmed(PQerrorMessage(connection));
        PQfinish(connection);
        return nullptr;
    }
    // The server's notices ("already exists, skipping") are nobody's
    // business on the station's terminal.
    PQsetNoticeProcessor(
        connection, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<PgConnection>(new PgConnection(connection));
}

PgConnection::~PgConnection() {
    PQfinish(connection);
}

PgConnection::Rows PgConnection::run(const char* statement, const QList<QByteArray>& parameters) {
    std::vector<const char*> values;
    std::vector<int> lengths;
    for (const QByteArray& parameter : parameters) {
        values.push_back(parameter.isNull() ? nullptr : parameter.constData());
        lengths.push_back(static_cast<int>(parameter.size()));
    }
    return Rows(PQexecParams(connection, statement, static_cast<int>(parameters.size()), nullptr,
                             values.data(), lengths.data(), nullptr, 0));
}

bool PgConnection::alive() const {
    return PQstatus(connection) == CONNECTION_OK;
}
