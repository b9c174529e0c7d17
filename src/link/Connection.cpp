// Opening and closing the port, and finding the module's baud rate by
// probing the standard rates one second apart.
#include "Failure.h"
#include "FlowControl.h"
#include "protocol/BaudCodes.h"
#include "protocol/Frames.h"
#include "protocol/SerialSettings.h"
#include "query/ParamSnapshot.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

namespace {
// Detection tries the rates of the connection list in its order.
QString nextDetectionRate(const QString& rate) {
    const QStringList& order = BaudCodes::lineRates();
    const qsizetype at = order.indexOf(rate);
    if (at < 0)
        return rate;
    return at + 1 < order.size() ? order[at + 1] : QString();
}

} // namespace

bool frmParvex::portShownOpen() const {
    return CmdConn->text() == QLatin1String("Disconnect");
}

void frmParvex::openPort() {
    MSComm1->setPortOpen(true);
    // A new opening may face another module, or the same one at another
    // rate: nothing received or read before carries over.
    receiver.reset();
    ParamSnapshot.clear();
}

void frmParvex::showPortClosed() {
    ShowStatus(QStringLiteral("Port is closed!"));
    CmdConn->setText(QStringLiteral("Connect"));
    TimeoutTimer->stop();
    bAutoDetect->setEnabled(true);
}

void frmParvex::CmdConn_Click() {
    reportingFailures([this] {
        if (MSComm1->PortOpen()) {
            MSComm1->setPortOpen(false);
            showPortClosed();
            return;
        }
        if (const int port = portRowOf(ComPortNum->currentText()))
            MSComm1->setCommPort(port);
        const bool detect = bAutoDetect->isChecked();
        if (detect) {
            DetectBaud = BaudCodes::lineRates().first();
            MSComm1->setSettings(lineSettingsAt(DetectBaud));
            ConnBaudRate->setCurrentText(DetectBaud);
        } else {
            MSComm1->setSettings(lineSettingsAt(ConnBaudRate->currentText()));
        }
        MSComm1->setInputMode(1);
        if (const int handshaking = handshakingOf(ComFlowCtrl->currentText()); handshaking >= 0)
            MSComm1->setHandshaking(handshaking);
        openPort();
        ShowStatus(QStringLiteral("Port open succeed!"));
        CmdConn->setText(QStringLiteral("Disconnect"));
        bAutoDetect->setEnabled(false);
        if (detect) {
            BaudFound = False;
            SendQueryCmd(Frames::FirmwareVersion);
            TimeoutTimer->start();
            ShowStatus(QStringLiteral("Detecting Baud Rate......"));
        } else {
            CmdQuery_Click();
        }
    });
}

void frmParvex::bAutoDetect_Click() {
    ConnBaudRate->setEnabled(!bAutoDetect->isChecked());
}

void frmParvex::TimeoutTimer_Timer() {
    if (held->heldBack(HeldEvents::Due::DetectionStep))
        return;
    TimeoutTimer->stop();
    if (BaudFound != False || !bAutoDetect->isChecked())
        return;
    DetectBaud = nextDetectionRate(DetectBaud);
    if (DetectBaud.isEmpty()) {
        CmdConn_Click();
        MsgBox(QStringLiteral("Can not find the current baud rate,please set it manually!"),
               QStringLiteral("Information"), BoxIcon::Information);
        return;
    }
    try {
        if (MSComm1->PortOpen())
            MSComm1->setPortOpen(false);
        MSComm1->setSettings(lineSettingsAt(DetectBaud));
        ConnBaudRate->setCurrentText(DetectBaud);
        openPort();
    } catch (const Failure& failure) {
        stopDetectionAfterFailure(failure.description());
        return;
    }
    SendQueryCmd(Frames::FirmwareVersion);
    TimeoutTimer->start();
}

void frmParvex::stopDetectionAfterFailure(const QString& description) {
    // The port is closed already; opening it again would only fail again.
    showPortClosed();
    MsgBox(description, QStringLiteral("Error"), BoxIcon::Critical);
}
