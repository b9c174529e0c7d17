// One step a settable parameter: read its controls, build the parameter
// bytes, send the set command, record it as the command in flight.
#include "protocol/Frames.h"
#include "protocol/Parameters.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTimer>

void frmParvex::refuseField(QLineEdit* field, const QString& text, BoxIcon icon) {
    MsgBox(text, QStringLiteral("Warn"), icon);
    focusField(field);
}

void frmParvex::focusField(QLineEdit* field) {
    // A field of the hidden advanced section cannot take the focus.
    if (Frame1->isAncestorOf(field) && !AdvancedShown)
        cmdAdvanced_Click();
    field->setFocus(Qt::OtherFocusReason);
}

bool frmParvex::hexWordsAcceptable(const std::vector<HexField>& fields) {
    for (const HexField& field : fields) {
        if (!Parameters::isHexWord(field.box->text())) {
            refuseField(field.box, Parameters::hexWordRule(field.name));
            return false;
        }
    }
    return true;
}

bool frmParvex::classOfDeviceAcceptable() {
    // Pressing Set by its access key leaves the focus in the field; the
    // correction that leaving it would make comes first.
    txtClassOfDevice_LostFocus();
    if (Parameters::isClassOfDevice(txtClassOfDevice->text()))
        return true;
    refuseField(txtClassOfDevice, Parameters::classOfDeviceRule());
    return false;
}

void frmParvex::buildHexWords(const std::vector<HexField>& fields) {
    QStringList words;
    for (const HexField& field : fields)
        words << field.box->text();
    ParamBuf = Parameters::hexWordBytes(words);
}

void frmParvex::sendStep(uint8_t CmdType, const QByteArray& Param, const QString& status) {
    SendSetCmd(CmdType, Param);
    recordCommandInFlight(CmdType, Param);
    ShowStatus(status);
}

void frmParvex::sendHexWordsStep(uint8_t CmdType, const std::vector<HexField>& fields,
                                 const QString& status) {
    if (!hexWordsAcceptable(fields))
        return;
    buildHexWords(fields);
    sendStep(CmdType, ParamBuf, status);
}

void frmParvex::sendCheckBoxStep(uint8_t CmdType, const QCheckBox* box, const QString& status) {
    ParamBuf = Parameters::switchBytes(box->isChecked());
    sendStep(CmdType, ParamBuf, status);
}

void frmParvex::SetBaudRate() {
    if (const auto code = Parameters::rateBytes(paramBaudRate->currentText())) {
        BaudParam[0] = static_cast<uint8_t>(code->at(0));
        BaudParam[1] = static_cast<uint8_t>(code->at(1));
    }
    const QByteArray param(reinterpret_cast<const char*>(BaudParam.data()), 2);
    SendSetCmd(Frames::BaudRate, param);
    recordCommandInFlight(Frames::BaudRate, param);
    RetryTimer->start();
    ShowStatus(QStringLiteral("Setting the baud rate......"));
}

void frmParvex::SetSecurity() {
    sendCheckBoxStep(Frames::Security, IsAuth, QStringLiteral("Setting the security...."));
}

void frmParvex::SetPassword() {
    ParamBuf = Parameters::textBytes(txtPwd->text());
    sendStep(Frames::Password, ParamBuf, QStringLiteral("Setting the password......"));
}

void frmParvex::SetSniffParam() {
    sendHexWordsStep(Frames::SniffMode, sniffFields(),
                     QStringLiteral("Setting the Sniff Mode Parameter......"));
}

void frmParvex::SetParkParam() {
    sendHexWordsStep(Frames::ParkMode, parkFields(),
                     QStringLiteral("Setting the Park Mode Parameter......"));
}

void frmParvex::SetDeviceName() {
    ParamBuf = Parameters::textBytes(txtBDName->text());
    sendStep(Frames::DeviceName, ParamBuf, QStringLiteral("Setting the device name......"));
}

void frmParvex::SetClassOfDevice() {
    if (!classOfDeviceAcceptable())
        return;
    ParamBuf = Parameters::classOfDeviceBytes(txtClassOfDevice->text());
    sendStep(Frames::ClassOfDevice, ParamBuf, QStringLiteral("Setting the class of device......"));
}

void frmParvex::SetMasterSlave() {
    sendCheckBoxStep(Frames::MasterSlave, IsMaster,
                     QStringLiteral("Setting the Master/Slave paramter......"));
}

void frmParvex::SetScanParam() {
    sendHexWordsStep(Frames::ScanParameters, scanFields(),
                     QStringLiteral("Setting the page/inquiry scan parameter......"));
}

void frmParvex::SetBind() {
    sendCheckBoxStep(Frames::Bind, chkIsBind, QStringLiteral("Setting Bind......"));
}
