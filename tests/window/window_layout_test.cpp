// The window as it is built: every control's caption, rows, state, limits,
// tooltips, colours and names, the timers, the advanced section, and captions
// that fit their controls.
#include "WindowHelpers.h"
#include "ui/TypingLimit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryFile>
#include <QtTest>

namespace {
QString captionOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    return QStringLiteral("<no caption>");
}

QStringList rowsOf(const QComboBox* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->itemText(i);
    return rows;
}

// Lets the layout resize the window after the advanced section changed.
void settle(QWidget* window) {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    window->layout()->activate();
    QCoreApplication::processEvents();
}

QStringList clippedCaptions(QWidget* window) {
    QStringList clipped;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const bool captioned = qobject_cast<QLabel*>(control) ||
                               qobject_cast<QPushButton*>(control) ||
                               qobject_cast<QCheckBox*>(control);
        if (!captioned || !control->isVisibleTo(window))
            continue;
        const QSize wanted = control->sizeHint();
        if (wanted.width() > control->width() || wanted.height() > control->height())
            clipped << QStringLiteral("%1 \"%2\": wants %3x%4, has %5x%6")
                           .arg(control->objectName(), captionOf(control))
                           .arg(wanted.width())
                           .arg(wanted.height())
                           .arg(control->width())
                           .arg(control->height());
    }
    return clipped;
}
} // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void controlCaptions_data();
    void controlCaptions();
    void listRowsAndSelection();
    void initialStateAfterLoad();
    void typingLimits_data();
    void typingLimits();
    void textSetByTheProgramIsKeptWhole();
    void typedTextStopsAtTheLimit();
    void editsUnderTheTypingLimit_data();
    void editsUnderTheTypingLimit();
    void tooltips();
    void portRowTooltipsTellTheDeviceAndWhetherItIsPresent();
    void coloursOfVersionAndStatusLines();
    void accessibleNames_data();
    void accessibleNames();
    void timers();
    void showStatusReplacesTheLine();
    void advancedSectionExpandsAndCollapses();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
};

void WindowLayoutTest::controlCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const std::initializer_list<std::pair<const char*, const char*>> captions = {
        {"Frame3", "Serial Port Parameter"},
        {"Label10", "Port Num"},
        {"Label1", "Flow Control"},
        {"bAutoDetect", "Auto Detect BaudRate"},
        {"Label11", "Conn BaudRate"},
        {"CmdConn", "Connect"},
        {"version", "Firmware Version"},
        {"IsAuth", "Encryption"},
        {"Label3", "Password"},
        {"IsMaster", "Master"},
        {"chkIsBind", "Bind Addr"},
        {"Label2", "Baud Rate"},
        {"cmdAdvanced", ">>Advanced Setting"},
        {"Frame1", "Advanced Setting"},
        {"Label4", "DeviceName"},
        {"Label14", "Class of Device: 0x"},
        {"Label15", "Page Scan Interval: 0x"},
        {"Label19", "Page Scan window: 0x"},
        {"Label20", "Inquiry Scan interval: 0x"},
        {"Label21", "Inquiry Scan window: 0x"},
        {"Frame2", "Sniff Parameter"},
        {"Frame6", "Park Parameter"},
        {"Label5", "Maximum:0x"},
        {"Label6", "Minimum:"},
        {"Label7", "attempt:0x"},
        {"Label8", "timeout:0x"},
        {"Label16", "open"},
        {"Label9", "close"},
        {"Label13", "Maximum:0x"},
        {"Label12", "Minimum:"},
        {"Label17", "open"},
        {"Label18", "close"},
        {"CmdQuery", "Inquiry(&I)"},
        {"CmdSet", "Set(&S)"},
        {"CmdSetDefault", "Default(&D)"},
        {"CmdClearAddr", "Clear(&L)"},
        {"CmdClose", "Close(&C)"},
        {"Label_retry", ""},
    };
    for (const auto& [name, caption] : captions)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption);
}

void WindowLayoutTest::controlCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    WindowUnderTest w;
    QCOMPARE(w->windowTitle(), QStringLiteral("Parvex2.0"));
    auto* control = w->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(captionOf(control), caption);
}

