// Connecting and disconnecting, finding the module's baud rate, and what the
// window does when the port fails to open or disappears.
#include "WindowHelpers.h"

#include <QtTest>

namespace {
const QByteArray probe = queryFrame(0);
const QByteArray versionAnswer = queryAnswer(0, bytes({2, 10}));

// Runs detection by hand: reads what the line holds, then lets the next
// detection step fall due, until detection ends one way or the other.
void runDetection(WindowUnderTest& w) {
    for (int step = 0; step < 20 && w->TimeoutTimer->isActive(); ++step) {
        w->RecvDataSub();
        if (w->BaudFound == frmParvex::True)
            return;
        w->TimeoutTimer_Timer();
    }
}

// The status line as it read at each frame written: what the window showed
// just before each send.
struct StatusAtEachFrame {
    QStringList texts;

    explicit StatusAtEachFrame(WindowUnderTest& w) {
        auto before = w.port->onOutput;
        w.port->onOutput = [this, &w, before](const QByteArray& frame) {
            texts << w.status();
            if (before)
                before(frame);
        };
    }
};
} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void connectWithDetectionProbesAt1200();
    void moduleAt9600IsFoundOnTheFourthProbe();
    void noAnswerAtAnyRateEndsClosedAfterEightProbes();
    void connectWithoutDetectionOpensAtTheChosenRateAndReads_data();
    void connectWithoutDetectionOpensAtTheChosenRateAndReads();
    void portNumberAndFlowControlAreMapped_data();
    void portNumberAndFlowControlAreMapped();
    void disconnectDuringDetectionStopsIt();
    void portThatCannotBeOpenedLeavesConnect_data();
    void portThatCannotBeOpenedLeavesConnect();
    void failureToReopenDuringDetectionStopsIt();
    void vanishingPortIsReportedOnceAndClosed_data();
    void vanishingPortIsReportedOnceAndClosed();
    void probeAnswerSplitAcrossReopenIsNotJoined();
    void partialFrameFromEarlierConnectionIsForgotten();
    void openingEmptiesTheSnapshot_data();
    void openingEmptiesTheSnapshot();
    void refusedProbeStillEndsDetection_data();
    void refusedProbeStillEndsDetection();
    void errorOfAnEarlierOpeningIsIgnored_data();
    void errorOfAnEarlierOpeningIsIgnored();
};

void ConnectionTest::connectWithDetectionProbesAt1200() {
    WindowUnderTest w;
    w->CmdConn_Click();

    QCOMPARE(w.port->openedWith, QStringList{QStringLiteral("1200,n,8,1")});
    QCOMPARE(w.port->inputMode, 1);
    QCOMPARE(w->ConnBaudRate->currentText(), QStringLiteral("1200"));
    QCOMPARE(w.port->frames(), QList<QByteArray>{probe});
    QCOMPARE(w.clock.pauses, QList<int>{500});
    QVERIFY(w->TimeoutTimer->isActive());
    QCOMPARE(w.status(), QStringLiteral("Detecting Baud Rate......"));
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Disconnect"));
    QVERIFY(!w->bAutoDetect->isEnabled());
    QCOMPARE(w->BaudFound, frmParvex::False);
}

void ConnectionTest::moduleAt9600IsFoundOnTheFourthProbe() {
    WindowUnderTest w;
    // A module that answers only at 9600.
    w.port->onOutput = [&](const QByteArray& frame) {
        if (frame == probe && w.port->settings == QLatin1String("9600,n,8,1"))
            w.port->receive(frameOf(versionAnswer));
    };
    StatusAtEachFrame statusAtFrame(w);

    w->CmdConn_Click();
    runDetection(w);

    QCOMPARE(w->BaudFound, frmParvex::True);
    QCOMPARE(w.port->openedWith,
             QStringList({"1200,n,8,1", "2400,n,8,1", "4800,n,8,1", "9600,n,8,1"}));
    // Four probes, then the read starts over with the version query.
    QCOMPARE(w.port->frames(), QList<QByteArray>(5, probe));
    QCOMPARE(statusAtFrame.texts.last(),
             QStringLiteral("Already find the current baud rate  [9600]"));
    QCOMPARE(w.status(), QStringLiteral("Querying the version of Firmware......"));
    QVERIFY(w.port->open);
    QCOMPARE(w->ConnBaudRate->currentText(), QStringLiteral("9600"));
    QVERIFY(!w->RetryTimer->isActive());
    // The detection answer does not fill the version label; the next one does.
    QCOMPARE(w->version->text(), QStringLiteral("Firmware Version"));
    w->RecvDataSub();
    QCOMPARE(w->version->text(), QStringLiteral("(Firmware Version 2.10)"));
    QCOMPARE(w.port->frames().last(), queryFrame(1));

    // The step that falls due next finds the rate and stays off.
    const auto framesBefore = w.port->written.size();
    w->TimeoutTimer_Timer();
    QCOMPARE(w.port->written.size(), framesBefore);
    QVERIFY(!w->TimeoutTimer->isActive());
    QCOMPARE(w.port->openedWith.size(), 4);
    QVERIFY(w.boxes.shown.isEmpty());
}

