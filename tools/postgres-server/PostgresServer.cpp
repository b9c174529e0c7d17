#include "PostgresServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The newest server Debian installed.
QString serverBinDir() {
    const QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QString newest;
    for (const QString& version : versions)
        if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)) &&
            (newest.isEmpty() || version.toInt() > newest.toInt()))
            newest = version;
    return newest.isEmpty() ? QString() : QStringLiteral("/usr/lib/postgresql/%1/bin").arg(newest);
}

// A port of the loopback that nothing listens on now.
int freeTcpPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (probe >= 0 && ::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (probe >= 0)
        ::close(probe);
    return port;
}
} // namespace

PostgresServer::~PostgresServer() {
    if (running)
        stop();
}

QString PostgresServer::binary(const QString& name) const {
    return binDir + QLatin1Char('/') + name;
}

bool PostgresServer::runAsOwner(const QStringList& command, QString* output) {
    QStringList full = command;
    if (::geteuid() == 0)
        full = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"),
                           QStringLiteral("postgres"), QStringLiteral("--")} +
               command;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir.path());
    process.start(full.first(), full.mid(1));
    const bool ended = process.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PostgresServer::start(QString& error) {
    binDir = serverBinDir();
    if (binDir.isEmpty()) {
        error = QStringLiteral("no PostgreSQL server installed (postgresql-15)");
        return false;
    }
    const QString passwordFile = dir.filePath(QStringLiteral("password"));
    QFile file(passwordFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(password) < 0) {
        error = QStringLiteral("cannot write %1").arg(passwordFile);
        return false;
    }
    file.close();
    if (::geteuid() == 0) {
        const passwd* owner = ::getpwnam("postgres");
        if (!owner) {
            error = QStringLiteral("no postgres user to run the server as");
            return false;
        }
        for (const QString& path : {dir.path(), passwordFile})
            if (::chown(QFile::encodeName(path).constData(), owner->pw_uid, owner->pw_gid) != 0) {
                error = QStringLiteral("cannot hand %1 to postgres").arg(path);
                return false;
            }
    }
    QString log;
    if (!runAsOwner({binary("initdb"), "-D", dir.filePath("data"), "-U", admin,
                     "--auth-local=trust", "--auth-host=scram-sha-256", "--pwfile", passwordFile,
                     "--no-sync"},
                    &log)) {
        error = QStringLiteral("initdb failed: %1").arg(log);
        return false;
    }
    tcpPort = freeTcpPort();
    if (!startAgain()) {
        error = QStringLiteral("the server did not start on port %1").arg(tcpPort);
        return false;
    }
    return true;
}

bool PostgresServer::startAgain() {
    running = runAsOwner(
        {binary("pg_ctl"), "-D", dir.filePath("data"), "-l", dir.filePath("server.log"), "-w", "-o",
         QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1%3")
             .arg(tcpPort)
             .arg(dir.path(), durable ? QString() : QStringLiteral(" -c fsync=off")),
         "start"});
    return running;
}

bool PostgresServer::stop() {
    running = false;
    return runAsOwner(
        {binary("pg_ctl"), "-D", dir.filePath("data"), "-m", "immediate", "-w", "stop"});
}

bool PostgresServer::sql(const QString& statement, const QString& database, QString* output) {
    return runAsOwner({binary("psql"), "-X", "-q", "-t", "-A", "-v", "ON_ERROR_STOP=1", "-h",
                       dir.path(), "-p", QString::number(tcpPort), "-U", admin, "-d", database,
                       "-c", statement},
                      output);
}

QString PostgresServer::uri(const QString& database, const QString& withPassword) const {
    return QStringLiteral("postgresql://%1:%2@127.0.0.1:%3/%4")
        .arg(QLatin1String(admin), withPassword)
        .arg(tcpPort)
        .arg(database);
}

qint64 PostgresServer::number(const QString& query, const QString& database) {
    QString output;
    return sql(query, database, &output) ? output.trimmed().toLongLong() : -1;
}
