// The factory values, and making the module forget its bound address.
#include "frmParvex.h"
#include "protocol/Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
void writeFactoryTexts(const std::vector<frmParvex::HexField>& group) {
    for (const frmParvex::HexField& field : group)
        field.box->setText(QString::fromLatin1(field.factory));
}
} // namespace

void frmParvex::CmdSetDefault_Click() {
    txtBDName->setText(QStringLiteral("KAVRO5190"));
    txtPwd->setText(QStringLiteral("5807"));
    IsAuth->setChecked(true);
    paramBaudRate->setCurrentText(QStringLiteral("9600"));
    writeFactoryTexts(sniffFields());
    writeFactoryTexts(parkFields());
    IsMaster->setChecked(false);
    txtMaxConnNum->setText(QStringLiteral("1"));
    txtClassOfDevice->setText(QStringLiteral("000000"));
    chkIsBind->setChecked(true);
    writeFactoryTexts(scanFields());
}

void frmParvex::CmdClearAddr_Click() {
    if (!portShownOpen()) {
        MsgBox(QStringLiteral("Serial port is not opened！"), QStringLiteral("Error"),
               BoxIcon::Critical);
        return;
    }
    const QByteArray param(1, '\0');
    SendSetCmd(Frames::ClearBoundAddress, param);
    recordCommandInFlight(Frames::ClearBoundAddress, param);
    // A new command gets its own two resends.
    RetryCount = 0;
    RetryTimer->start();
    ShowStatus(QStringLiteral("Clearing the binded bluetooth device's address......"));
}
