#pragma once

#include "PortSystem.h"

#include <QMap>
#include <QString>

// Maps a row of the port list (1 for "COM1" ... 12 for "COM12") to a device.
// Row 0 stands for a device named by its path.
using PortNames = QMap<int, QString>;

// The fixed table the product uses. On Windows a row is the port of its own
// name; elsewhere it stands for a device file.
PortNames defaultPortNames(PortSystem system = hostPortSystem());

// The row of a port list text: 3 for "COM3"; 0 for anything else.
int portRowOf(const QString& text);

// "COM3 (/dev/ttyUSB2)"; "COM3" where the device is the port of that name;
// row 0 is its device alone.
QString portRowLabel(int row, const PortNames& names);

// Tooltip of one row: the device it stands for and whether it is present
// now: a device file that exists, or a port the system lists by its name.
QString portRowTooltip(int row, const PortNames& names);
