#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

// The line settings of a settings text such as "9600,n,8,1".
struct SerialSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

std::optional<SerialSettings> parseSerialSettings(const QString& text);
