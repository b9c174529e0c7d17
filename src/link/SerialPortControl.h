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

    // The line's configuration, taken when the port is next opened.
    int CommPort() const { return commPort; }
    void setCommPort(int port) { commPort = port; }
    // "rate,n,8,1"
    QString Settings() const { return settings; }
    void setSettings(const QString& text) { settings = text; }
    // Binary (1) or text: kept for the window, which sets binary; QSerialPort
    // always hands over bytes, so the mode changes nothing on Linux.
    int InputMode() const { return inputMode; }
    void setInputMode(int mode) { inputMode = mode; }
    // 0 none, 1 XON/XOFF, 2 RTS/CTS.
    int Handshaking() const { return handshaking; }
    void setHandshaking(int value) { handshaking = value; }

    virtual bool PortOpen() const = 0;
    virtual void setPortOpen(bool open) = 0;

    virtual int InBufferCount() const = 0;
    // Returns and removes every waiting byte.
    virtual QByteArray Input() = 0;
    // The bytes are on the line when this returns.
    virtual void Output(const QByteArray& bytes) = 0;

protected:
    int commPort = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    int inputMode = 0;
    int handshaking = 0;

signals:
    // Raised for received data and, once, when the device fails; the port is
    // already closed when the error event arrives.
    void OnComm(SerialPortControl::CommEvent event, const QString& description);
};
