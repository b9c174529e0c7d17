// The window used from the keyboard alone and through the accessibility
// interfaces: names, tab order, access keys, status announcements.
#include "FakePlatform.h"
#include "ScriptedModule.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

namespace {
QList<QPair<QObject*, QAccessible::Event>> announced;

void recordAnnouncement(QAccessibleEvent* event) {
    announced.append({event->object(), event->type()});
}

// On Linux a combo box's accessible name is its current row; the name of
// what it sets is its accessibleName.
QString accessibleName(QWidget* widget) {
    if (qobject_cast<QComboBox*>(widget))
        return widget->accessibleName();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

bool takesTabFocus(QWidget* w) {
    return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
}

// The part of the window a control belongs to, numbered in reading order:
// each part is gone through before the next, and within a part the order
// follows the rows.
int sectionOf(frmParvex& window, QWidget* w) {
    if (window.Frame3->isAncestorOf(w))
        return 0;
    if (window.Frame2->isAncestorOf(w))
        return 3;
    if (window.Frame6->isAncestorOf(w))
        return 4;
    if (window.Frame1->isAncestorOf(w))
        return 2;
    if (window.Picture1->isAncestorOf(w))
        return 5;
    return 1;
}

// Next comes to the right on the same row, or on a lower row.
bool followsReadingOrder(QWidget* current, QWidget* next) {
    const QRect a(current->mapTo(current->window(), QPoint()), current->size());
    const QRect b(next->mapTo(next->window(), QPoint()), next->size());
    const bool lowerRow = b.center().y() > a.bottom();
    const bool sameRow = b.top() <= a.bottom() && b.bottom() >= a.top();
    return lowerRow || (sameRow && b.left() > a.left());
}

// Lets the module's answers in until the status line reads text.
bool pumpUntilStatus(WindowUnderTest& w, const QString& text) {
    for (int i = 0; i < 40 && w.status() != text; ++i)
        w->RecvDataSub();
    return w.status() == text;
}
} // namespace

class KeyboardAccessTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ParamSnapshot.clear(); }

    void everyControlHasAnAccessibleName() {
        WindowUnderTest w;
        w->cmdAdvanced_Click();
        QStringList unnamed;
        for (QWidget* control : w->findChildren<QWidget*>()) {
            const bool operable =
                qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                qobject_cast<QAbstractButton*>(control) || qobject_cast<QSlider*>(control);
            if (operable && !control->objectName().isEmpty() &&
                accessibleName(control).trimmed().isEmpty())
                unnamed << control->objectName();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(' '))));
        QCOMPARE(accessibleName(w->txtSniffMaxIntval), QStringLiteral("Sniff Maximum:0x"));
        QCOMPARE(accessibleName(w->txtParkMaxIntval), QStringLiteral("Park Maximum:0x"));
        QCOMPARE(accessibleName(w->txtMaxConnNum), QStringLiteral("Maximum connections"));
        QCOMPARE(accessibleName(w->ComPortNum), QStringLiteral("Port Num"));
    }

    void statusChangeIsAnnounced() {
        WindowUnderTest w;
        // Qt hands accessibility events on only while a screen reader is
        // attached; this stands in for one.
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        announced.clear();
        const auto previous = QAccessible::installUpdateHandler(recordAnnouncement);
        QSignalSpy shown(w.window.get(), &frmParvex::statusShown);
        w->ShowStatus(QStringLiteral("Port open succeed!"));
        QAccessible::installUpdateHandler(previous);
        QCOMPARE(shown.size(), 1);
        QVERIFY(announced.contains({w->Status, QAccessible::NameChanged}));
        QCOMPARE(accessibleName(w->Status), QStringLiteral("    Port open succeed!"));
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(w->Status);
        QVERIFY(status);
        QCOMPARE(status->role(), QAccessible::StaticText);
    }

    void tabOrderFollowsTheWindow() {
        WindowUnderTest w;
        w->show();
        w->cmdAdvanced_Click();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QList<QWidget*> chain;
        QWidget* widget = w->ComPortNum;
        do {
            if (takesTabFocus(widget))
                chain << widget;
            widget = widget->nextInFocusChain();
        } while (widget != w->ComPortNum);
        QCOMPARE(chain.first(), w->ComPortNum);
        QCOMPARE(chain.last(), w->CmdClose);
        QVERIFY(chain.contains(w->txtIsWindow));
        for (qsizetype i = 1; i < chain.size(); ++i) {
            const int from = sectionOf(*w.window, chain[i - 1]);
            const int to = sectionOf(*w.window, chain[i]);
            const bool ordered =
                to == from ? followsReadingOrder(chain[i - 1], chain[i]) : to > from;
            QVERIFY2(ordered, qPrintable(chain[i - 1]->objectName() + QStringLiteral(" -> ") +
                                         chain[i]->objectName()));
        }
    }

    void accessKeysPressTheirButtons() {
        WindowUnderTest w;
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        // A button pressed by its access key clicks a moment later.
        QTest::keyClick(w.window.get(), Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(w->txtBDName->text(), QStringLiteral("KAVRO5190"));
        for (const Qt::Key key : {Qt::Key_I, Qt::Key_S, Qt::Key_L}) {
            const qsizetype before = w.boxes.shown.size();
            QTest::keyClick(w.window.get(), key, Qt::AltModifier);
            QTRY_COMPARE(w.boxes.shown.size(), before + 1);
        }
        QCOMPARE(w.boxes.texts(), QStringList({QStringLiteral("Port is not opened！"),
                                               QStringLiteral("Serial port is not opened！"),
                                               QStringLiteral("Serial port is not opened！")}));
    }

    // A button that disables itself keeps a second press of Space from
    // landing on the next button, and gets the focus back when enabled,
    // unless the operator moved it meanwhile.
    void focusOfAButtonThatDisablesItself_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("operatorMovesOn");
        QTest::newRow("Set") << "CmdSet" << false;
        QTest::newRow("Inquiry") << "CmdQuery" << false;
        QTest::newRow("Inquiry, then a click into a field") << "CmdQuery" << true;
    }

    void focusOfAButtonThatDisablesItself() {
        QFETCH(QString, button);
        QFETCH(bool, operatorMovesOn);
        WindowUnderTest w;
        ScriptedModule module(*w.port);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        w.connectWithoutDetection();
        QVERIFY(pumpUntilStatus(w, QStringLiteral("Query complete！")));
        w->txtPwd->setText(QStringLiteral("2468"));
        auto* pressed = w->findChild<QPushButton*>(button);
        pressed->setFocus(Qt::TabFocusReason);
        QList<QWidget*> focusWhileBusy;
        const auto moduleAnswers = w.port->onOutput;
        w.port->onOutput = [&, moduleAnswers](const QByteArray& frame) {
            focusWhileBusy << QApplication::focusWidget();
            moduleAnswers(frame);
        };

        QTest::keyClick(pressed, Qt::Key_Space);
        if (operatorMovesOn)
            w->txtPwd->setFocus(Qt::MouseFocusReason);
        QVERIFY(pumpUntilStatus(w, button == QLatin1String("CmdSet") ? "Set password succeed"
                                                                     : "Query complete！"));

        QVERIFY(!focusWhileBusy.isEmpty());
        for (QWidget* focus : focusWhileBusy)
            QVERIFY(focus != w->CmdSetDefault && focus != w->CmdClearAddr);
        QCOMPARE(QApplication::focusWidget(),
                 operatorMovesOn ? static_cast<QWidget*>(w->txtPwd) : pressed);
    }

    void fullReadAndSetFromTheKeyboard() {
        WindowUnderTest w;
        ScriptedModule module(*w.port);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QWidget* top = w.window.get();
        auto focused = [] { return QApplication::focusWidget(); };

        // Port row, flow control, detection off, 9600, Connect.
        w->ComPortNum->setFocus();
        QTest::keyClick(top, Qt::Key_Tab);
        QTest::keyClick(top, Qt::Key_Tab);
        QCOMPARE(focused(), w->bAutoDetect);
        QTest::keyClick(focused(), Qt::Key_Space);
        QVERIFY(!w->bAutoDetect->isChecked());
        QVERIFY(w->ConnBaudRate->isEnabled());
        QTest::keyClick(top, Qt::Key_Tab);
        QCOMPARE(focused(), w->ConnBaudRate);
        while (w->ConnBaudRate->currentText() != QLatin1String("9600") &&
               w->ConnBaudRate->currentIndex() > 0)
            QTest::keyClick(focused(), Qt::Key_Up);
        QCOMPARE(w->ConnBaudRate->currentText(), QStringLiteral("9600"));
        QTest::keyClick(top, Qt::Key_Tab);
        QCOMPARE(focused(), w->CmdConn);
        QTest::keyClick(focused(), Qt::Key_Space);
        QCOMPARE(w.port->Settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(pumpUntilStatus(w, QStringLiteral("Query complete！")));
        QCOMPARE(w->txtPwd->text(), QStringLiteral("5807"));

        // New password, then the advanced section and a new device name.
        QTest::keyClick(top, Qt::Key_Tab);
        QTest::keyClick(top, Qt::Key_Tab);
        QCOMPARE(focused(), w->txtPwd);
        QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), QStringLiteral("1357"));
        while (focused() != w->cmdAdvanced)
            QTest::keyClick(top, Qt::Key_Tab);
        QTest::keyClick(focused(), Qt::Key_Space);
        QVERIFY(w->Frame1->isVisible());
        QTest::keyClick(top, Qt::Key_Tab);
        QCOMPARE(focused(), w->txtBDName);
        QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), QStringLiteral("BENCH-12"));

        w.port->written.clear();
        QTest::keyClick(top, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(w.port->written.size(), 2);
        QCOMPARE(w.port->frames(), QList<QByteArray>({frameOf("\x03"
                                                              "1357"),
                                                      frameOf("\x06"
                                                              "BENCH-12")}));
        QVERIFY(pumpUntilStatus(w, QStringLiteral("Set device name succeed")));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(module.settings().name.data()),
                            static_cast<qsizetype>(module.settings().name.size())),
                 QByteArray("BENCH-12"));

        // Read back with the access key of Inquiry.
        QTest::keyClick(top, Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE(w->txtBDName->text(), QString());
        QVERIFY(pumpUntilStatus(w, QStringLiteral("Query complete！")));
        QCOMPARE(w->txtBDName->text(), QStringLiteral("BENCH-12"));
        QCOMPARE(w->txtPwd->text(), QStringLiteral("1357"));
        QVERIFY(w.boxes.shown.isEmpty());
    }
};

QTEST_MAIN(KeyboardAccessTest)
#include "keyboard_access_test.moc"
