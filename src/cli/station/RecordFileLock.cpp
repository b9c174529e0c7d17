#include "RecordFileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>

namespace {
QString lastError() {
    return qt_error_string(static_cast<int>(GetLastError()));
}
} // namespace

bool lockExclusively(int fd, qint64& holder, QString& error) {
    holder = 0;
    OVERLAPPED whole{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                   MAXDWORD, &whole))
        return true;
    error = lastError();
    return false;
}

bool syncToDisk(int fd, QString& error) {
    if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd))))
        return true;
    error = lastError();
    return false;
}

QString unfitAsRecord(int fd, const QString& path) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return QStringLiteral("not a regular file");
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QString root = native.startsWith(QLatin1String("\\\\")) ? QString() : native.left(3);
    if (root.isEmpty() || GetDriveTypeW(reinterpret_cast<LPCWSTR>(root.utf16())) == DRIVE_REMOTE)
        return QStringLiteral("on a network share, where the lock may hold on this PC only");
    return {};
}

// NTFS keeps a new file's entry in its journal: nothing to sync.
bool syncFolderOf(const QString&, QString&) {
    return true;
}
#else
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {
QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The file systems whose locks a server keeps for several hosts, or not at
// all: what one station locks there, another PC may lock too.
const char* networkFileSystem(unsigned long type) {
    if (type == NFS_SUPER_MAGIC)
        return "NFS";
    if (type == SMB_SUPER_MAGIC || type == CIFS_SUPER_MAGIC || type == SMB2_SUPER_MAGIC)
        return "SMB/CIFS";
    return nullptr;
}
} // namespace

bool lockExclusively(int fd, qint64& holder, QString& error) {
    holder = 0;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &whole) == 0)
        return true;
    error = systemError();
    if (::fcntl(fd, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK)
        holder = whole.l_pid;
    return false;
}

bool syncToDisk(int fd, QString& error) {
    if (::fsync(fd) == 0)
        return true;
    error = systemError();
    return false;
}

QString unfitAsRecord(int fd, const QString&) {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return systemError();
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("not a regular file");
    struct statfs fileSystem {};
    if (::fstatfs(fd, &fileSystem) != 0)
        return systemError();
    if (const char* network = networkFileSystem(static_cast<unsigned long>(fileSystem.f_type)))
        return QStringLiteral("on a network file system (%1), where the lock may hold on this "
                              "host only")
            .arg(QLatin1String(network));
    return {};
}

bool syncFolderOf(const QString& path, QString& error) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = systemError();
        return false;
    }
    const bool synced = syncToDisk(fd, error);
    ::close(fd);
    return synced;
}
#endif
