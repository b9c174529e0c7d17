#include "frmParvex.h"

#include "link/BaudCodes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

frmParvex::frmParvex(Platform platformParts, QWidget* parent)
    : QWidget(parent), platform(std::move(platformParts)) {
    MSComm1 = platform.port.get();
    createControls();
    layOutControls();
    setTabOrderByPosition();
    connectHandlers();
    Form_Load();
    RecvTimer->start();
}

frmParvex::~frmParvex() = default;

void frmParvex::Form_Load() {
    ConnBaudRate->addItems({QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                            QStringLiteral("9600"), QStringLiteral("19200"),
                            QStringLiteral("38400"), QStringLiteral("57600"),
                            QStringLiteral("115200")});
    ConnBaudRate->setCurrentText(QStringLiteral("115200"));
    paramBaudRate->addItems(BaudCodes::standardRows());
    paramBaudRate->setCurrentText(QStringLiteral("115200"));
    for (int row = 1; row <= 12; ++row)
        ComPortNum->addItem(QStringLiteral("COM%1").arg(row));
    ComPortNum->setCurrentIndex(0);
    for (int row = 1; row <= 12; ++row)
        ComPortNum->setItemData(row - 1, portRowTooltip(row, platform.portNames), Qt::ToolTipRole);
    ComFlowCtrl->addItems(
        {QStringLiteral("Xon/Xoff"), QStringLiteral("Hardware"), QStringLiteral("None")});
    ComFlowCtrl->setCurrentIndex(1);
    receiver.RecvState = FrameReassembler::Hunting;
    bAutoDetect->setChecked(true);
    ConnBaudRate->setEnabled(false);
    BaudFound = False;
    txtMaxConnNum->setEnabled(false);
    QueryActive = False;
    SetActive = False;
    Frame1->setVisible(false);
    ShowStatus(QStringLiteral("Ready"));
}

void frmParvex::cmdAdvanced_Click() {
    // The layout grows the window to show the section and shrinks it back.
    Frame1->setVisible(!AdvancedShown);
    cmdAdvanced->setText(AdvancedShown ? QStringLiteral(">>Advanced Setting")
                                       : QStringLiteral("<<Advanced Setting"));
    AdvancedShown = !AdvancedShown;
}

void frmParvex::ShowStatus(const QString& msg) {
    Status->setText(QStringLiteral("    ") + msg);
    emit statusShown(msg);
}

void frmParvex::CmdClose_Click() {
    close();
    QApplication::quit();
}

BoxAnswer frmParvex::MsgBox(const QString& text, const QString& title, BoxIcon icon,
                            BoxButtons buttons) {
    return platform.messageBox(this, BoxRequest{text, title, icon, buttons});
}

void frmParvex::Sleep(int ms) {
    platform.sleep(ms);
}
