#pragma once

#include <QByteArray>
#include <QString>

// Hexadecimal text to bytes, two digits a byte, text order equal to byte
// order; an odd digit count reads as if a "0" stood in front. Returns false,
// leaving HexByte untouched, for an empty text or any non-hexadecimal
// character.
bool StrHexToHex(const QString& StrHex, QByteArray& HexByte);

// Bytes to text, two uppercase digits a byte.
void HexToStrHex(const QByteArray& HexByte, QString& StrHex);
