// Writing frames and reading the line: the encoders every command goes
// through, and the receive path that hands each reassembled body on.
#include "protocol/Frames.h"
#include "ui/frmParvex.h"

#include <QLabel>
#include <QTimer>

namespace {
constexpr int pauseBeforeFrameMs = 500;
} // namespace

void frmParvex::SendSetCmd(uint8_t CmdType, const QByteArray& Param) {
    sendFrame(Frames::setCommand(CmdType, Param));
}

void frmParvex::SendQueryCmd(uint8_t CmdType) {
    sendFrame(Frames::query(CmdType));
}

// The window's own handlers wait through the pause and the write. Once the
// program has ended, what a handler still under way would send is dropped
// without its pause.
void frmParvex::sendFrame(const QByteArray& frame) {
    if (held->hasEnded())
        return;
    HeldEvents::Scope hold(*held);
    Sleep(pauseBeforeFrameMs);
    if (MSComm1->PortOpen())
        MSComm1->Output(frame);
}

void frmParvex::RecvDataSub() {
    // While a box is open, a pause runs or a read is dispatched, the bytes
    // wait in the port; the read is made once that is over.
    if (held->heldBack(HeldEvents::Due::Read))
        return;
    HeldEvents::Scope hold(*held);
    reportingFailures([this] {
        if (MSComm1->InBufferCount() > 0)
            ParseData(MSComm1->Input());
    });
}

void frmParvex::ParseData(const QByteArray& dat) {
    receiver.ParseData(dat, [this](const QByteArray& body) { handleRecvPacket(body); });
}

void frmParvex::MSComm1_OnComm(SerialPortControl::CommEvent event, const QString& description) {
    if (event == SerialPortControl::CommEvent::Error) {
        // Reported once the read or action under way has ended, so that its
        // box comes last.
        if (held->heldBack(HeldEvents::Due::PortLoss, description))
            return;
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
