// The factory values, and making the module forget its bound address.
#include "frmParvex.h"
#include "protocol/Frames.h"
#include "protocol/Parameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
void writeFactoryTexts(const std::vector<frmParvex::HexField>& group) {
    for (const frmParvex::HexField& field : group)
        field.box->setText(field.factory);
}

QString factoryText(Frames::CommandType type) {
    return QString::fromLatin1(Parameters::byType(type).factory);
}

bool factorySwitch(Frames::CommandType type) {
    const Parameters::Parameter& parameter = Parameters::byType(type);
    return QLatin1String(parameter.factory) == QLatin1String(parameter.on);
}
} // namespace

void frmParvex::CmdSetDefault_Click() {
    txtBDName->setText(factoryText(Frames::DeviceName));
    txtPwd->setText(factoryText(Frames::Password));
    IsAuth->setChecked(factorySwitch(Frames::Security));
    paramBaudRate->setCurrentText(factoryText(Frames::BaudRate));
    writeFactoryTexts(sniffFields());
    writeFactoryTexts(parkFields());
    IsMaster->setChecked(factorySwitch(Frames::MasterSlave));
    txtMaxConnNum->setText(factoryText(Frames::MaximumConnections));
    txtClassOfDevice->setText(factoryText(Frames::ClassOfDevice));
    chkIsBind->setChecked(factorySwitch(Frames::Bind));
    writeFactoryTexts(scanFields());
}

void frmParvex::CmdClearAddr_Click() {
    if (!portShownOpen()) {
        MsgBox(QStringLiteral("Serial port is not opened！"), QStringLiteral("Error"),
               BoxIcon::Critical);
        return;
    }
    const QByteArray param = Parameters::clearBoundAddressBytes();
    SendSetCmd(Frames::ClearBoundAddress, param);
    recordCommandInFlight(Frames::ClearBoundAddress, param);
    // A new command gets its own two resends.
    RetryCount = 0;
    RetryTimer->start();
    ShowStatus(QStringLiteral("Clearing the binded bluetooth device's address......"));
}
