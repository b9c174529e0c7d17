#pragma once

#include "PortNames.h"
#include "SerialPortControl.h"

#include <QSerialPort>

// The serial-port control on a real device through QSerialPort.
class QtSerialPortControl : public SerialPortControl {
    Q_OBJECT
public:
    explicit QtSerialPortControl(PortNames names, QObject* parent = nullptr);

    int CommPort() const override { return commPort; }
    void setCommPort(int port) override { commPort = port; }
    QString Settings() const override { return settings; }
    void setSettings(const QString& text) override { settings = text; }
    int InputMode() const override { return inputMode; }
    void setInputMode(int mode) override { inputMode = mode; }
    int Handshaking() const override { return handshaking; }
    void setHandshaking(int value) override { handshaking = value; }

    bool PortOpen() const override { return serial.isOpen(); }
    void setPortOpen(bool open) override;

    int InBufferCount() const override;
    QByteArray Input() override;
    void Output(const QByteArray& bytes) override;

private:
    void open();
    void onError(QSerialPort::SerialPortError error);
    [[noreturn]] void fail(const QString& reason) const;

    PortNames names;
    QSerialPort serial;
    int commPort = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    int inputMode = 0;
    int handshaking = 0;
    bool failureReported = false;
};
