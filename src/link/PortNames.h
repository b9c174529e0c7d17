#pragma once

#include <QMap>
#include <QString>

// Maps a row of the port list (1 for "COM1" ... 12 for "COM12") to a device.
// Row 0 stands for a device named by its path.
using PortNames = QMap<int, QString>;

// The fixed table the product uses.
PortNames defaultPortNames();

// The row of a port list text: 3 for "COM3"; 0 for anything else.
int portRowOf(const QString& text);

// "COM3 (/dev/ttyUSB2)"; row 0 is its device alone.
QString portRowLabel(int row, const PortNames& names);

// Tooltip of one row: the device it stands for and whether it is present now.
QString portRowTooltip(int row, const PortNames& names);
