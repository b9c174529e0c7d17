#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The module's rate codes: the rate times 4096 / 1 000 000, rounded; "No
// Change" is code 0.
namespace BaudCodes {
// The rows the baud-rate list starts with.
QStringList standardRows();
// The rates a port is opened at, slowest first: the rows of the connection
// list, and the order in which detection tries them.
const QStringList& lineRates();
// The rows added when a module reports one of the faster rates.
QStringList extendedRows();

std::optional<uint16_t> codeOfText(const QString& text);
std::optional<QString> textOfCode(uint16_t code);
} // namespace BaudCodes
