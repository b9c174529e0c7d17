// Preloaded into Wine by the Windows tests, and nowhere else (the README's
// Windows section tells why). A Wine 10 thread that is already ending when
// its process ends counts itself out twice and calls _exit(0) while the main
// thread still runs, so the program's output and status are lost. That one
// call ends only its own thread; every other _exit reaches the system
// unchanged. Called from a signal handler, it allocates nothing.
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// "/proc/self/task/<the process id>/stat": the main thread's thread id is the
// process id.
void mainThreadStatPath(char (&path)[64]) {
    char digits[16];
    int count = 0;
    for (pid_t rest = getpid(); rest > 0 || count == 0; rest /= 10)
        digits[count++] = static_cast<char>('0' + rest % 10);
    char* end = ::stpcpy(path, "/proc/self/task/");
    while (count > 0)
        *end++ = digits[--count];
    std::strcpy(end, "/stat");
}

// "Z" and "X" are a thread that has ended; the state follows the last ')' of
// "pid (name) S ...".
bool mainThreadRuns() {
    char path[64];
    mainThreadStatPath(path);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char stat[512] = {};
    const ssize_t length = read(fd, stat, sizeof stat - 1);
    close(fd);
    const char* nameEnd = length > 0 ? std::strrchr(stat, ')') : nullptr;
    return nameEnd && nameEnd[1] == ' ' && nameEnd[2] != '\0' && nameEnd[2] != 'Z' &&
           nameEnd[2] != 'X';
}
} // namespace

extern "C" void _exit(int status) {
    if (status == 0 && syscall(SYS_gettid) != getpid() && mainThreadRuns())
        syscall(SYS_exit, 0);
    syscall(SYS_exit_group, status);
    __builtin_unreachable();
}
