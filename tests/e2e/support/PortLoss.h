#pragma once

// The module's process ending under a window that uses it, and what must
// follow: one "Error" box, the closed state, a window that keeps handling
// events, and a working Connect once a module is back on the same link.
#include "E2eRig.h"

// Checks everything after the module ended; QVERIFY failures inside.
void checkPortLossHandled(E2eRig& rig);
// Starts a module with another name on the same link, connects and reads.
void checkReconnectWorks(E2eRig& rig);
