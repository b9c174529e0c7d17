// Preloaded into parvex-cli: read() on one file fails with EIO once a given
// number of its bytes has been read, as a failing disk or a file locked by
// another process fails part-way.
//   PARVEX_READ_FAILS_ON     the file's canonical path
//   PARVEX_READ_FAILS_AFTER  the bytes served before the failure (0: at once)
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {
long long served = 0;

bool isTheFile(int fd) {
    const char* target = getenv("PARVEX_READ_FAILS_ON");
    char link[64];
    char path[PATH_MAX];
    if (!target)
        return false;
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length < 0)
        return false;
    path[length] = '\0';
    return std::strcmp(path, target) == 0;
}
} // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    using Read = ssize_t (*)(int, void*, size_t);
    static const auto realRead = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
    if (!isTheFile(fd))
        return realRead(fd, buffer, count);
    const char* after = getenv("PARVEX_READ_FAILS_AFTER");
    const long long limit = after ? std::atoll(after) : 0;
    if (served >= limit) {
        errno = EIO;
        return -1;
    }
    if (served + static_cast<long long>(count) > limit)
        count = static_cast<size_t>(limit - served);
    const ssize_t got = realRead(fd, buffer, count);
    if (got > 0)
        served += got;
    return got;
}
