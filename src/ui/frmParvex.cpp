#include "frmParvex.h"

#include "link/Failure.h"
#include "protocol/BaudCodes.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

frmParvex::frmParvex(Platform platformParts, QWidget* parent)
    : QWidget(parent), platform(std::move(platformParts)) {
    MSComm1 = platform.port.get();
    held = new HeldEvents(
        [this](HeldEvents::Due due, const QString& detail) { actOnDue(due, detail); }, this);
    createControls();
    layOutControls();
    setTabOrderByPosition();
    connectHandlers();
    Form_Load();
    RecvTimer->start();
}

frmParvex::~frmParvex() = default;

void frmParvex::Form_Load() {
    ConnBaudRate->addItems(BaudCodes::lineRates());
    ConnBaudRate->setCurrentText(QStringLiteral("115200"));
    paramBaudRate->addItems(BaudCodes::standardRows());
    paramBaudRate->setCurrentText(QStringLiteral("115200"));
    for (int row = 1; row <= 12; ++row)
        ComPortNum->addItem(QStringLiteral("COM%1").arg(row));
    ComPortNum->setCurrentIndex(0);
    refreshPortTooltips();
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

// The Close button ends the program as the window manager's close does.
void frmParvex::CmdClose_Click() {
    close();
}

void frmParvex::closeEvent(QCloseEvent* event) {
    endProgram();
    QWidget::closeEvent(event);
}

// Nothing that was already due runs after the program has ended, no box
// opens and nothing more is written: the port is given back at once.
void frmParvex::endProgram() {
    if (held->hasEnded())
        return;
    held->end();
    RecvTimer->stop();
    RetryTimer->stop();
    TimeoutTimer->stop();
    if (MSComm1->PortOpen())
        MSComm1->setPortOpen(false);
    QApplication::quit();
}

void frmParvex::actOnDue(HeldEvents::Due due, const QString& detail) {
    switch (due) {
    case HeldEvents::Due::PortLoss:
        MSComm1_OnComm(SerialPortControl::CommEvent::Error, detail);
        break;
    case HeldEvents::Due::Read:
        RecvDataSub();
        break;
    case HeldEvents::Due::RetryTick:
        // A clock stopped meanwhile has nothing left to resend; one still
        // running resends now and gives the module its full interval after.
        if (RetryTimer->isActive()) {
            RetryTimer->start();
            RetryTimer_Timer();
        }
        break;
    case HeldEvents::Due::DetectionStep:
        // The probe sent after the wait gets its whole second.
        if (TimeoutTimer->isActive())
            TimeoutTimer->start();
        break;
    }
}

// Catches every failure raised inside the handler that calls it.
void frmParvex::reportingFailures(const std::function<void()>& body) {
    try {
        body();
    } catch (const Failure& failure) {
        MsgBox(failure.description(), QStringLiteral("Error"), BoxIcon::Critical);
    } catch (const std::exception& failure) {
        MsgBox(QString::fromLocal8Bit(failure.what()), QStringLiteral("Error"), BoxIcon::Critical);
    }
}

BoxAnswer frmParvex::MsgBox(const QString& text, const QString& title, BoxIcon icon,
                            BoxButtons buttons) {
    if (held->hasEnded())
        return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    HeldEvents::Scope hold(*held);
    return platform.messageBox(this, BoxRequest{text, title, icon, buttons});
}

void frmParvex::Sleep(int ms) {
    platform.sleep(ms);
}

// Disabling a button that has the focus would hand the focus to the next
// button, where a second press of Space or Enter acts on something the
// operator never aimed at: the focus waits on the button bar instead and
// goes back once the button is enabled, if nothing else took it meanwhile.
void frmParvex::disableAction(QPushButton* button) {
    if (button->hasFocus()) {
        Picture1->setFocus(Qt::OtherFocusReason);
        focusParkedFor = button;
    }
    button->setEnabled(false);
}

void frmParvex::enableAction(QPushButton* button) {
    button->setEnabled(true);
    if (focusParkedFor != button)
        return;
    focusParkedFor = nullptr;
    if (Picture1->hasFocus())
        button->setFocus(Qt::OtherFocusReason);
}
