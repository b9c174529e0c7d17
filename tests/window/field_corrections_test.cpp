// Corrections made when the class of device and the scan fields lose the
// focus, and the two open/close sliders filling their boxes.
#include "FakePlatform.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

namespace {
// Where the slider's handle is drawn now, in the slider's coordinates.
QRect handleRect(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.tickPosition = slider->tickPosition();
    option.upsideDown = slider->orientation() == Qt::Vertical ? !slider->invertedAppearance()
                                                              : slider->invertedAppearance();
    option.subControls = QStyle::SC_All;
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                           slider);
}

// The groove at the end away from the handle.
QPoint farEndOfGroove(QSlider* slider) {
    const QRect handle = handleRect(slider);
    const int x = handle.center().x();
    return handle.center().y() < slider->height() / 2 ? QPoint(x, slider->height() - 2)
                                                      : QPoint(x, 1);
}

QStringList textsOf(const QList<QLineEdit*>& boxes) {
    QStringList texts;
    for (QLineEdit* box : boxes)
        texts << box->text();
    return texts;
}

struct SliderBoxes {
    QSlider* slider;
    QList<QLineEdit*> boxes;
    QStringList open;
};

SliderBoxes sniff(WindowUnderTest& w) {
    return {w->SniffSlider,
            {w->txtSniffMaxIntval, w->txtSniffMinIntval, w->txtAttempt, w->txtTimeout},
            {"0320", "0050", "0008", "0008"}};
}

SliderBoxes park(WindowUnderTest& w) {
    return {w->ParkSlider, {w->txtParkMaxIntval, w->txtParkMinIntval}, {"0800", "0100"}};
}

SliderBoxes sliderNamed(WindowUnderTest& w, const QString& name) {
    return name == QLatin1String("sniff") ? sniff(w) : park(w);
}

QStringList closed(const SliderBoxes& s) {
    return QStringList(s.boxes.size(), QStringLiteral("0000"));
}

void showExpanded(WindowUnderTest& w) {
    w->cmdAdvanced_Click();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
}
} // namespace

class FieldCorrectionsTest : public QObject {
    Q_OBJECT
private slots:
    void classOfDeviceIsPaddedToSixCharacters_data();
    void classOfDeviceIsPaddedToSixCharacters();
    void blankScanFieldGetsItsDefault_data();
    void blankScanFieldGetsItsDefault();
    void leavingFieldsByFocusMakesTheCorrections();
    void tabbingThroughAnEmptyScanFieldFillsItsDefault();
    void correctionsFollowTheOperatorsMovesOnly_data();
    void correctionsFollowTheOperatorsMovesOnly();
    void sliderHandlersFillTheBoxesByPosition_data();
    void sliderHandlersFillTheBoxesByPosition();
    void clickOnTheHandleWritesTheValuesAgain_data();
    void clickOnTheHandleWritesTheValuesAgain();
    void clickOnTheGrooveMovesAndFills_data();
    void clickOnTheGrooveMovesAndFills();
    void keyboardMovesFillTheBoxes_data();
    void keyboardMovesFillTheBoxes();
    void wheelOverASliderChangesNothing_data();
    void wheelOverASliderChangesNothing();
};

void FieldCorrectionsTest::classOfDeviceIsPaddedToSixCharacters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "000000";
    QTest::newRow("four digits") << "1F00"
                                 << "001F00";
    QTest::newRow("five digits") << "1F0A2"
                                 << "01F0A2";
    QTest::newRow("six digits unchanged") << "ABCDEF"
                                          << "ABCDEF";
    QTest::newRow("a space counts") << "12 4"
                                    << "0012 4";
    QTest::newRow("characters not examined") << "zz"
                                             << "0000zz";
    QTest::newRow("only spaces") << "  "
                                 << "0000  ";
    QTest::newRow("seven, set by the program, unchanged") << "1234567"
                                                          << "1234567";
}

void FieldCorrectionsTest::classOfDeviceIsPaddedToSixCharacters() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    WindowUnderTest w;
    w->txtClassOfDevice->setText(text);
    w->txtClassOfDevice_LostFocus();
    QCOMPARE(w->txtClassOfDevice->text(), expected);
    // Leaving it again changes nothing more.
    w->txtClassOfDevice_LostFocus();
    QCOMPARE(w->txtClassOfDevice->text(), expected);
}

void FieldCorrectionsTest::blankScanFieldGetsItsDefault_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const std::initializer_list<std::pair<const char*, const char*>> fields = {
        {"txtPsInterval", "0400"},
        {"txtPsWindow", "0200"},
        {"txtIsInterval", "0400"},
        {"txtIsWindow", "0200"}};
    for (const auto& [field, defaultText] : fields) {
        const QString name = QString::fromLatin1(field);
        QTest::addRow("%s empty", field) << name << "" << defaultText;
        QTest::addRow("%s spaces", field) << name << "   " << defaultText;
        QTest::addRow("%s tab", field) << name << "\t" << defaultText;
        QTest::addRow("%s spaced value kept", field) << name << " 0800 "
                                                     << " 0800 ";
        QTest::addRow("%s non-hex kept", field) << name << "xyz"
                                                << "xyz";
        QTest::addRow("%s short kept", field) << name << "1"
                                              << "1";
    }
}