void WindowLayoutTest::listRowsAndSelection() {
    WindowUnderTest w;
    QStringList ports;
    for (int row = 1; row <= 12; ++row)
        ports << QStringLiteral("COM%1").arg(row);
    QCOMPARE(rowsOf(w->ComPortNum), ports);
    QCOMPARE(w->ComPortNum->currentText(), QStringLiteral("COM1"));
    QCOMPARE(rowsOf(w->ComFlowCtrl), (QStringList{"Xon/Xoff", "Hardware", "None"}));
    QCOMPARE(w->ComFlowCtrl->currentIndex(), 1);
    QCOMPARE(rowsOf(w->ConnBaudRate),
             (QStringList{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(w->ConnBaudRate->currentText(), QStringLiteral("115200"));
    QCOMPARE(rowsOf(w->paramBaudRate), (QStringList{"No Change", "1200", "2400", "4800", "9600",
                                                    "19200", "38400", "57600", "115200"}));
    QCOMPARE(w->paramBaudRate->currentText(), QStringLiteral("115200"));
    // Choice from the rows only.
    for (QComboBox* list : {w->ComPortNum, w->ComFlowCtrl, w->ConnBaudRate, w->paramBaudRate})
        QVERIFY2(!list->isEditable(), qPrintable(list->objectName()));
}

void WindowLayoutTest::initialStateAfterLoad() {
    WindowUnderTest w;
    QCOMPARE(w->Status->text(), QStringLiteral("    Ready"));
    QVERIFY(w->bAutoDetect->isChecked());
    QVERIFY(w->bAutoDetect->isEnabled());
    QVERIFY(!w->ConnBaudRate->isEnabled());
    QCOMPARE(w->txtMaxConnNum->text(), QStringLiteral("1"));
    QVERIFY(!w->txtMaxConnNum->isEnabled());
    for (QCheckBox* box : {w->IsAuth, w->IsMaster, w->chkIsBind})
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
        if (box == w->txtMaxConnNum)
            continue;
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY2(box->isEnabled(), qPrintable(box->objectName()));
    }
    for (QPushButton* button : w->findChildren<QPushButton*>())
        QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    for (QSlider* slider : {w->SniffSlider, w->ParkSlider}) {
        QCOMPARE(slider->orientation(), Qt::Vertical);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 1);
        QCOMPARE(slider->value(), 0);
    }
    QVERIFY(w->Frame1->isHidden());
    QVERIFY(!w->AdvancedShown);

    QCOMPARE(w->receiver.RecvState, FrameReassembler::Hunting);
    QCOMPARE(w->BaudFound, frmParvex::False);
    QCOMPARE(w->QueryActive, frmParvex::False);
    QCOMPARE(w->SetActive, frmParvex::False);
    QCOMPARE(w->CurCmdType, uint8_t(0));
    QVERIFY(w->CurCmdParam.isEmpty());
    QCOMPARE(w->RetryCount, int16_t(0));
    QCOMPARE(w->BaudParam, (std::array<uint8_t, 2>{{0, 0}}));
    QVERIFY(w->DetectBaud.isEmpty());

    // Loading neither opens the port nor sends anything.
    QVERIFY(!w.port->open);
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
    QVERIFY(w.boxes.shown.isEmpty());
}

void WindowLayoutTest::typingLimits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit");
    const std::initializer_list<std::pair<const char*, int>> limits = {
        {"txtPwd", 8},
        {"txtBDName", 14},
        {"txtClassOfDevice", 6},
        {"txtSniffMaxIntval", 4},
        {"txtSniffMinIntval", 4},
        {"txtAttempt", 4},
        {"txtTimeout", 4},
        {"txtParkMaxIntval", -1},
        {"txtParkMinIntval", -1},
        {"txtPsInterval", -1},
        {"txtPsWindow", -1},
        {"txtIsInterval", -1},
        {"txtIsWindow", -1},
        {"txtMaxConnNum", -1},
    };
    for (const auto& [name, limit] : limits)
        QTest::newRow(name) << QString::fromLatin1(name) << limit;
}

void WindowLayoutTest::typingLimits() {
    QFETCH(QString, name);
    QFETCH(int, limit);
    WindowUnderTest w;
    auto* box = w->findChild<QLineEdit*>(name);
    QVERIFY(box);
    QCOMPARE(typingLimitOf(box), limit);
    QCOMPARE(w->findChildren<QLineEdit*>().size(), 14);
}

