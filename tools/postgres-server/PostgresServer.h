#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own, from Debian's packages: made in a
// temporary folder (initdb refuses root, so a root test runs it as the
// postgres user), listening on a Unix socket there and on a free TCP port of
// the loopback, password-checked over TCP. Stopped and removed at the end.
class PostgresServer {
public:
    static constexpr const char* admin = "parvex_admin";
    static constexpr const char* password = "line-secret";

    // durable: every commit synced, as a production server does; a test's
    // server does not sync, to be quick.
    explicit PostgresServer(bool durable = false) : durable(durable) {}
    ~PostgresServer();
    // Makes and starts the server; false with the reason.
    bool start(QString& error);
    // pg_ctl stop -m immediate, as a crash would; start again later.
    bool stop();
    bool startAgain();
    // A statement as the administrator, through the socket.
    bool sql(const QString& statement, const QString& database = QStringLiteral("postgres"),
             QString* output = nullptr);
    // The number a query gives (its first column of its first row), or -1
    // when it fails.
    qint64 number(const QString& query, const QString& database);
    // A database's URI over TCP with this password.
    QString uri(const QString& database, const QString& withPassword = password) const;
    int port() const { return tcpPort; }

private:
    bool runAsOwner(const QStringList& command, QString* output = nullptr);
    QString binary(const QString& name) const;

    QTemporaryDir dir{QStringLiteral("/tmp/parvex-pg-XXXXXX")};
    QString binDir;
    bool durable;
    int tcpPort = 0;
    bool running = false;
};
