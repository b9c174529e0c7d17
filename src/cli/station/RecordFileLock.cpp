#include "RecordFileLock.h"

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
#else
#include <fcntl.h>
#include <unistd.h>

bool lockExclusively(int fd, qint64& holder, QString& error) {
    holder = 0;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &whole) == 0)
        return true;
    error = QString::fromLocal8Bit(std::strerror(errno));
    if (::fcntl(fd, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK)
        holder = whole.l_pid;
    return false;
}

bool syncToDisk(int fd, QString& error) {
    if (::fsync(fd) == 0)
        return true;
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}
#endif
