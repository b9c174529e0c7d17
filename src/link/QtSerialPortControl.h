#pragma once

#include "PortNames.h"
#include "SerialPortControl.h"

#include <QSerialPort>
#include <functional>

// The serial-port control on a real device through QSerialPort.
class QtSerialPortControl : public SerialPortControl {
    Q_OBJECT
public:
    // whileWriting runs between short waits of Output() for the bytes to
    // leave.
    explicit QtSerialPortControl(PortNames names, std::function<void()> whileWriting = {},
                                 QObject* parent = nullptr);

    bool PortOpen() const override { return serial.isOpen(); }
    void setPortOpen(bool open) override;

    int InBufferCount() const override;
    QByteArray Input() override;
    void Output(const QByteArray& bytes) override;

private:
    void open();
    void waitForOutputSlice();
    void onError(QSerialPort::SerialPortError error);
    bool lineHungUp() const;
    [[noreturn]] void fail(const QString& reason) const;

    PortNames names;
    std::function<void()> whileWriting;
    // A child, so that its notifiers can be found from the control.
    QSerialPort serial;
    bool failureReported = false;
};
