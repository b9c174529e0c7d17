#pragma once

// The rates a terminal line is set to, in bits per second. The kernel's extended terminal settings
// carry them as plain numbers, so rates without a classic Bnnn constant (1382400, say) read and
// write like any other. Kept apart from <termios.h>, whose struct clashes with the kernel's.
struct LineSpeed {
    unsigned output = 0;
    unsigned input = 0; // 0: same as output
};

bool readLineSpeed(int fd, LineSpeed& speed);
// Any rate, as a plain number; used for rates that have no classic constant.
bool writeLineSpeed(int fd, unsigned rate);
