#pragma once

#include "options.h"

#include <string>

// A fixture the module is dropped onto: the line (the pseudo-terminal) stays open while modules are
// put on and taken off, as an adapter wired to a production fixture does.
//
// The fixture is described by a control file, read at start and again at every SIGUSR2. "off", an
// empty file or no file leaves the fixture empty; otherwise the file's first line holds the options
// of a fresh module, as on the command line ("--name N7 --refuse 6"): its starting values and its
// misbehaviour. A file says the whole of what the next module is; the signal says when it arrives.
struct FixtureContents {
    bool moduleOn = false;
    Options module; // the fresh module's values and misbehaviour, when moduleOn
};

// Reads the control file; false with a message when its options are bad.
bool readFixture(const std::string& path, FixtureContents& contents, std::string& error);