void WindowLayoutTest::textSetByTheProgramIsKeptWhole() {
    WindowUnderTest w;
    const QString longText = QStringLiteral("0123456789ABCDEFGHIJ");
    for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
        box->setText(longText);
        QCOMPARE(box->text(), longText);
    }
    // A nine-character password read from the module stays whole, and the
    // operator can still shorten it.
    w->txtPwd->setText(QStringLiteral("123456789"));
    QCOMPARE(w->txtPwd->text(), QStringLiteral("123456789"));
    w->txtPwd->setFocus();
    QTest::keyClick(w->txtPwd, Qt::Key_End);
    QTest::keyClick(w->txtPwd, Qt::Key_X);
    QCOMPARE(w->txtPwd->text(), QStringLiteral("123456789"));
    QTest::keyClick(w->txtPwd, Qt::Key_Backspace);
    QCOMPARE(w->txtPwd->text(), QStringLiteral("12345678"));
    QTest::keyClick(w->txtPwd, Qt::Key_Y);
    QCOMPARE(w->txtPwd->text(), QStringLiteral("12345678"));

    // The same after the operator has edited the box before.
    w->txtSniffMaxIntval->clear();
    QTest::keyClicks(w->txtSniffMaxIntval, QStringLiteral("12"));
    w->txtSniffMaxIntval->setText(QStringLiteral("ABCDE"));
    QCOMPARE(w->txtSniffMaxIntval->text(), QStringLiteral("ABCDE"));
    QTest::keyClicks(w->txtSniffMaxIntval, QStringLiteral("F"));
    QCOMPARE(w->txtSniffMaxIntval->text(), QStringLiteral("ABCDE"));
}

void WindowLayoutTest::typedTextStopsAtTheLimit() {
    WindowUnderTest w;
    const QString typed = QStringLiteral("0123456789ABCDEFGHIJ");
    for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
        if (!box->isEnabled())
            continue;
        QTest::keyClicks(box, typed);
        const int limit = typingLimitOf(box);
        QCOMPARE(box->text(), limit < 0 ? typed : typed.left(limit));
    }
}

// Operations: "program:T" sets T as the program does, "type:T" types T,
// "paste:T" inserts T as a paste does, "select:S+N" selects N characters from
// S, "home", "end", "bs" (Backspace) and "del".
void WindowLayoutTest::editsUnderTheTypingLimit_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QString>("text");
    // Where typing goes on: after the last character the edit kept.
    QTest::addColumn<int>("cursor");
    const QString name17 = QStringLiteral("program:ABCDEFGHIJKLMNOPQ");
    QTest::newRow("long name shortened key by key")
        << "txtBDName" << QStringList{name17, "end", "bs", "bs", "bs", "bs"} << "ABCDEFGHIJKLM"
        << 13;
    QTest::newRow("long name shortened from the start")
        << "txtBDName" << QStringList{name17, "home", "del", "del"} << "CDEFGHIJKLMNOPQ" << 0;
    QTest::newRow("long password, selection overtyped")
        << "txtPwd" << QStringList{"program:123456789012", "select:0+4", "type:X"} << "X56789012"
        << 1;
    QTest::newRow("long name, typing at the end refused")
        << "txtBDName" << QStringList{name17, "end", "type:R"} << "ABCDEFGHIJKLMNOPQ" << 17;
    QTest::newRow("paste cut to what fits")
        << "txtPwd" << QStringList{"type:ABCD", "home", "paste:123456"} << "1234ABCD" << 4;
    QTest::newRow("paste over a selection")
        << "txtPwd" << QStringList{"type:ABCDEFGH", "select:2+2", "paste:123456"} << "AB12EFGH"
        << 4;
    QTest::newRow("paste into a long text keeps its length")
        << "txtBDName" << QStringList{name17, "home", "paste:xyz"} << "ABCDEFGHIJKLMNOPQ" << 0;
}

void WindowLayoutTest::editsUnderTheTypingLimit() {
    QFETCH(QString, box);
    QFETCH(QStringList, operations);
    QFETCH(QString, text);
    QFETCH(int, cursor);
    WindowUnderTest w;
    auto* edit = w->findChild<QLineEdit*>(box);
    for (const QString& operation : operations) {
        const QString argument = operation.section(QLatin1Char(':'), 1);
        if (operation.startsWith(QLatin1String("program:")))
            edit->setText(argument);
        else if (operation.startsWith(QLatin1String("type:")))
            QTest::keyClicks(edit, argument);
        else if (operation.startsWith(QLatin1String("paste:")))
            edit->insert(argument);
        else if (operation.startsWith(QLatin1String("select:")))
            edit->setSelection(argument.section(QLatin1Char('+'), 0, 0).toInt(),
                               argument.section(QLatin1Char('+'), 1).toInt());
        else
            QTest::keyClick(edit, operation == QLatin1String("home")  ? Qt::Key_Home
                                  : operation == QLatin1String("end") ? Qt::Key_End
                                  : operation == QLatin1String("bs")  ? Qt::Key_Backspace
                                                                      : Qt::Key_Delete);
    }
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->cursorPosition(), cursor);
}

