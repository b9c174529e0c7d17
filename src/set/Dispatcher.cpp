// Every received body passes through here: set answers are reported, a
// refused set command can be sent again, query answers go on to the query
// sequence; the retry clock gets a fresh interval while it runs and stops at every answer.
#include "link/Failure.h"
#include "protocol/Frames.h"
#include "ui/frmParvex.h"

#include <QLabel>
#include <QTimer>
#include <array>

namespace {
struct SetAnswerRow {
    uint8_t kind;
    const char* succeed;
    const char* fail;
    const char* prompt;
    void (frmParvex::*step)();
};

using namespace Frames;

const std::array<SetAnswerRow, 10> setAnswers{{
    {BaudRate, "Set baud rate succeed", "Set baud rate fail", "Set [Baud Rate] timeout,continue?",
     &frmParvex::SetBaudRate},
    {Security, "Set security succeed", "Set security fail", "Set [Encryption] timeout,continue?",
     &frmParvex::SetSecurity},
    {Password, "Set password succeed", "Set password fail", "Set [Password] timeout,continue?",
     &frmParvex::SetPassword},
    {SniffMode, "Set Sniff Mode Parameter succeed", "Set Sniff Mode Parameter fail",
     "Set [Sniff Mode Parameter] timeout,continue?", &frmParvex::SetSniffParam},
    {ParkMode, "Set Park Mode Parameter succeed", "Set Park Mode Parameter fail",
     "Set [Park Mode Parameter] timeout,continue?", &frmParvex::SetParkParam},
    {DeviceName, "Set device name succeed", "Set device name fail",
     "Set [Device Name] timeout,continue?", &frmParvex::SetDeviceName},
    {ClassOfDevice, "Set class of device succeed", "Set class of device fail",
     "Set [Class of Device] timeout,continue?", &frmParvex::SetClassOfDevice},
    {MasterSlave, "Set master/slave succeed", "Set master/slave fail",
     "Set [Master/Slave] timeout,continue?", &frmParvex::SetMasterSlave},
    {ScanParameters, "Set page/inquiry scan parameter succeed",
     "Set page/inquiry scan parameter fail", "Set [page/inquiry scan] timeout,continue?",
     &frmParvex::SetScanParam},
    {Bind, "Set the bind paramter succeed", "Set the bind parameter fail",
     "Set [Bind] timeout,continue?", &frmParvex::SetBind},
}};

const SetAnswerRow* setAnswerRow(uint8_t kind) {
    for (const SetAnswerRow& row : setAnswers)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

// Reading past the end of a body is a failure the receive path reports.
uint8_t byteAt(const QByteArray& dat, qsizetype offset) {
    if (offset >= dat.size())
        throw Failure(QStringLiteral("Answer too short: %1 %2")
                          .arg(dat.size())
                          .arg(dat.size() == 1 ? QStringLiteral("byte") : QStringLiteral("bytes")));
    return static_cast<uint8_t>(dat[offset]);
}
} // namespace

void frmParvex::handleRecvPacket(const QByteArray& dat) {
    Label_retry->setText(QString());
    const qsizetype n = dat.size();
    if (n == 0)
        return;
    RetryCount = 0;
    // The module is alive: a running clock waits a full interval anew. A
    // stopped clock stays stopped, or a stray body (noise forming a frame, a
    // message of the module's own) would resend the last command a second
    // later: after a read, the bind query, whose answer takes the snapshot
    // again over the operator's edits.
    if (RetryTimer->isActive())
        RetryTimer->start();
    if (static_cast<uint8_t>(dat[0]) != Frames::answerMarker)
        return;

    const uint8_t CmdState = byteAt(dat, 1);
    const uint8_t kind = byteAt(dat, 2);
    auto confirmed = [this](const char* prompt) {
        return MsgBox(QString::fromLatin1(prompt), QStringLiteral("Confirm"), BoxIcon::Information,
                      BoxButtons::YesNo) == BoxAnswer::Yes;
    };

    if (kind == Frames::queryMarker) {
        const uint8_t CmdType = byteAt(dat, 3);
        if (n >= 5)
            ParamBuf = dat.mid(4);
        HandleQueryRspPacket(CmdType, CmdState, ParamBuf, static_cast<int16_t>(n - 4));
    } else if (kind == Frames::ClearBoundAddress) {
        ShowStatus(CmdState == 0
                       ? QStringLiteral("Clearing Binded Bluetooth Device Address Succeed")
                       : QStringLiteral("Clearing Binded Bluetooth Device Address Fail"));
        RetryTimer->stop();
    } else if (const SetAnswerRow* row = setAnswerRow(kind)) {
        ShowStatus(QString::fromLatin1(CmdState == 0 ? row->succeed : row->fail));
        if (CmdState != 0 && confirmed(row->prompt))
            (this->*(row->step))();
    } else if (kind == Frames::MaximumConnections) {
        ShowStatus(CmdState == 0 ? QStringLiteral("Set the maximum of connection succeed")
                                 : QStringLiteral("Set the maximum of connection fail"));
        if (CmdState == 0 || confirmed("Set [Maximum] timeout,continue?")) {
            ShowStatus(QStringLiteral("Set succeed"));
            RetryTimer->stop();
        }
    }
    RetryTimer->stop();
}
