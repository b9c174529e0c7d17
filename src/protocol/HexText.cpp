#include "protocol/HexText.h"

namespace {
int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}
} // namespace

bool StrHexToHex(const QString& StrHex, QByteArray& HexByte) {
    if (StrHex.isEmpty())
        return false;
    const QString digits = StrHex.size() % 2 ? QStringLiteral("0") + StrHex : StrHex;
    for (QChar c : digits)
        if (digitValue(c) < 0)
            return false;
    QByteArray bytes(digits.size() / 2, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] =
            static_cast<char>(digitValue(digits[2 * i]) * 16 + digitValue(digits[2 * i + 1]));
    HexByte = bytes;
    return true;
}

void HexToStrHex(const QByteArray& HexByte, QString& StrHex) {
    StrHex = QString::fromLatin1(HexByte.toHex().toUpper());
}