void ConnectionTest::noAnswerAtAnyRateEndsClosedAfterEightProbes() {
    WindowUnderTest w;
    w->CmdConn_Click();
    runDetection(w);

    QCOMPARE(w.port->frames(), QList<QByteArray>(8, probe));
    QCOMPARE(w.clock.pauses, QList<int>(8, 500));
    QCOMPARE(w.port->openedWith,
             QStringList({"1200,n,8,1", "2400,n,8,1", "4800,n,8,1", "9600,n,8,1", "19200,n,8,1",
                          "38400,n,8,1", "57600,n,8,1", "115200,n,8,1"}));
    QVERIFY(!w.port->open);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QCOMPARE(w.status(), QStringLiteral("Port is closed!"));
    QVERIFY(w->bAutoDetect->isEnabled());
    QVERIFY(!w->TimeoutTimer->isActive());
    QCOMPARE(w->ConnBaudRate->currentText(), QStringLiteral("115200"));
    QCOMPARE(w->DetectBaud, QString());
    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral(
                                  "Can not find the current baud rate,please set it manually!")});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Information"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Information);
}

void ConnectionTest::connectWithoutDetectionOpensAtTheChosenRateAndReads_data() {
    QTest::addColumn<QString>("rate");
    QTest::newRow("38400") << "38400";
    QTest::newRow("1200") << "1200";
    QTest::newRow("115200") << "115200";
}

void ConnectionTest::connectWithoutDetectionOpensAtTheChosenRateAndReads() {
    QFETCH(QString, rate);
    WindowUnderTest w;
    w.connectWithoutDetection(rate);

    QCOMPARE(w.port->openedWith, QStringList{rate + QStringLiteral(",n,8,1")});
    QCOMPARE(w.port->frames(), QList<QByteArray>{probe});
    QVERIFY(!w->TimeoutTimer->isActive());
    QCOMPARE(w.status(), QStringLiteral("Querying the version of Firmware......"));
    QCOMPARE(w->QueryActive, frmParvex::True);
    QVERIFY(!w->CmdQuery->isEnabled());
    QVERIFY(!w->CmdSet->isEnabled());
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Disconnect"));
}

void ConnectionTest::portNumberAndFlowControlAreMapped_data() {
    QTest::addColumn<QString>("portRow");
    QTest::addColumn<QString>("flowRow");
    QTest::addColumn<int>("commPort");
    QTest::addColumn<int>("handshaking");
    QTest::newRow("COM3, Xon/Xoff") << "COM3"
                                    << "Xon/Xoff" << 3 << 1;
    QTest::newRow("COM12, Hardware") << "COM12"
                                     << "Hardware" << 12 << 2;
    QTest::newRow("COM1, None") << "COM1"
                                << "None" << 1 << 0;
}

void ConnectionTest::portNumberAndFlowControlAreMapped() {
    QFETCH(QString, portRow);
    QFETCH(QString, flowRow);
    QFETCH(int, commPort);
    QFETCH(int, handshaking);
    WindowUnderTest w;
    w.port->commPort = 99;
    w.port->handshaking = 99;
    w->ComPortNum->setCurrentText(portRow);
    w->ComFlowCtrl->setCurrentText(flowRow);

    w->CmdConn_Click();

    QCOMPARE(w.port->commPort, commPort);
    QCOMPARE(w.port->handshaking, handshaking);
}

