#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

struct pg_conn;
struct pg_result;

// One connection to a PostgreSQL server through libpq: opened from a
// connection URI with bounded waits (the connection, every statement, a
// network that stops answering), statements with bound parameters only.
class PgConnection {
public:
    // One statement's rows, or why it failed.
    class Rows {
    public:
        explicit Rows(pg_result* result);
        ~Rows();
        Rows(Rows&& other) noexcept;
        Rows(const Rows&) = delete;
        Rows& operator=(const Rows&) = delete;
        Rows& operator=(Rows&&) = delete;

        bool ok() const;
        QString error() const;
        int count() const;
        bool isNull(int row, int column) const;
        QByteArray value(int row, int column) const;
        qint64 number(int row, int column) const { return value(row, column).toLongLong(); }

    private:
        pg_result* result;
    };

    // The connection, or null with libpq's reason (a bad URI, a refused
    // password, a server that does not answer). The URI is never part of
    // the reason.
    static std::unique_ptr<PgConnection> open(const QString& uri, QString& error);
    ~PgConnection();

    Rows run(const char* statement, const QList<QByteArray>& parameters = {});
    // Whether the connection still holds (after a failure: lost, or not).
    bool alive() const;

private:
    explicit PgConnection(pg_conn* connection) : connection(connection) {}
    pg_conn* connection;
};
