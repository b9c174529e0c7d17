// Writing frames and reading the line: the encoders every command goes
// through, and the receive path that hands each reassembled body on.
#include "Failure.h"
#include "Frames.h"
#include "ui/frmParvex.h"

#include <QLabel>
#include <QTimer>

namespace {
constexpr int pauseBeforeFrameMs = 500;

// Holds the receive path closed from the start of a read to its end.
class ReceiveGuard {
public:
    explicit ReceiveGuard(bool& flag) : flag(flag) { flag = true; }
    ~ReceiveGuard() { flag = false; }
    ReceiveGuard(const ReceiveGuard&) = delete;
    ReceiveGuard& operator=(const ReceiveGuard&) = delete;

private:
    bool& flag;
};
} // namespace

void frmParvex::SendSetCmd(uint8_t CmdType, const QByteArray& Param) {
    Sleep(pauseBeforeFrameMs);
    if (!MSComm1->PortOpen())
        return;
    MSComm1->Output(Frames::setCommand(CmdType, Param));
}

void frmParvex::SendQueryCmd(uint8_t CmdType) {
    Sleep(pauseBeforeFrameMs);
    if (!MSComm1->PortOpen())
        return;
    MSComm1->Output(Frames::query(CmdType));
}

void frmParvex::RecvDataSub() {
    // A message box below runs a nested event loop in which the port and the
    // timers keep calling here; the bytes wait in the port until this read
    // is over.
    if (inReceivePath)
        return;
    ReceiveGuard guard(inReceivePath);
    try {
        if (MSComm1->InBufferCount() <= 0)
            return;
        ParseData(MSComm1->Input());
    } catch (const Failure& failure) {
        MsgBox(failure.description(), QStringLiteral("Error"), BoxIcon::Critical);
    } catch (const std::exception& failure) {
        MsgBox(QString::fromLocal8Bit(failure.what()), QStringLiteral("Error"), BoxIcon::Critical);
    }
}

void frmParvex::ParseData(const QByteArray& dat) {
    receiver.ParseData(dat, [this](const QByteArray& body) { handleRecvPacket(body); });
}

void frmParvex::MSComm1_OnComm(SerialPortControl::CommEvent event, const QString& description) {
    if (event == SerialPortControl::CommEvent::Error) {
        // The event follows the closing of the port. A detection step that
        // came first found the port closed, failed to reopen it and has
        // shown the closed state and reported the failure already; a port
        // open again is a newer opening than the one that failed.
        if (!portShownOpen() || MSComm1->PortOpen())
            return;
        // The device is gone and the port already closed: nothing waits for
        // an answer any more.
        RetryTimer->stop();
        showPortClosed();
        MsgBox(description, QStringLiteral("Error"), BoxIcon::Critical);
        return;
    }
    RecvDataSub();
}

void frmParvex::RecvTimer_Timer() {
    RecvDataSub();
}