void ConnectionTest::disconnectDuringDetectionStopsIt() {
    WindowUnderTest w;
    w->CmdConn_Click();
    w->CmdConn_Click();

    QVERIFY(!w.port->open);
    QVERIFY(!w->TimeoutTimer->isActive());
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QCOMPARE(w.status(), QStringLiteral("Port is closed!"));
    QVERIFY(w->bAutoDetect->isEnabled());
    QCOMPARE(w.port->frames(), QList<QByteArray>{probe});
    QVERIFY(w.boxes.shown.isEmpty());
}

void ConnectionTest::portThatCannotBeOpenedLeavesConnect_data() {
    QTest::addColumn<bool>("detect");
    QTest::newRow("detection on") << true;
    QTest::newRow("detection off") << false;
}

void ConnectionTest::portThatCannotBeOpenedLeavesConnect() {
    QFETCH(bool, detect);
    WindowUnderTest w;
    const QString failure = QStringLiteral("COM1 (/dev/ttyUSB0): No such file or directory");
    w.port->openFailure = failure;
    w->bAutoDetect->setChecked(detect);
    w->bAutoDetect_Click();

    w->CmdConn_Click();

    QCOMPARE(w.boxes.texts(), QStringList{failure});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QCOMPARE(w.status(), QStringLiteral("Ready"));
    QVERIFY(!w->TimeoutTimer->isActive());
    QVERIFY(w->bAutoDetect->isEnabled());
    QVERIFY(w.port->written.isEmpty());
}

void ConnectionTest::failureToReopenDuringDetectionStopsIt() {
    WindowUnderTest w;
    w->CmdConn_Click();
    w->TimeoutTimer_Timer();
    const QString failure = QStringLiteral("COM1 (/dev/ttyUSB0): No such device");
    w.port->openFailure = failure;

    w->TimeoutTimer_Timer();

    QCOMPARE(w.status(), QStringLiteral("Port is closed!"));
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QVERIFY(!w->TimeoutTimer->isActive());
    QVERIFY(w->bAutoDetect->isEnabled());
    QCOMPARE(w->ConnBaudRate->currentText(), QStringLiteral("4800"));
    QVERIFY(!w.port->open);
    // One box: the window does not try to open the port once more.
    QCOMPARE(w.boxes.texts(), QStringList{failure});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(w.port->frames(), QList<QByteArray>(2, probe));
}

void ConnectionTest::vanishingPortIsReportedOnceAndClosed_data() {
    QTest::addColumn<QString>("when");
    QTest::newRow("during the read") << "read";
    QTest::newRow("with a baud-rate set command in flight") << "set";
    QTest::newRow("during detection") << "detection";
}

void ConnectionTest::vanishingPortIsReportedOnceAndClosed() {
    QFETCH(QString, when);
    WindowUnderTest w;
    if (when == QLatin1String("read")) {
        w.connectWithoutDetection();
        w.answer(versionAnswer);
        startRetryClockByClearing(w);
    } else if (when == QLatin1String("set")) {
        readKnownModule(w);
        w->paramBaudRate->setCurrentText(QStringLiteral("19200"));
        w->CmdSet_Click();
    } else {
        w->CmdConn_Click();
    }
    const bool clockRan = w->RetryTimer->isActive();
    QCOMPARE(clockRan, when != QLatin1String("detection"));
    const QString gone = QStringLiteral("COM1 (/dev/ttyUSB0): Resource temporarily unavailable");

    w.port->vanish(gone);

    QCOMPARE(w.boxes.texts(), QStringList{gone});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QCOMPARE(w.status(), QStringLiteral("Port is closed!"));
    QVERIFY(!w->TimeoutTimer->isActive());
    QVERIFY(!w->RetryTimer->isActive());
    QVERIFY(w->bAutoDetect->isEnabled());

    // The device is back: a new Connect opens it and reads the module.
    w->bAutoDetect->setChecked(false);
    w->bAutoDetect_Click();
    w.port->written.clear();
    w->CmdConn_Click();
    QVERIFY(w.port->open);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Disconnect"));
    QCOMPARE(w.port->frames(), QList<QByteArray>{probe});
    answerRead(w);
    QCOMPARE(w.status(), QStringLiteral("Query complete！"));
    QCOMPARE(w.boxes.shown.size(), 1);
}

