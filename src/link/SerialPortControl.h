#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial-port control the window talks through. Properties keep the names
// the window's handlers use; only setPortOpen(true) may throw a Failure.
class SerialPortControl : public QObject {
    Q_OBJECT
public:
    enum class CommEvent { Received, Error };

    using QObject::QObject;
    ~SerialPortControl() override = default;

    virtual int CommPort() const = 0;
    virtual void setCommPort(int port) = 0;

    // "rate,n,8,1"; applied when the port is next opened.
    virtual QString Settings() const = 0;
    virtual void setSettings(const QString& settings) = 0;

    virtual int InputMode() const = 0;
    virtual void setInputMode(int mode) = 0;

    // 0 none, 1 XON/XOFF, 2 RTS/CTS.
    virtual int Handshaking() const = 0;
    virtual void setHandshaking(int handshaking) = 0;

    virtual bool PortOpen() const = 0;
    virtual void setPortOpen(bool open) = 0;

    virtual int InBufferCount() const = 0;
    // Returns and removes every waiting byte.
    virtual QByteArray Input() = 0;
    // The bytes are on the line when this returns.
    virtual void Output(const QByteArray& bytes) = 0;

signals:
    // Raised for received data and, once, when the device fails; the port is
    // already closed when the error event arrives.
    void OnComm(SerialPortControl::CommEvent event, const QString& description);
};
