#pragma once

#include "link/Platform.h"

#include <QString>

// The production platform (real serial port, blocking pause, message boxes)
// with the row COM1 standing for device.
Platform platformWiredTo(const QString& device);
