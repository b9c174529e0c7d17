// The factory values, and making the module forget its bound address.
#include "frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void frmParvex::CmdSetDefault_Click() {
    txtBDName->setText(QStringLiteral("KAVRO5190"));
    txtPwd->setText(QStringLiteral("5807"));
    IsAuth->setChecked(true);
    paramBaudRate->setCurrentText(QStringLiteral("9600"));
    txtSniffMaxIntval->setText(QStringLiteral("0000"));
    txtSniffMinIntval->setText(QStringLiteral("0000"));
    txtParkMaxIntval->setText(QStringLiteral("0000"));
    txtParkMinIntval->setText(QStringLiteral("0000"));
    txtAttempt->setText(QStringLiteral("0000"));
    txtTimeout->setText(QStringLiteral("0000"));
    IsMaster->setChecked(false);
    txtMaxConnNum->setText(QStringLiteral("1"));
    txtClassOfDevice->setText(QStringLiteral("000000"));
    chkIsBind->setChecked(true);
    txtPsInterval->setText(QStringLiteral("0400"));
    txtPsWindow->setText(QStringLiteral("0200"));
    txtIsInterval->setText(QStringLiteral("0400"));
    txtIsWindow->setText(QStringLiteral("0200"));
}

void frmParvex::CmdClearAddr_Click() {
    if (!portShownOpen()) {
        MsgBox(QStringLiteral("Serial port is not opened！"), QStringLiteral("Error"),
               BoxIcon::Critical);
        return;
    }
    const QByteArray param(1, '\0');
    SendSetCmd(0x0A, param);
    CurCmdType = 0x0A;
    CurCmdParam = param;
    // A new command gets its own two resends.
    RetryCount = 0;
    RetryTimer->start();
    ShowStatus(QStringLiteral("Clearing the binded bluetooth device's address......"));
}
