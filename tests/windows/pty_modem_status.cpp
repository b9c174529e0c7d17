// Preloaded into Wine by the Windows tests, and nowhere else. Wine's serial
// code asks a COM port's line for its modem status (TIOCMGET) whenever it
// waits for a serial event, and gives the wait up when the request fails. A
// UART or a USB adapter answers it; the pseudo-terminal that stands for the
// module's line in the tests has no modem lines and refuses it (ENOTTY).
// Here a pseudo-terminal answers as a line whose module is wired and
// powered: CTS, DSR and carrier present. Every other request, and every
// request on any other device, reaches the system unchanged.
#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
using IoctlFunction = int (*)(int, unsigned long, void*);

// The kernel numbers pseudo-terminal slaves 136 to 143.
bool isPseudoTerminal(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) >= 136 &&
           major(info.st_rdev) <= 143;
}
} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list rest;
    va_start(rest, request);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    static const auto system = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    const int result = system(fd, request, argument);
    if (result == -1 && errno == ENOTTY && request == TIOCMGET && isPseudoTerminal(fd)) {
        *static_cast<int*>(argument) = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
        return 0;
    }
    return result;
}
