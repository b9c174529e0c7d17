#include "pty.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct ClassicRate {
    speed_t constant;
    unsigned rate;
};

constexpr ClassicRate kClassicRates[] = {
    {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
    {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

speed_t classicConstant(unsigned rate) {
    for (const ClassicRate& row : kClassicRates)
        if (row.rate == rate)
            return row.constant;
    return B0;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

PseudoTerminal::~PseudoTerminal() {
    if (!linkPath_.empty()) {
        // Only remove the link if it still points at this module's line.
        char target[4096];
        const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == slaveName_)
            unlink(linkPath_.c_str());
    }
    if (slave_ >= 0)
        close(slave_);
    if (master_ >= 0)
        close(master_);
}

bool PseudoTerminal::open(unsigned rate, std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = systemError("grantpt/unlockpt");
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        error = systemError("ptsname");
        return false;
    }
    slaveName_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = systemError(name);
        return false;
    }

    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) {
        error = systemError("tcgetattr");
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    // Classic constants where they exist, so that every program reading the line understands it.
    const speed_t constant = classicConstant(rate);
    if (constant != B0)
        cfsetspeed(&settings, constant);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) {
        error = systemError("tcsetattr");
        return false;
    }
    if (constant == B0 && !writeLineSpeed(slave_, rate)) {
        error = systemError("setting the line rate");
        return false;
    }
    return true;
}

bool PseudoTerminal::link(const std::string& path, std::string& error) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        error = path + " exists and is not a symbolic link";
        return false;
    }
    // Build the link beside its place and rename it there, so the old link is replaced at once.
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(slaveName_.c_str(), temporary.c_str()) != 0) {
        error = systemError(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = systemError(path.c_str());
        unlink(temporary.c_str());
        return false;
    }
    linkPath_ = path;
    return true;
}

LineSpeed PseudoTerminal::speed() const {
    LineSpeed speed;
    if (readLineSpeed(master_, speed))
        return speed;
    // Without the extended settings, fall back to the classic constants.
    termios settings{};
    if (tcgetattr(master_, &settings) != 0)
        return speed;
    for (const ClassicRate& row : kClassicRates) {
        if (cfgetospeed(&settings) == row.constant)
            speed.output = row.rate;
        if (cfgetispeed(&settings) == row.constant)
            speed.input = row.rate;
    }
    return speed;
}

void PseudoTerminal::drain() const {
    tcdrain(master_);
}
