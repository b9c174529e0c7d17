#include "SerialSettings.h"

#include <QStringList>

namespace {
std::optional<QSerialPort::Parity> parseParity(const QString& letter) {
    const QString p = letter.trimmed().toLower();
    if (p == QLatin1String("n"))
        return QSerialPort::NoParity;
    if (p == QLatin1String("e"))
        return QSerialPort::EvenParity;
    if (p == QLatin1String("o"))
        return QSerialPort::OddParity;
    if (p == QLatin1String("m"))
        return QSerialPort::MarkParity;
    if (p == QLatin1String("s"))
        return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> parseStopBits(const QString& text) {
    const QString s = text.trimmed();
    if (s == QLatin1String("1"))
        return QSerialPort::OneStop;
    if (s == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    if (s == QLatin1String("2"))
        return QSerialPort::TwoStop;
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
    settings.dataBits = static_cast<QSerialPort::DataBits>(dataBits);
    settings.stopBits = *stopBits;
    return settings;
}