void WindowLayoutTest::tooltips() {
    WindowUnderTest w;
    QCOMPARE(w->chkIsBind->toolTip(),
             QString::fromUtf8("绑定对方地址（即在此次连接匹配以后，将不能与其他设备连接，"
                               "而只能连接该设备地址）"));
    QCOMPARE(w->txtPsInterval->toolTip(), QStringLiteral("The interval of every conect"));
    QCOMPARE(w->txtPsWindow->toolTip(), QStringLiteral("The continued time of every connect"));
    QCOMPARE(w->txtIsInterval->toolTip(), QStringLiteral("The interval of every inquiry"));
    QCOMPARE(w->txtIsWindow->toolTip(), QStringLiteral("The continued time of every inquiry"));
}

void WindowLayoutTest::portRowTooltipsTellTheDeviceAndWhetherItIsPresent() {
    QTemporaryFile present;
    QVERIFY(present.open());
    const QString missing = QStringLiteral("/dev/no-such-serial-device-for-the-test");
    WindowUnderTest w(PortNames{{1, present.fileName()}, {2, missing}});
    const QString first = w->ComPortNum->itemData(0, Qt::ToolTipRole).toString();
    const QString second = w->ComPortNum->itemData(1, Qt::ToolTipRole).toString();
    QVERIFY2(first.contains(present.fileName()), qPrintable(first));
    QVERIFY2(first.contains(QStringLiteral("present")), qPrintable(first));
    QVERIFY2(!first.contains(QStringLiteral("not present")), qPrintable(first));
    QVERIFY2(second.contains(missing), qPrintable(second));
    QVERIFY2(second.contains(QStringLiteral("not present")), qPrintable(second));
    for (int row = 0; row < w->ComPortNum->count(); ++row)
        QVERIFY2(!w->ComPortNum->itemData(row, Qt::ToolTipRole).toString().isEmpty(),
                 qPrintable(w->ComPortNum->itemText(row)));
}

void WindowLayoutTest::coloursOfVersionAndStatusLines() {
    WindowUnderTest w;
    const QColor tooltipBackground = QApplication::palette().color(QPalette::ToolTipBase);
    struct Expected {
        QLabel* label;
        QColor text;
    };
    for (const Expected& e :
         {Expected{w->version, QColor(Qt::red)}, Expected{w->Status, QColor(128, 128, 255)},
          Expected{w->Label_retry, QColor(128, 128, 255)}}) {
        const QString name = e.label->objectName();
        QCOMPARE(e.label->palette().color(QPalette::WindowText), e.text);
        QVERIFY2(e.label->autoFillBackground(), qPrintable(name));
        QCOMPARE(e.label->palette().color(e.label->backgroundRole()), tooltipBackground);
    }
}

void WindowLayoutTest::accessibleNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessibleName");
    const std::initializer_list<std::pair<const char*, const char*>> names = {
        {"ComPortNum", "Port Num"},
        {"ComFlowCtrl", "Flow Control"},
        {"ConnBaudRate", "Conn BaudRate"},
        {"txtPwd", "Password"},
        {"txtMaxConnNum", "Maximum connections"},
        {"paramBaudRate", "Baud Rate"},
        {"txtBDName", "DeviceName"},
        {"txtClassOfDevice", "Class of Device: 0x"},
        {"txtPsInterval", "Page Scan Interval: 0x"},
        {"txtPsWindow", "Page Scan window: 0x"},
        {"txtIsInterval", "Inquiry Scan interval: 0x"},
        {"txtIsWindow", "Inquiry Scan window: 0x"},
        {"txtSniffMaxIntval", "Sniff Maximum:0x"},
        {"txtSniffMinIntval", "Sniff Minimum:"},
        {"txtAttempt", "Sniff attempt:0x"},
        {"txtTimeout", "Sniff timeout:0x"},
        {"txtParkMaxIntval", "Park Maximum:0x"},
        {"txtParkMinIntval", "Park Minimum:"},
    };
    for (const auto& [name, accessible] : names)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(accessible);
}

void WindowLayoutTest::accessibleNames() {
    QFETCH(QString, name);
    QFETCH(QString, accessibleName);
    WindowUnderTest w;
    auto* control = w->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->accessibleName(), accessibleName);
    // The sliders carry a name of their own too.
    QVERIFY(!w->SniffSlider->accessibleName().isEmpty());
    QVERIFY(!w->ParkSlider->accessibleName().isEmpty());
}