void FieldCorrectionsTest::blankScanFieldGetsItsDefault() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    WindowUnderTest w;
    auto* box = w->findChild<QLineEdit*>(field);
    QVERIFY(box);
    box->setText(text);
    const std::map<QString, void (frmParvex::*)()> handlers = {
        {"txtPsInterval", &frmParvex::txtPsInterval_LostFocus},
        {"txtPsWindow", &frmParvex::txtPsWindow_LostFocus},
        {"txtIsInterval", &frmParvex::txtIsInterval_LostFocus},
        {"txtIsWindow", &frmParvex::txtIsWindow_LostFocus}};
    (w.window.get()->*handlers.at(field))();
    QCOMPARE(box->text(), expected);
    // The other scan fields are left alone.
    for (const auto& [other, handler] : handlers)
        if (other != field)
            QVERIFY2(w->findChild<QLineEdit*>(other)->text().isEmpty(), qPrintable(other));
}

void FieldCorrectionsTest::leavingFieldsByFocusMakesTheCorrections() {
    WindowUnderTest w;
    showExpanded(w);
    w->txtClassOfDevice->setFocus();
    QVERIFY(w->txtClassOfDevice->hasFocus());
    QTest::keyClicks(w->txtClassOfDevice, QStringLiteral("1F00"));
    QCOMPARE(w->txtClassOfDevice->text(), QStringLiteral("1F00"));
    w->txtPsWindow->setFocus(Qt::TabFocusReason);
    QCOMPARE(w->txtClassOfDevice->text(), QStringLiteral("001F00"));

    // Every advanced box, entered and left in turn without typing: only the
    // class of device and the scan fields correct themselves.
    const QList<QLineEdit*> boxes = w->Frame1->findChildren<QLineEdit*>();
    for (QLineEdit* box : boxes)
        box->clear();
    for (QLineEdit* box : boxes)
        box->setFocus(Qt::TabFocusReason);
    w->CmdQuery->setFocus(Qt::MouseFocusReason);
    const std::map<QString, QString> corrected = {{"txtClassOfDevice", "000000"},
                                                  {"txtPsInterval", "0400"},
                                                  {"txtPsWindow", "0200"},
                                                  {"txtIsInterval", "0400"},
                                                  {"txtIsWindow", "0200"}};
    for (QLineEdit* box : boxes) {
        const auto it = corrected.find(box->objectName());
        QCOMPARE(box->text(), it == corrected.end() ? QString() : it->second);
    }
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.boxes.shown.isEmpty());
}

void FieldCorrectionsTest::tabbingThroughAnEmptyScanFieldFillsItsDefault() {
    WindowUnderTest w;
    showExpanded(w);
    w->txtIsWindow->setFocus();
    QVERIFY(w->txtIsWindow->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(!w->txtIsWindow->hasFocus());
    QCOMPARE(w->txtIsWindow->text(), QStringLiteral("0200"));
}

void FieldCorrectionsTest::correctionsFollowTheOperatorsMovesOnly_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("corrected");
    QTest::newRow("Tab") << int(Qt::TabFocusReason) << true;
    QTest::newRow("Backtab") << int(Qt::BacktabFocusReason) << true;
    QTest::newRow("click") << int(Qt::MouseFocusReason) << true;
    QTest::newRow("access key") << int(Qt::ShortcutFocusReason) << true;
    QTest::newRow("a box or another window") << int(Qt::ActiveWindowFocusReason) << false;
    QTest::newRow("context menu") << int(Qt::PopupFocusReason) << false;
    QTest::newRow("the program") << int(Qt::OtherFocusReason) << false;
}

void FieldCorrectionsTest::correctionsFollowTheOperatorsMovesOnly() {
    QFETCH(int, reason);
    QFETCH(bool, corrected);
    WindowUnderTest w;
    w->txtClassOfDevice->setText(QStringLiteral("1F00"));
    w->txtPsWindow->setText(QStringLiteral("  "));
    for (QLineEdit* box : {w->txtClassOfDevice, w->txtPsWindow}) {
        QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
        QCoreApplication::sendEvent(box, &out);
    }
    QCOMPARE(textsOf({w->txtClassOfDevice, w->txtPsWindow}),
             corrected ? QStringList({"001F00", "0200"}) : QStringList({"1F00", "  "}));
}

void FieldCorrectionsTest::sliderHandlersFillTheBoxesByPosition_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("position");
    for (const char* slider : {"sniff", "park"})
        for (int position : {0, 1})
            QTest::addRow("%s at %d", slider, position) << QString::fromLatin1(slider) << position;
}

