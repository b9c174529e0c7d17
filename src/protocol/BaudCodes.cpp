#include "protocol/BaudCodes.h"

#include <array>

namespace {
struct BaudRow {
    const char* text;
    uint16_t code;
};

constexpr std::array<BaudRow, 13> table{{
    {"No Change", 0},
    {"1200", 5},
    {"2400", 10},
    {"4800", 20},
    {"9600", 39},
    {"19200", 79},
    {"38400", 157},
    {"57600", 236},
    {"115200", 472},
    {"230400", 944},
    {"460800", 1887},
    {"921600", 3775},
    {"1382400", 5662},
}};
constexpr size_t standardCount = 9;
} // namespace

namespace BaudCodes {
QStringList standardRows() {
    QStringList rows;
    for (size_t i = 0; i < standardCount; ++i)
        rows << QString::fromLatin1(table[i].text);
    return rows;
}

const QStringList& lineRates() {
    static const QStringList rates = standardRows().mid(1);
    return rates;
}

QStringList extendedRows() {
    QStringList rows;
    for (size_t i = standardCount; i < table.size(); ++i)
        rows << QString::fromLatin1(table[i].text);
    return rows;
}

std::optional<uint16_t> codeOfText(const QString& text) {
    for (const BaudRow& row : table)
        if (text == QLatin1String(row.text))
            return row.code;
    return std::nullopt;
}

std::optional<QString> textOfCode(uint16_t code) {
    for (const BaudRow& row : table)
        if (row.code == code)
            return QString::fromLatin1(row.text);
    return std::nullopt;
}
} // namespace BaudCodes
