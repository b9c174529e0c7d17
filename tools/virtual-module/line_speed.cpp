#include "line_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool readLineSpeed(int fd, LineSpeed& speed) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    speed.output = settings.c_ospeed;
    speed.input = settings.c_ispeed;
    return true;
}

bool writeLineSpeed(int fd, unsigned rate) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    // No separate input rate: the input follows the output, also after a later change of the output
    // rate through the classic interface, which leaves the input bits alone.
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER;
    settings.c_ospeed = rate;
    settings.c_ispeed = rate;
    return ioctl(fd, TCSETS2, &settings) == 0;
}
