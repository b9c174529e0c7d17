#include "PortRefusal.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
struct LockHolder {
    qint64 pid = 0;
    QString name;
};

// Programs other than Qt ones write the process id, padded to ten
// characters, and sometimes words after it, on the first line.
qint64 leadingProcessId(const QString& lockFile) {
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    return file.readLine().simplified().split(' ').value(0).toLongLong();
}

QString processName(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLocal8Bit(comm.readLine().trimmed());
}

std::optional<LockHolder> lockHolder(const QString& lockFile) {
    if (lockFile.isEmpty() || !QFile::exists(lockFile))
        return std::nullopt;
    LockHolder holder;
    QString hostName;
    if (!QLockFile(lockFile).getLockInfo(&holder.pid, &hostName, &holder.name))
        holder.pid = leadingProcessId(lockFile);
    if (holder.pid <= 0)
        return std::nullopt;
    if (holder.name.isEmpty())
        holder.name = processName(holder.pid);
    return holder;
}

bool processEnded(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}
#endif

QString holderText(const PortRefusal& refusal) {
    if (refusal.holderPid <= 0)
        return QStringLiteral("another program (or another window of this one)");
    if (refusal.holderName.isEmpty())
        return QStringLiteral("process %1").arg(refusal.holderPid);
    return QStringLiteral("%1 (process %2)").arg(refusal.holderName).arg(refusal.holderPid);
}
} // namespace

QString portLockFile(const QString& device, PortSystem system) {
    if (system == PortSystem::Windows)
        return {};
#ifdef Q_OS_UNIX
    // QSerialPort's directories, in its order: it uses the first readable one
    // that holds the device's lock file or may receive it.
    static const char* const directories[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                              "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                              "/var/lock/lockdev", "/run/lock"};
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* directory : directories) {
        const QString path = QStringLiteral("%1/LCK..%2").arg(QLatin1String(directory), name);
        const QFileInfo info{QLatin1String(directory)};
        if (info.isReadable() && (QFile::exists(path) || info.isWritable()))
            return path;
    }
#else
    Q_UNUSED(device);
#endif
    return {};
}

PortRefusal explainRefusal(const QString& device, PortSystem system) {
    if (system == PortSystem::Windows)
        return {PortRefusal::Cause::InUse, 0, {}, {}};
#ifdef Q_OS_UNIX
    const QString lockFile = portLockFile(device, system);
    if (const auto holder = lockHolder(lockFile)) {
        // QSerialPort removes a stale lock file only when it may.
        if (processEnded(holder->pid))
            return {PortRefusal::Cause::StaleLock, holder->pid, {}, lockFile};
        return {PortRefusal::Cause::InUse, holder->pid, holder->name, {}};
    }
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return {PortRefusal::Cause::AccessDenied, 0, {}, {}};
    // Opened for exclusive use by a program that keeps no lock file.
    return {PortRefusal::Cause::InUse, 0, {}, {}};
#else
    Q_UNUSED(device);
    return {};
#endif
}

QString refusalReason(const PortRefusal& refusal, const QString& systemText) {
    switch (refusal.cause) {
    case PortRefusal::Cause::AccessDenied:
        return QStringLiteral(
            "Permission denied: this user may not use the device. On Debian, serial ports "
            "belong to the dialout group: add the user to it (sudo adduser $USER dialout), "
            "then log out and log in again.");
    case PortRefusal::Cause::InUse:
        return QStringLiteral("The port is in use by %1. Disconnect or close it there, or "
                              "choose another Port Num.")
            .arg(holderText(refusal));
    case PortRefusal::Cause::StaleLock:
        return QStringLiteral("The port is locked by %1, left by process %2, which has "
                              "ended. Remove that file, then connect again.")
            .arg(refusal.lockFile)
            .arg(refusal.holderPid);
    case PortRefusal::Cause::Unknown:
        break;
    }
    return systemText;
}
