#pragma once

#include "link/PortNames.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal: the port under test opens the slave side; the test
// reads and writes the master side. The test keeps a slave descriptor of
// its own to look at the line's settings.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        const char* name = ptsname(master);
        if (!name)
            return;
        slaveName = QString::fromLocal8Bit(name);
        slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        if (slave >= 0 && tcgetattr(slave, &raw) == 0) {
            // No echo and no line editing until the port configures the line.
            cfmakeraw(&raw);
            tcsetattr(slave, TCSANOW, &raw);
        }
    }
    ~PseudoTerminal() {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return master >= 0 && slave >= 0; }
    PortNames names() const { return {{1, slaveName}}; }

    void closeMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    bool write(const QByteArray& bytes) const {
        return ::write(master, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Whatever arrives at the master within the time given.
    QByteArray read(int waitMs) const {
        QByteArray all;
        pollfd fd{master, POLLIN, 0};
        while (::poll(&fd, 1, all.isEmpty() ? waitMs : 20) > 0) {
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            all.append(buffer, n);
        }
        return all;
    }

    // Bytes the line holds for whoever reads the slave side next.
    int waitingAtSlave() const {
        int count = -1;
        ioctl(slave, FIONREAD, &count);
        return count;
    }

    termios lineSettings() const {
        termios settings{};
        tcgetattr(slave, &settings);
        return settings;
    }

    int master = -1;
    int slave = -1;
    QString slaveName;
};