void FieldCorrectionsTest::sliderHandlersFillTheBoxesByPosition() {
    QFETCH(QString, slider);
    QFETCH(int, position);
    WindowUnderTest w;
    const SliderBoxes s = sliderNamed(w, slider);
    for (QLineEdit* box : s.boxes)
        box->setText(QStringLiteral("edit"));
    s.slider->setValue(position);
    QVERIFY(s.boxes.first()->text() == QStringLiteral("edit")); // moving alone fills nothing
    if (slider == QLatin1String("sniff"))
        w->SniffSlider_Click();
    else
        w->ParkSlider_Click();
    QCOMPARE(textsOf(s.boxes), position == 0 ? s.open : closed(s));
}

void FieldCorrectionsTest::clickOnTheHandleWritesTheValuesAgain_data() {
    sliderHandlersFillTheBoxesByPosition_data();
}

void FieldCorrectionsTest::clickOnTheHandleWritesTheValuesAgain() {
    QFETCH(QString, slider);
    QFETCH(int, position);
    WindowUnderTest w;
    showExpanded(w);
    const SliderBoxes s = sliderNamed(w, slider);
    s.slider->setValue(position);
    for (QLineEdit* box : s.boxes)
        box->setText(QStringLiteral("12"));
    QTest::mouseClick(s.slider, Qt::LeftButton, {}, handleRect(s.slider).center());
    QCOMPARE(s.slider->value(), position);
    QCOMPARE(textsOf(s.boxes), position == 0 ? s.open : closed(s));
}

void FieldCorrectionsTest::clickOnTheGrooveMovesAndFills_data() {
    clickOnTheHandleWritesTheValuesAgain_data();
}

void FieldCorrectionsTest::clickOnTheGrooveMovesAndFills() {
    QFETCH(QString, slider);
    QFETCH(int, position);
    WindowUnderTest w;
    showExpanded(w);
    const SliderBoxes s = sliderNamed(w, slider);
    s.slider->setValue(position);
    // Value 0 sits at the top, next to "open".
    QVERIFY((handleRect(s.slider).center().y() < s.slider->height() / 2) == (position == 0));
    QTest::mouseClick(s.slider, Qt::LeftButton, {}, farEndOfGroove(s.slider));
    QCOMPARE(s.slider->value(), 1 - position);
    QCOMPARE(textsOf(s.boxes), position == 0 ? closed(s) : s.open);
}

void FieldCorrectionsTest::keyboardMovesFillTheBoxes_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (const char* slider : {"sniff", "park"}) {
        const QString name = QString::fromLatin1(slider);
        QTest::addRow("%s down", slider) << name << int(Qt::Key_Down) << 0 << 1;
        QTest::addRow("%s up", slider) << name << int(Qt::Key_Up) << 1 << 0;
        QTest::addRow("%s end", slider) << name << int(Qt::Key_End) << 0 << 1;
        QTest::addRow("%s home", slider) << name << int(Qt::Key_Home) << 1 << 0;
        QTest::addRow("%s page down", slider) << name << int(Qt::Key_PageDown) << 0 << 1;
    }
}

void FieldCorrectionsTest::keyboardMovesFillTheBoxes() {
    QFETCH(QString, slider);
    QFETCH(int, key);
    QFETCH(int, from);
    QFETCH(int, to);
    WindowUnderTest w;
    showExpanded(w);
    const SliderBoxes s = sliderNamed(w, slider);
    s.slider->setValue(from);
    s.slider->setFocus();
    for (QLineEdit* box : s.boxes)
        box->setText(QStringLiteral("12"));
    // The boxes follow the position the key moves to, not the one it leaves.
    QTest::keyClick(s.slider, Qt::Key(key));
    QCOMPARE(s.slider->value(), to);
    QCOMPARE(textsOf(s.boxes), to == 0 ? s.open : closed(s));
}

void FieldCorrectionsTest::wheelOverASliderChangesNothing_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("from");
    for (const char* slider : {"sniff", "park"})
        for (int from : {0, 1})
            QTest::addRow("%s at %d", slider, from) << QString::fromLatin1(slider) << from;
}

void FieldCorrectionsTest::wheelOverASliderChangesNothing() {
    QFETCH(QString, slider);
    QFETCH(int, from);
    WindowUnderTest w;
    showExpanded(w);
    const SliderBoxes s = sliderNamed(w, slider);
    s.slider->setValue(from);
    for (QLineEdit* box : s.boxes)
        box->setText(QStringLiteral("12"));
    const QPointF at = handleRect(s.slider).center();
    for (int delta : {120, -120}) {
        QWheelEvent wheel(at, s.slider->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(s.slider, &wheel);
    }
    QCOMPARE(s.slider->value(), from);
    QCOMPARE(textsOf(s.boxes), QStringList(s.boxes.size(), QStringLiteral("12")));
}

QTEST_MAIN(FieldCorrectionsTest)
#include "field_corrections_test.moc"