void WindowLayoutTest::timers() {
    FakeClock clock;
    Platform platform;
    platform.port = std::make_unique<FakePort>(clock);
    platform.sleep = [](int) {};
    platform.messageBox = [](QWidget*, const BoxRequest&) { return BoxAnswer::Ok; };
    frmParvex window(std::move(platform));

    struct Expected {
        QTimer* timer;
        int interval;
        bool running;
    };
    for (const Expected& e :
         {Expected{window.RecvTimer, 100, true}, Expected{window.RetryTimer, 1000, false},
          Expected{window.TimeoutTimer, 1000, false}}) {
        const QString name = e.timer->objectName();
        QCOMPARE(e.timer->interval(), e.interval);
        QCOMPARE(e.timer->timerType(), Qt::PreciseTimer);
        QVERIFY2(e.timer->isActive() == e.running, qPrintable(name));
    }
}

void WindowLayoutTest::showStatusReplacesTheLine() {
    WindowUnderTest w;
    w->ShowStatus(QStringLiteral("Port open succeed!"));
    QCOMPARE(w->Status->text(), QStringLiteral("    Port open succeed!"));
    w->ShowStatus(QStringLiteral("x"));
    QCOMPARE(w->Status->text(), QStringLiteral("    x"));
    w->ShowStatus(QString());
    QCOMPARE(w->Status->text(), QStringLiteral("    "));
}

void WindowLayoutTest::advancedSectionExpandsAndCollapses() {
    WindowUnderTest w;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    settle(w.window.get());
    const int collapsedHeight = w->height();
    const QList<QLineEdit*> advancedBoxes = w->Frame1->findChildren<QLineEdit*>();
    QCOMPARE(advancedBoxes.size(), 12);
    for (QLineEdit* box : advancedBoxes)
        box->setText(box->objectName());
    w->SniffSlider->setValue(1);

    QTest::mouseClick(w->cmdAdvanced, Qt::LeftButton);
    settle(w.window.get());
    QVERIFY(w->AdvancedShown);
    QCOMPARE(w->cmdAdvanced->text(), QStringLiteral("<<Advanced Setting"));
    QVERIFY(w->Frame1->isVisible());
    QVERIFY2(w->height() > collapsedHeight,
             qPrintable(QStringLiteral("%1 -> %2").arg(collapsedHeight).arg(w->height())));
    // The section sits between the parameter rows and the button bar.
    QVERIFY(w->Frame1->geometry().top() > w->paramBaudRate->geometry().bottom());
    QVERIFY(w->Picture1->geometry().top() > w->Frame1->geometry().bottom());
    QVERIFY(w->Picture1->geometry().bottom() <= w->height());

    QTest::mouseClick(w->cmdAdvanced, Qt::LeftButton);
    settle(w.window.get());
    QVERIFY(!w->AdvancedShown);
    QCOMPARE(w->cmdAdvanced->text(), QStringLiteral(">>Advanced Setting"));
    QVERIFY(w->Frame1->isHidden());
    QCOMPARE(w->height(), collapsedHeight);
    QVERIFY(w->Picture1->geometry().bottom() <= w->height());

    for (QLineEdit* box : advancedBoxes) {
        QCOMPARE(box->text(), box->objectName());
        QVERIFY2(box->isEnabled(), qPrintable(box->objectName()));
    }
    QCOMPARE(w->SniffSlider->value(), 1);
    // Only the section changes: nothing sent, nothing else written.
    QVERIFY(w.port->written.isEmpty());
    QCOMPARE(w->Status->text(), QStringLiteral("    Ready"));
}

void WindowLayoutTest::captionsFitTheirControls_data() {
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<int>("fontScale");
    QTest::newRow("collapsed") << false << 1;
    QTest::newRow("expanded") << true << 1;
    QTest::newRow("collapsed, double-size font") << false << 2;
    QTest::newRow("expanded, double-size font") << true << 2;
}

void WindowLayoutTest::captionsFitTheirControls() {
    QFETCH(bool, expanded);
    QFETCH(int, fontScale);
    const QFont original = QApplication::font();
    QFont font = original;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * fontScale);
    else
        font.setPixelSize(font.pixelSize() * fontScale);
    QApplication::setFont(font);
    auto restoreFont = qScopeGuard([&] { QApplication::setFont(original); });

    WindowUnderTest w;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    if (expanded)
        w->cmdAdvanced_Click();
    settle(w.window.get());
    // Texts the program puts on the line while the window is open.
    w->version->setText(QStringLiteral("V2.0.1 2009-05-12"));
    w->Label_retry->setText(QStringLiteral("Attempt number:2"));
    settle(w.window.get());
    const QStringList clipped = clippedCaptions(w.window.get());
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    // Every control of the visible part lies inside the window.
    for (QWidget* control : w->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(w.window.get()))
            continue;
        const QRect inWindow(control->mapTo(w.window.get(), QPoint()), control->size());
        QVERIFY2(w->rect().contains(inWindow), qPrintable(control->objectName()));
    }
}

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