void ConnectionTest::probeAnswerSplitAcrossReopenIsNotJoined() {
    WindowUnderTest w;
    StatusAtEachFrame statusAtFrame(w);
    w->CmdConn_Click();
    // The answer to the probe at 1200 comes too late: its first bytes are
    // read before the step to 2400 closes the port.
    w.port->receive(frameOf(versionAnswer).left(4));
    w->RecvDataSub();
    w->TimeoutTimer_Timer();

    // At 2400 the module answers in full. Joined with the four bytes read
    // before, the frame would end inside this answer and lose it.
    w.port->receive(frameOf(versionAnswer));
    w->RecvDataSub();

    QCOMPARE(w->BaudFound, frmParvex::True);
    QCOMPARE(statusAtFrame.texts.last(),
             QStringLiteral("Already find the current baud rate  [2400]"));
    QCOMPARE(w.port->settings, QStringLiteral("2400,n,8,1"));
    QVERIFY(w.boxes.shown.isEmpty());
}

void ConnectionTest::partialFrameFromEarlierConnectionIsForgotten() {
    WindowUnderTest w;
    w.connectWithoutDetection();
    w.port->receive(bytes({0x55, 0xAA, 0x06, 0x60, 0x00}));
    w->RecvDataSub();
    w->CmdConn_Click();
    w->CmdConn_Click();

    w.answer(versionAnswer);

    QCOMPARE(w->version->text(), QStringLiteral("(Firmware Version 2.10)"));
    QCOMPARE(w.port->frames().last(), queryFrame(1));
}

void ConnectionTest::openingEmptiesTheSnapshot_data() {
    QTest::addColumn<bool>("detect");
    QTest::newRow("detection on") << true;
    QTest::newRow("detection off") << false;
}

void ConnectionTest::openingEmptiesTheSnapshot() {
    QFETCH(bool, detect);
    WindowUnderTest w;
    readKnownModule(w);
    QVERIFY(ParamSnapshot.Held);
    w->CmdConn_Click();
    w->bAutoDetect->setChecked(detect);
    w->bAutoDetect_Click();

    w->CmdConn_Click();

    QVERIFY(!ParamSnapshot.Held);
    QCOMPARE(ParamSnapshot.Pwd, QString());
    QCOMPARE(ParamSnapshot.BaudRate, QString());
    QCOMPARE(ParamSnapshot.Scan.join(QString()), QString());
}

void ConnectionTest::refusedProbeStillEndsDetection_data() {
    QTest::addColumn<int>("state");
    QTest::newRow("status 1") << 1;
    QTest::newRow("status 0xFF") << 0xFF;
}

void ConnectionTest::refusedProbeStillEndsDetection() {
    QFETCH(int, state);
    WindowUnderTest w;
    StatusAtEachFrame statusAtFrame(w);
    w->CmdConn_Click();

    w.answer(queryAnswer(0, bytes({2, 10}), state));

    QCOMPARE(w->BaudFound, frmParvex::True);
    QCOMPARE(w.port->frames(), QList<QByteArray>(2, probe));
    QCOMPARE(statusAtFrame.texts.last(),
             QStringLiteral("Already find the current baud rate  [1200]"));
    QCOMPARE(w.status(), QStringLiteral("Querying the version of Firmware......"));
}

void ConnectionTest::errorOfAnEarlierOpeningIsIgnored_data() {
    QTest::addColumn<bool>("openAgain");
    QTest::newRow("port shown closed") << false;
    QTest::newRow("port open again") << true;
}

void ConnectionTest::errorOfAnEarlierOpeningIsIgnored() {
    QFETCH(bool, openAgain);
    WindowUnderTest w;
    readKnownModule(w);
    w->CmdConn_Click();
    if (openAgain) {
        w->CmdConn_Click();
        answerRead(w);
    }
    const QString status = w->Status->text();
    const QString caption = w->CmdConn->text();

    emit w.port->OnComm(SerialPortControl::CommEvent::Error, QStringLiteral("gone"));

    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(w->Status->text(), status);
    QCOMPARE(w->CmdConn->text(), caption);
}

QTEST_MAIN(ConnectionTest)
#include "connection_test.moc"
