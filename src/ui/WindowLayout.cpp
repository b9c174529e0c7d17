// Building the window: every control with its name, caption, rows, limits,
// tooltips and colours, laid out top to bottom.
#include "TypingLimit.h"
#include "frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The port list refreshes the tooltip of each row when it opens, so it tells
// which devices are present now.
class PortComboBox : public QComboBox {
public:
    PortComboBox(std::function<void()> refreshTooltips, QWidget* parent)
        : QComboBox(parent), refreshTooltips(std::move(refreshTooltips)) {}

    void showPopup() override {
        refreshTooltips();
        QComboBox::showPopup();
    }

private:
    std::function<void()> refreshTooltips;
};

template <typename T> T* named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QLabel* label(const char* name, const QString& caption, QWidget* parent) {
    return named(new QLabel(caption, parent), name);
}

QLineEdit* textBox(const char* name, const QString& accessibleName, QWidget* parent,
                   int limit = -1) {
    auto* box = named(new QLineEdit(parent), name);
    box->setAccessibleName(accessibleName);
    if (limit > 0)
        box->setValidator(new TypingLimit(limit, box));
    return box;
}

void paintOnTooltipBackground(QLabel* label, const QColor& text) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

QSlider* twoPositionSlider(const char* name, const QString& accessibleName, QWidget* parent) {
    auto* slider = named(new QSlider(Qt::Vertical, parent), name);
    slider->setRange(0, 1);
    slider->setPageStep(1);
    // Value 0 at the top, next to "open".
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
    slider->setAccessibleName(accessibleName);
    return slider;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    return named(new QPushButton(caption, parent), name);
}
} // namespace

