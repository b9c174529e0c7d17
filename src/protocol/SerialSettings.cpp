#include "protocol/SerialSettings.h"

#include <QStringList>

namespace {
std::optional<SerialSettings::Parity> parseParity(const QString& letter) {
    const QString p = letter.trimmed().toLower();
    if (p == QLatin1String("n"))
        return SerialSettings::Parity::None;
    if (p == QLatin1String("e"))
        return SerialSettings::Parity::Even;
    if (p == QLatin1String("o"))
        return SerialSettings::Parity::Odd;
    if (p == QLatin1String("m"))
        return SerialSettings::Parity::Mark;
    if (p == QLatin1String("s"))
        return SerialSettings::Parity::Space;
    return std::nullopt;
}

std::optional<SerialSettings::StopBits> parseStopBits(const QString& text) {
    const QString s = text.trimmed();
    if (s == QLatin1String("1"))
        return SerialSettings::StopBits::One;
    if (s == QLatin1String("1.5"))
        return SerialSettings::StopBits::OneAndHalf;
    if (s == QLatin1String("2"))
        return SerialSettings::StopBits::Two;
    return std::nullopt;
}
} // namespace

std::optional<SerialSettings> parseSerialSettings(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    bool ok = false;
    const qint32 rate = parts[0].trimmed().toInt(&ok);
    const int dataBits = parts[2].trimmed().toInt();
    const auto parity = parseParity(parts[1]);
    const auto stopBits = parseStopBits(parts[3]);
    if (!ok || rate <= 0 || dataBits < 5 || dataBits > 8 || !parity || !stopBits)
        return std::nullopt;
    SerialSettings settings;
    settings.baudRate = rate;
    settings.parity = *parity;
    settings.dataBits = dataBits;
    settings.stopBits = *stopBits;
    return settings;
}

QString lineSettingsAt(const QString& rate) {
    return rate + QStringLiteral(",n,8,1");
}
