#pragma once

#include "line_speed.h"

#include <string>

// The pseudo-terminal the module sits on. The product opens the slave side as its serial port; the
// module reads and writes the master side.
//
// The module keeps a descriptor of the slave side open for its whole life: the master then never
// sees a hang-up while the product has the port closed, and the line's settings (raw mode, rate)
// survive the product closing and reopening the port, as they would on a real serial line.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    // Opens the pair and puts the slave side in raw mode (no echo) at the given rate.
    bool open(unsigned rate, std::string& error);
    // Makes path a symbolic link to the slave device, replacing an existing link; removed on exit.
    bool link(const std::string& path, std::string& error);

    int masterFd() const { return master_; }
    const std::string& slaveName() const { return slaveName_; }
    // The rate the product has set on the line (the master reflects the slave's settings).
    LineSpeed speed() const;
    // Waits until everything written to the master side has been handed to the line.
    void drain() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::string linkPath_;
};
