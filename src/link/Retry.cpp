// Resending the command in flight when the module does not answer: twice,
// one second apart, then giving up with a message.
#include "protocol/Frames.h"
#include "ui/frmParvex.h"

#include <QLabel>
#include <QTimer>

namespace {
constexpr int16_t resendLimit = 2;
} // namespace

void frmParvex::recordCommandInFlight(uint8_t CmdType, std::optional<QByteArray> Param) {
    CurCmdType = CmdType;
    if (Param)
        CurCmdParam = *Param;
}

void frmParvex::RetryTimer_Timer() {
    if (held->heldBack(HeldEvents::Due::RetryTick))
        return;
    auto resendOrGiveUp = [this](auto resend) {
        if (RetryCount >= resendLimit) {
            RetryTimer->stop();
            MsgBox(QStringLiteral("Current command execute fail,please try again after reset！！"),
                   QStringLiteral("Error"), BoxIcon::Critical);
            return;
        }
        resend();
        ++RetryCount;
    };
    auto resendAsQuery = [this] { SendQueryCmd(CurCmdType); };
    auto resendAsSetCommand = [this] { SendSetCmd(CurCmdType, CurCmdParam); };

    // The module knows the clear command only as a set command, whatever
    // sequence ran before it.
    if (CurCmdType == Frames::ClearBoundAddress) {
        resendOrGiveUp(resendAsSetCommand);
    } else {
        if (QueryActive == True)
            resendOrGiveUp(resendAsQuery);
        if (SetActive == True)
            resendOrGiveUp(resendAsSetCommand);
    }
    Label_retry->setText(QStringLiteral("Attempt number:") + QString::number(RetryCount));
}
