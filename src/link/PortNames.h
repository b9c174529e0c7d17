#pragma once

#include <QMap>
#include <QString>

// Maps a row of the port list (1 for "COM1" ... 12 for "COM12") to a device.
using PortNames = QMap<int, QString>;

// The fixed table the product uses.
PortNames defaultPortNames();

// "COM3 (/dev/ttyUSB2)"
QString portRowLabel(int row, const PortNames& names);

// Tooltip of one row: the device it stands for and whether it is present now.
QString portRowTooltip(int row, const PortNames& names);
