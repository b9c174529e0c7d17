#pragma once

#include "cli/Request.h"

// parvex-cli station: runs until stopped; the exit status.
int runStation(const Request& request);
// parvex-cli summary: what the records add up to; the exit status.
int runSummary(const Request& request);