void frmParvex::createControls() {
    setObjectName(QStringLiteral("frmParvex"));
    setWindowTitle(QStringLiteral("Parvex2.0"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    Frame3 = named(new QGroupBox(QStringLiteral("Serial Port Parameter"), this), "Frame3");
    Label10 = label("Label10", QStringLiteral("Port Num"), Frame3);
    ComPortNum = named(new PortComboBox([this] { refreshPortTooltips(); }, Frame3), "ComPortNum");
    Label1 = label("Label1", QStringLiteral("Flow Control"), Frame3);
    ComFlowCtrl = named(new QComboBox(Frame3), "ComFlowCtrl");
    bAutoDetect =
        named(new QCheckBox(QStringLiteral("Auto Detect BaudRate"), Frame3), "bAutoDetect");
    Label11 = label("Label11", QStringLiteral("Conn BaudRate"), Frame3);
    ConnBaudRate = named(new QComboBox(Frame3), "ConnBaudRate");
    CmdConn = button("CmdConn", QStringLiteral("Connect"), Frame3);

    version = label("version", QStringLiteral("Firmware Version"), this);
    paintOnTooltipBackground(version, Qt::red);
    IsAuth = named(new QCheckBox(QStringLiteral("Encryption"), this), "IsAuth");
    Label3 = label("Label3", QStringLiteral("Password"), this);
    txtPwd = textBox("txtPwd", QStringLiteral("Password"), this, 8);
    IsMaster = named(new QCheckBox(QStringLiteral("Master"), this), "IsMaster");
    chkIsBind = named(new QCheckBox(QStringLiteral("Bind Addr"), this), "chkIsBind");
    chkIsBind->setToolTip(QString::fromUtf8(
        "绑定对方地址（即在此次连接匹配以后，将不能与其他设备连接，而只能连接该设备地址）"));
    txtMaxConnNum = textBox("txtMaxConnNum", QStringLiteral("Maximum connections"), this);
    txtMaxConnNum->setText(QStringLiteral("1"));
    Label2 = label("Label2", QStringLiteral("Baud Rate"), this);
    paramBaudRate = named(new QComboBox(this), "paramBaudRate");
    cmdAdvanced = button("cmdAdvanced", QStringLiteral(">>Advanced Setting"), this);

    Frame1 = named(new QGroupBox(QStringLiteral("Advanced Setting"), this), "Frame1");
    Label4 = label("Label4", QStringLiteral("DeviceName"), Frame1);
    txtBDName = textBox("txtBDName", QStringLiteral("DeviceName"), Frame1, 14);
    Label14 = label("Label14", QStringLiteral("Class of Device: 0x"), Frame1);
    txtClassOfDevice = textBox("txtClassOfDevice", Label14->text(), Frame1, 6);
    Label15 = label("Label15", QStringLiteral("Page Scan Interval: 0x"), Frame1);
    txtPsInterval = textBox("txtPsInterval", Label15->text(), Frame1);
    txtPsInterval->setToolTip(QStringLiteral("The interval of every conect"));
    Label19 = label("Label19", QStringLiteral("Page Scan window: 0x"), Frame1);
    txtPsWindow = textBox("txtPsWindow", Label19->text(), Frame1);
    txtPsWindow->setToolTip(QStringLiteral("The continued time of every connect"));
    Label20 = label("Label20", QStringLiteral("Inquiry Scan interval: 0x"), Frame1);
    txtIsInterval = textBox("txtIsInterval", Label20->text(), Frame1);
    txtIsInterval->setToolTip(QStringLiteral("The interval of every inquiry"));
    Label21 = label("Label21", QStringLiteral("Inquiry Scan window: 0x"), Frame1);
    txtIsWindow = textBox("txtIsWindow", Label21->text(), Frame1);
    txtIsWindow->setToolTip(QStringLiteral("The continued time of every inquiry"));

    Frame2 = named(new QGroupBox(QStringLiteral("Sniff Parameter"), Frame1), "Frame2");
    Label5 = label("Label5", QStringLiteral("Maximum:0x"), Frame2);
    txtSniffMaxIntval = textBox("txtSniffMaxIntval", QStringLiteral("Sniff Maximum:0x"), Frame2, 4);
    Label6 = label("Label6", QStringLiteral("Minimum:"), Frame2);
    txtSniffMinIntval = textBox("txtSniffMinIntval", QStringLiteral("Sniff Minimum:"), Frame2, 4);
    Label7 = label("Label7", QStringLiteral("attempt:0x"), Frame2);
    txtAttempt = textBox("txtAttempt", QStringLiteral("Sniff attempt:0x"), Frame2, 4);
    Label8 = label("Label8", QStringLiteral("timeout:0x"), Frame2);
    txtTimeout = textBox("txtTimeout", QStringLiteral("Sniff timeout:0x"), Frame2, 4);
    SniffSlider = twoPositionSlider("SniffSlider", QStringLiteral("Sniff open or close"), Frame2);
    Label16 = label("Label16", QStringLiteral("open"), Frame2);
    Label9 = label("Label9", QStringLiteral("close"), Frame2);

    Frame7 = named(new QFrame(Frame1), "Frame7");
    Frame7->setFrameShape(QFrame::VLine);
    Frame7->setFrameShadow(QFrame::Sunken);

    Frame6 = named(new QGroupBox(QStringLiteral("Park Parameter"), Frame1), "Frame6");
    Label13 = label("Label13", QStringLiteral("Maximum:0x"), Frame6);
    txtParkMaxIntval = textBox("txtParkMaxIntval", QStringLiteral("Park Maximum:0x"), Frame6);
    Label12 = label("Label12", QStringLiteral("Minimum:"), Frame6);
    txtParkMinIntval = textBox("txtParkMinIntval", QStringLiteral("Park Minimum:"), Frame6);
    ParkSlider = twoPositionSlider("ParkSlider", QStringLiteral("Park open or close"), Frame6);
    Label17 = label("Label17", QStringLiteral("open"), Frame6);
    Label18 = label("Label18", QStringLiteral("close"), Frame6);

    Picture1 = named(new QWidget(this), "Picture1");
    CmdQuery = button("CmdQuery", QStringLiteral("Inquiry(&I)"), Picture1);
    CmdSet = button("CmdSet", QStringLiteral("Set(&S)"), Picture1);
    CmdSetDefault = button("CmdSetDefault", QStringLiteral("Default(&D)"), Picture1);
    CmdClearAddr = button("CmdClearAddr", QStringLiteral("Clear(&L)"), Picture1);
    CmdClose = button("CmdClose", QStringLiteral("Close(&C)"), Picture1);
    Status = label("Status", QString(), Picture1);
    Label_retry = label("Label_retry", QString(), Picture1);
    // No accessible name of their own: a label without one is read by its
    // text and announces every new text to screen readers.
    for (QLabel* line : {Status, Label_retry})
        paintOnTooltipBackground(line, QColor(128, 128, 255));

    // Accessible names of the combo boxes and check boxes: their captions or labels.
    ComPortNum->setAccessibleName(Label10->text());
    ComFlowCtrl->setAccessibleName(Label1->text());
    ConnBaudRate->setAccessibleName(Label11->text());
    paramBaudRate->setAccessibleName(Label2->text());

    RecvTimer = named(new QTimer(this), "RecvTimer");
    RetryTimer = named(new QTimer(this), "RetryTimer");
    TimeoutTimer = named(new QTimer(this), "TimeoutTimer");
    RecvTimer->setInterval(100);
    RetryTimer->setInterval(1000);
    TimeoutTimer->setInterval(1000);
    for (QTimer* timer : {RecvTimer, RetryTimer, TimeoutTimer})
        timer->setTimerType(Qt::PreciseTimer);
}

// Each row tells the device it stands for and whether it is present now.
void frmParvex::refreshPortTooltips() {
    for (int i = 0; i < ComPortNum->count(); ++i)
        ComPortNum->setItemData(i, portRowTooltip(i + 1, platform.portNames), Qt::ToolTipRole);
}

void frmParvex::layOutControls() {
    // Serial-port frame: two rows.
    auto* serialGrid = new QGridLayout(Frame3);
    serialGrid->addWidget(Label10, 0, 0);
    serialGrid->addWidget(ComPortNum, 0, 1);
    serialGrid->addWidget(Label1, 0, 2);
    serialGrid->addWidget(ComFlowCtrl, 0, 3);
    serialGrid->addWidget(bAutoDetect, 1, 0, 1, 2);
    serialGrid->addWidget(Label11, 1, 2);
    serialGrid->addWidget(ConnBaudRate, 1, 3);
    serialGrid->addWidget(CmdConn, 0, 4, 2, 1);
    serialGrid->setColumnStretch(1, 1);
    serialGrid->setColumnStretch(3, 1);
    Label10->setBuddy(ComPortNum);
    Label1->setBuddy(ComFlowCtrl);
    Label11->setBuddy(ConnBaudRate);

    // Parameter rows, with the advanced button at their right.
    auto* parameterGrid = new QGridLayout;
    parameterGrid->addWidget(version, 0, 0, 1, 2);
    parameterGrid->addWidget(IsAuth, 0, 2);
    parameterGrid->addWidget(Label3, 0, 3);
    parameterGrid->addWidget(txtPwd, 0, 4);
    parameterGrid->addWidget(IsMaster, 1, 0);
    parameterGrid->addWidget(chkIsBind, 1, 1);
    parameterGrid->addWidget(txtMaxConnNum, 1, 2);
    parameterGrid->addWidget(Label2, 1, 3);
    parameterGrid->addWidget(paramBaudRate, 1, 4);
    parameterGrid->addWidget(cmdAdvanced, 0, 5, 2, 1);
    parameterGrid->setColumnStretch(4, 1);
    Label3->setBuddy(txtPwd);
    Label2->setBuddy(paramBaudRate);

    // Advanced section: device fields on the left, sniff | park on the right.
    auto* deviceGrid = new QGridLayout;
    const std::initializer_list<std::pair<QLabel*, QLineEdit*>> deviceRows = {
        {Label4, txtBDName},    {Label14, txtClassOfDevice}, {Label15, txtPsInterval},
        {Label19, txtPsWindow}, {Label20, txtIsInterval},    {Label21, txtIsWindow}};
    int row = 0;
    for (const auto& [caption, box] : deviceRows) {
        deviceGrid->addWidget(caption, row, 0);
        deviceGrid->addWidget(box, row++, 1);
        caption->setBuddy(box);
    }
    deviceGrid->setRowStretch(row, 1);

    auto layOutSwitchFrame = [](QGroupBox* frame,
                                std::initializer_list<std::pair<QLabel*, QLineEdit*>> rows,
                                QSlider* slider, QLabel* open, QLabel* close) {
        auto* grid = new QGridLayout(frame);
        int r = 0;
        for (const auto& [caption, box] : rows) {
            grid->addWidget(caption, r, 0);
            grid->addWidget(box, r++, 1);
            caption->setBuddy(box);
        }
        grid->setRowStretch(r, 1);
        auto* switchColumn = new QVBoxLayout;
        switchColumn->addWidget(open, 0, Qt::AlignHCenter);
        switchColumn->addWidget(slider, 1, Qt::AlignHCenter);
        switchColumn->addWidget(close, 0, Qt::AlignHCenter);
        grid->addLayout(switchColumn, 0, 2, std::max(r, 1) + 1, 1);
    };
    layOutSwitchFrame(Frame2,
                      {{Label5, txtSniffMaxIntval},
                       {Label6, txtSniffMinIntval},
                       {Label7, txtAttempt},
                       {Label8, txtTimeout}},
                      SniffSlider, Label16, Label9);
    layOutSwitchFrame(Frame6, {{Label13, txtParkMaxIntval}, {Label12, txtParkMinIntval}},
                      ParkSlider, Label17, Label18);

    auto* advancedRow = new QHBoxLayout(Frame1);
    advancedRow->addLayout(deviceGrid);
    advancedRow->addWidget(Frame2);
    advancedRow->addWidget(Frame7);
    advancedRow->addWidget(Frame6);

    // Button bar, with the status line and the attempt counter below the buttons.
    auto* bar = new QGridLayout(Picture1);
    bar->setContentsMargins(0, 0, 0, 0);
    int column = 0;
    for (QPushButton* b : {CmdQuery, CmdSet, CmdSetDefault, CmdClearAddr, CmdClose})
        bar->addWidget(b, 0, column++);
    bar->addWidget(Status, 1, 0, 1, 4);
    bar->addWidget(Label_retry, 1, 4);
    Status->setMinimumWidth(Status->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 24);

    auto* window = new QVBoxLayout(this);
    window->setSizeConstraint(QLayout::SetFixedSize);
    window->addWidget(Frame3);
    window->addLayout(parameterGrid);
    window->addWidget(Frame1);
    window->addWidget(Picture1);
}

void frmParvex::setTabOrderByPosition() {
    // Top to bottom, left to right; a control that spans two rows comes
    // after both, and each group of the advanced section is gone through
    // before the next one.
    const QList<QWidget*> order = {
        ComPortNum,    ComFlowCtrl,   bAutoDetect, ConnBaudRate,      CmdConn,
        IsAuth,        txtPwd,        IsMaster,    chkIsBind,         txtMaxConnNum,
        paramBaudRate, cmdAdvanced,   txtBDName,   txtClassOfDevice,  txtPsInterval,
        txtPsWindow,   txtIsInterval, txtIsWindow, txtSniffMaxIntval, txtSniffMinIntval,
        txtAttempt,    txtTimeout,    SniffSlider, txtParkMaxIntval,  txtParkMinIntval,
        ParkSlider,    CmdQuery,      CmdSet,      CmdSetDefault,     CmdClearAddr,
        CmdClose};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmParvex::connectHandlers() {
    connect(CmdConn, &QPushButton::clicked, this, &frmParvex::CmdConn_Click);
    connect(bAutoDetect, &QCheckBox::clicked, this, &frmParvex::bAutoDetect_Click);
    connect(cmdAdvanced, &QPushButton::clicked, this, &frmParvex::cmdAdvanced_Click);
    connect(CmdQuery, &QPushButton::clicked, this, &frmParvex::CmdQuery_Click);
    connect(CmdSet, &QPushButton::clicked, this, &frmParvex::CmdSet_Click);
    connect(CmdSetDefault, &QPushButton::clicked, this, &frmParvex::CmdSetDefault_Click);
    connect(CmdClearAddr, &QPushButton::clicked, this, &frmParvex::CmdClearAddr_Click);
    connect(CmdClose, &QPushButton::clicked, this, &frmParvex::CmdClose_Click);
    connect(RecvTimer, &QTimer::timeout, this, &frmParvex::RecvTimer_Timer);
    connect(RetryTimer, &QTimer::timeout, this, &frmParvex::RetryTimer_Timer);
    connect(TimeoutTimer, &QTimer::timeout, this, &frmParvex::TimeoutTimer_Timer);
    connect(MSComm1, &SerialPortControl::OnComm, this, &frmParvex::MSComm1_OnComm);

    // A click on the handle, a click on the groove or a key: the slider's
    // position after the operator's action decides.
    connect(SniffSlider, &QSlider::actionTriggered, this, [this] { SniffSlider_Click(); });
    connect(SniffSlider, &QSlider::sliderReleased, this, &frmParvex::SniffSlider_Click);
    connect(ParkSlider, &QSlider::actionTriggered, this, [this] { ParkSlider_Click(); });
    connect(ParkSlider, &QSlider::sliderReleased, this, &frmParvex::ParkSlider_Click);

    for (QObject* watched :
         std::initializer_list<QObject*>{txtClassOfDevice, txtPsInterval, txtPsWindow,
                                         txtIsInterval, txtIsWindow, SniffSlider, ParkSlider})
        watched->installEventFilter(this);
}

namespace {
// The operator moving on to another control of the window; not the window
// losing activation (a box, another window) nor a popup opening.
bool operatorMovedOn(const QEvent* event) {
    switch (static_cast<const QFocusEvent*>(event)->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    default:
        return false;
    }
}
} // namespace

bool frmParvex::eventFilter(QObject* watched, QEvent* event) {
    // The wheel turning over a slider would overwrite the boxes unasked.
    if (event->type() == QEvent::Wheel && (watched == SniffSlider || watched == ParkSlider))
        return true;
    if (event->type() == QEvent::FocusOut && operatorMovedOn(event)) {
        if (watched == txtClassOfDevice)
            txtClassOfDevice_LostFocus();
        else if (watched == txtPsInterval)
            txtPsInterval_LostFocus();
        else if (watched == txtPsWindow)
            txtPsWindow_LostFocus();
        else if (watched == txtIsInterval)
            txtIsInterval_LostFocus();
        else if (watched == txtIsWindow)
            txtIsWindow_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}
