#pragma once

#include "bytes.h"

#include <string>

// Everything the module prints goes to stdout, one line at a time, flushed at once, so that a
// test or a demo reading the pipe sees each event as it happens.

// Starts the clock that timestamps every event line.
void logStart();

// A whole line as it is, e.g. "device: /dev/pts/3" or "state: ...".
void logLine(const std::string& text);

// "  1234.5 ms  9600  <what>  <text>": an event on the line at the given rate.
void logEvent(unsigned rate, const char* what, const std::string& text);

// "55 AA 02 50 00": upper-case hex, one space between bytes.
std::string hexBytes(const Bytes& bytes);
