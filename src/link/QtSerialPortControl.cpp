#include "QtSerialPortControl.h"

#include "Failure.h"
#include "PortRefusal.h"
#include "protocol/SerialSettings.h"

#include <QElapsedTimer>

#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {
// Long enough for a full frame at the slowest rate to leave the driver.
constexpr int outputBoundMs = 2500;
constexpr int outputSliceMs = 5;

QSerialPort::Parity toParity(SerialSettings::Parity parity) {
    switch (parity) {
    case SerialSettings::Parity::None:
        return QSerialPort::NoParity;
    case SerialSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case SerialSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case SerialSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case SerialSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toStopBits(SerialSettings::StopBits stopBits) {
    switch (stopBits) {
    case SerialSettings::StopBits::One:
        return QSerialPort::OneStop;
    case SerialSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case SerialSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl toFlowControl(int handshaking) {
    switch (handshaking) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}
} // namespace

QtSerialPortControl::QtSerialPortControl(PortNames portNames, std::function<void()> whileWriting,
                                         QObject* parent)
    : SerialPortControl(parent), names(std::move(portNames)), whileWriting(std::move(whileWriting)),
      serial(this) {
    // Queued, so that received data never reaches the window from inside
    // Output(), whose wait may read the port.
    connect(
        &serial, &QSerialPort::readyRead, this,
        [this] { emit OnComm(CommEvent::Received, QString()); }, Qt::QueuedConnection);
    connect(&serial, &QSerialPort::errorOccurred, this, &QtSerialPortControl::onError);
}

void QtSerialPortControl::setPortOpen(bool open) {
    if (!open) {
        serial.close();
        return;
    }
    if (!serial.isOpen())
        this->open();
}

void QtSerialPortControl::open() {
    const QString device = names.value(commPort);
    if (device.isEmpty())
        fail(QStringLiteral("No device for this port"));
    const auto line = parseSerialSettings(settings);
    if (!line)
        fail(QStringLiteral("Invalid settings \"%1\"").arg(settings));
    serial.setPortName(device);
    if (!serial.open(QIODevice::ReadWrite)) {
        const bool refused = serial.error() == QSerialPort::PermissionError;
        fail(refused ? refusalReason(explainRefusal(device), serial.errorString())
                     : serial.errorString());
    }
    const bool configured =
        serial.setBaudRate(line->baudRate) && serial.setParity(toParity(line->parity)) &&
        serial.setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits)) &&
        serial.setStopBits(toStopBits(line->stopBits)) &&
        serial.setFlowControl(toFlowControl(handshaking));
    if (!configured) {
        const QString reason = serial.errorString();
        serial.close();
        fail(reason);
    }
    // A new opening starts with an empty line: nothing left from before it
    // is taken for an answer.
    serial.clear(QSerialPort::AllDirections);
    serial.clearError();
    failureReported = false;
}

void QtSerialPortControl::fail(const QString& reason) const {
    throw Failure(QStringLiteral("%1: %2").arg(portRowLabel(commPort, names), reason));
}

int QtSerialPortControl::InBufferCount() const {
    return serial.isOpen() ? static_cast<int>(serial.bytesAvailable()) : 0;
}

QByteArray QtSerialPortControl::Input() {
    return serial.isOpen() ? serial.readAll() : QByteArray();
}

void QtSerialPortControl::Output(const QByteArray& bytes) {
    if (!serial.isOpen())
        return;
    serial.write(bytes);
    QElapsedTimer waited;
    waited.start();
    while (serial.isOpen() && serial.bytesToWrite() > 0 && waited.elapsed() < outputBoundMs) {
        waitForOutputSlice();
        if (whileWriting)
            whileWriting();
    }
}

#ifdef Q_OS_WIN
// On Windows QSerialPort's own waits lose the port's completion notices: a
// wait for written bytes keeps a read that completes meanwhile from ever
// being announced (the answer then shows only when a later write completes),
// and a later wait may take a notice that an earlier turn of the event loop
// already handled, which ends in a crash. So the write is started at once
// and the port's completion notices, posted to its own helpers, are handled
// here the way the event loop handles them, and nothing else is.
void QtSerialPortControl::waitForOutputSlice() {
    serial.flush();
    QThread::msleep(outputSliceMs);
    // A notice may close the port, which deletes the port's helpers.
    QList<QPointer<QObject>> helpers;
    for (QObject* child : serial.children())
        helpers << child;
    for (const QPointer<QObject>& helper : helpers)
        if (helper)
            QCoreApplication::sendPostedEvents(helper, QEvent::MetaCall);
}
#else
void QtSerialPortControl::waitForOutputSlice() {
    serial.waitForBytesWritten(outputSliceMs);
}
#endif

// QSerialPort takes a read that finds nothing for a read error: its read
// notification can come after another read (the wait for written bytes
// inside Output) took the bytes. On Windows it may hand a new opening the
// cancelled wait of the opening before as a resource error: its completion
// port knows a port's helper by the helper's address, which the new
// opening's helper may take over, and the cancellation of the closed
// opening's wait can come after. Only a line that hung up (on Windows: that
// the driver no longer answers for) is gone.
bool QtSerialPortControl::lineHungUp() const {
#ifdef Q_OS_UNIX
    pollfd line{static_cast<int>(serial.handle()), POLLIN, 0};
    return ::poll(&line, 1, 0) < 0 || (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    DWORD modemStatus = 0;
    return !::GetCommModemStatus(reinterpret_cast<HANDLE>(serial.handle()), &modemStatus);
#endif
}

void QtSerialPortControl::onError(QSerialPort::SerialPortError error) {
    const bool lineError = error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
    const bool deviceGone = (lineError && lineHungUp()) || error == QSerialPort::WriteError;
    if (!deviceGone || !serial.isOpen())
        return;
    // QSerialPort repeats the error for as long as the port stays open.
    const QString description =
        QStringLiteral("%1: %2").arg(portRowLabel(commPort, names), serial.errorString());
    serial.close();
    serial.clearError();
    if (failureReported)
        return;
    failureReported = true;
    QMetaObject::invokeMethod(
        this, [this, description] { emit OnComm(CommEvent::Error, description); },
        Qt::QueuedConnection);
}
