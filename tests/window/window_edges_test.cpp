// Edges of the window's life: what the program clears or fills starts a
// fresh undo history, closing ends everything at once, and a failure of any
// kind while connecting is reported.
#include "WindowHelpers.h"

#include <QtTest>
#include <stdexcept>

class WindowEdgesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ParamSnapshot.clear(); }
    void undoNeverBringsBackAnEarlierValue_data();
    void undoNeverBringsBackAnEarlierValue();
    void closingEndsAtOnce_data();
    void closingEndsAtOnce();
    void connectReportsEveryFailure();
};

void WindowEdgesTest::undoNeverBringsBackAnEarlierValue_data() {
    QTest::addColumn<bool>("byRead");
    QTest::newRow("a read whose answers carry no data") << true;
    QTest::newRow("Default") << false;
}

void WindowEdgesTest::undoNeverBringsBackAnEarlierValue() {
    QFETCH(bool, byRead);
    WindowUnderTest w;
    readKnownModule(w);
    QTest::keyClicks(w->txtBDName, QStringLiteral("-2"));
    if (byRead) {
        w->CmdQuery_Click();
        for (const ReadAnswer& a : knownModuleAnswers())
            w.answer(queryAnswer(a.type, {}, 1));
    } else {
        w->CmdSetDefault_Click();
    }
    const QString shown = w->txtBDName->text();
    QTest::keyClick(w->txtBDName, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(w->txtBDName, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w->txtBDName->text(), shown);
}

void WindowEdgesTest::closingEndsAtOnce_data() {
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Close") << true;
    QTest::newRow("the window closed") << false;
}

void WindowEdgesTest::closingEndsAtOnce() {
    QFETCH(bool, byButton);
    WindowUnderTest w;
    readKnownModule(w);
    w->CmdClearAddr_Click();
    w.port->written.clear();
    w.port->receive(frameOf(setAnswer(3, 1)));
    const int readsBefore = w.port->reads;
    if (byButton)
        w->CmdClose_Click();
    else
        w->close();

    // Everything that was already due when the program ended.
    w->RetryTimer_Timer();
    w->TimeoutTimer_Timer();
    w->RecvTimer_Timer();
    emit w.port->OnComm(SerialPortControl::CommEvent::Received, QString());
    w.port->vanish(QStringLiteral("gone"));
    QCoreApplication::processEvents();

    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(w.port->reads, readsBefore);
    QVERIFY(!w->RetryTimer->isActive());
}

void WindowEdgesTest::connectReportsEveryFailure() {
    WindowUnderTest w;
    w.port->beforeOpening = [] { throw std::runtime_error("out of file descriptors"); };
    w.connectWithoutDetection();
    QCOMPARE(w.boxes.texts(), QStringList{"out of file descriptors"});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
}

QTEST_MAIN(WindowEdgesTest)
#include "window_edges_test.moc"
