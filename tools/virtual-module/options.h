#pragma once

#include "misbehaviour.h"
#include "module.h"

#include <string>

struct Options {
    Settings settings = factorySettings();
    unsigned rate = 9600;      // the rate the module's line starts at
    std::string linkPath;      // symbolic link to the device, if wanted
    std::string fixturePath;   // the fixture's control file, if the module sits on one
    bool switchAtOnce = false; // a new baud rate takes effect right after its answer
    MisbehaviourOptions misbehaviour;
    bool help = false;
};

// Returns false with a message for the user on a bad command line.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

extern const char* const kUsage;
