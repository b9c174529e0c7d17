#pragma once

#include <QString>
#include <optional>

// The line settings of a settings text such as "9600,n,8,1".
struct SerialSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
};

std::optional<SerialSettings> parseSerialSettings(const QString& text);

// The settings text the module's line uses at a rate: "9600,n,8,1".
QString lineSettingsAt(const QString& rate);
