// The response dispatcher: what every received body does to the retry clock,
// the texts and prompts of the set answers, and the hand-over of query
// answers.
#include "WindowHelpers.h"

#include <QtTest>

class DispatcherTest : public QObject {
    Q_OBJECT

private:
    // Every row of the set-answer table that has a set step, with what the
    // step sends for the known module's values.
    static void setAnswerRows();

private slots:
    void init() { ParamSnapshot.clear(); }

    void bodyThatIsNoAnswerRestartsOnlyARunningClock_data();
    void bodyThatIsNoAnswerRestartsOnlyARunningClock();
    void setAnswerShowsItsTextAndStopsTheClock_data() { setAnswerRows(); }
    void setAnswerShowsItsTextAndStopsTheClock();
    void refusedSetAnswerAnsweredYesSendsTheSameCommandAgain_data() { setAnswerRows(); }
    void refusedSetAnswerAnsweredYesSendsTheSameCommandAgain();
    void clearAnswerShowsItsTextWithoutPrompt_data();
    void clearAnswerShowsItsTextWithoutPrompt();
    void maximumConnectionsAnswer_data();
    void maximumConnectionsAnswer();
    void kindWithoutRowShowsNothing_data();
    void kindWithoutRowShowsNothing();
    void queryAnswerHandsOnItsData();
    void queryAnswerWithoutDataKeepsParamBuf();
    void bodyTooShortIsReportedAndKeepsTheClockRunning_data();
    void bodyTooShortIsReportedAndKeepsTheClockRunning();
};

void DispatcherTest::bodyThatIsNoAnswerRestartsOnlyARunningClock_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("clockRunningBefore");
    QTest::newRow("61 00 01, clock stopped") << bytes({0x61, 0x00, 0x01}) << false;
    QTest::newRow("61 00 01, clock running") << bytes({0x61, 0x00, 0x01}) << true;
    QTest::newRow("lone 0x50, clock stopped") << bytes({0x50}) << false;
    QTest::newRow("query frame echoed back, clock running") << bytes({0x50, 0x05}) << true;
}

void DispatcherTest::bodyThatIsNoAnswerRestartsOnlyARunningClock() {
    QFETCH(QByteArray, body);
    QFETCH(bool, clockRunningBefore);
    WindowUnderTest w;
    readKnownModule(w);
    if (clockRunningBefore)
        startRetryClockByClearing(w);
    w->RetryCount = 2;
    w->Label_retry->setText(QStringLiteral("Attempt number:2"));
    const QString statusBefore = w->Status->text();

    w.answer(body);

    QCOMPARE(w->RetryTimer->isActive(), clockRunningBefore);
    QCOMPARE(w->RetryCount, int16_t(0));
    QCOMPARE(w->Label_retry->text(), QString());
    QCOMPARE(w->Status->text(), statusBefore);
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(w.port->written.isEmpty());
}

void DispatcherTest::setAnswerRows() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("succeed");
    QTest::addColumn<QString>("fail");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QByteArray>("resentParam");
    QTest::addColumn<QString>("stepStatus");
    QTest::newRow("1 baud rate") << 1 << "Set baud rate succeed"
                                 << "Set baud rate fail"
                                 << "Set [Baud Rate] timeout,continue?" << bytes({0x00, 0x27})
                                 << "Setting the baud rate......";
    QTest::newRow("2 security") << 2 << "Set security succeed"
                                << "Set security fail"
                                << "Set [Encryption] timeout,continue?" << bytes({1})
                                << "Setting the security....";
    QTest::newRow("3 password") << 3 << "Set password succeed"
                                << "Set password fail"
                                << "Set [Password] timeout,continue?" << QByteArray("1234")
                                << "Setting the password......";
    QTest::newRow("4 sniff") << 4 << "Set Sniff Mode Parameter succeed"
                             << "Set Sniff Mode Parameter fail"
                             << "Set [Sniff Mode Parameter] timeout,continue?"
                             << bytes({0x03, 0x20, 0x00, 0x50, 0x00, 0x08, 0x00, 0x08})
                             << "Setting the Sniff Mode Parameter......";
    QTest::newRow("5 park") << 5 << "Set Park Mode Parameter succeed"
                            << "Set Park Mode Parameter fail"
                            << "Set [Park Mode Parameter] timeout,continue?"
                            << bytes({0x08, 0x00, 0x01, 0x00})
                            << "Setting the Park Mode Parameter......";
    QTest::newRow("6 device name") << 6 << "Set device name succeed"
                                   << "Set device name fail"
                                   << "Set [Device Name] timeout,continue?"
                                   << QByteArray("Module-A") << "Setting the device name......";
    QTest::newRow("7 class of device")
        << 7 << "Set class of device succeed"
        << "Set class of device fail"
        << "Set [Class of Device] timeout,continue?" << bytes({0x00, 0x1F, 0x00})
        << "Setting the class of device......";
    QTest::newRow("8 master/slave") << 8 << "Set master/slave succeed"
                                    << "Set master/slave fail"
                                    << "Set [Master/Slave] timeout,continue?" << bytes({0})
                                    << "Setting the Master/Slave paramter......";
    QTest::newRow("13 scan") << 13 << "Set page/inquiry scan parameter succeed"
                             << "Set page/inquiry scan parameter fail"
                             << "Set [page/inquiry scan] timeout,continue?"
                             << bytes({0x04, 0x00, 0x02, 0x00, 0x08, 0x00, 0x01, 0x00})
                             << "Setting the page/inquiry scan parameter......";
    QTest::newRow("14 bind") << 14 << "Set the bind paramter succeed"
                             << "Set the bind parameter fail"
                             << "Set [Bind] timeout,continue?" << bytes({1})
                             << "Setting Bind......";
}

void DispatcherTest::setAnswerShowsItsTextAndStopsTheClock() {
    QFETCH(int, kind);
    QFETCH(QString, succeed);
    QFETCH(QString, fail);
    QFETCH(QString, prompt);
    WindowUnderTest w;
    readKnownModule(w);
    // The answer names its own kind, whatever command is in flight.
    w->CurCmdType = kind == 3 ? 6 : 3;

    w->RetryTimer->start();
    w.answer(setAnswer(kind, 0));
    QCOMPARE(w.status(), succeed);
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());

    QString statusWhilePrompted;
    w.boxes.whileOpen = [&](const BoxRequest&) { statusWhilePrompted = w.status(); };
    w.boxes.answers = {BoxAnswer::No};
    w->RetryTimer->start();
    w.answer(setAnswer(kind, 0x01));
    QCOMPARE(w.status(), fail);
    QCOMPARE(statusWhilePrompted, fail);
    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(w.boxes.shown[0].text, prompt);
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Confirm"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Information);
    QCOMPARE(w.boxes.shown[0].buttons, BoxButtons::YesNo);
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());
}

void DispatcherTest::refusedSetAnswerAnsweredYesSendsTheSameCommandAgain() {
    QFETCH(int, kind);
    QFETCH(QByteArray, resentParam);
    QFETCH(QString, stepStatus);
    WindowUnderTest w;
    readKnownModule(w);
    w.boxes.answers = {BoxAnswer::Yes};

    w.answer(setAnswer(kind, 0x05));

    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(w.port->frames(), QList<QByteArray>{setFrame(kind, resentParam)});
    QCOMPARE(w.clock.pauses, QList<int>{500});
    QCOMPARE(w.status(), stepStatus);
    QCOMPARE(int(w->CurCmdType), kind);
    QCOMPARE(w->CurCmdParam, resentParam);
    // The baud-rate step starts the clock; the dispatcher stops it last.
    QVERIFY(!w->RetryTimer->isActive());
}

void DispatcherTest::clearAnswerShowsItsTextWithoutPrompt_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("done") << 0 << "Clearing Binded Bluetooth Device Address Succeed";
    QTest::newRow("failed") << 1 << "Clearing Binded Bluetooth Device Address Fail";
    QTest::newRow("failed, other status")
        << 0x7F << "Clearing Binded Bluetooth Device Address Fail";
}

void DispatcherTest::clearAnswerShowsItsTextWithoutPrompt() {
    QFETCH(int, state);
    QFETCH(QString, text);
    WindowUnderTest w;
    readKnownModule(w);
    w->CmdClearAddr_Click();
    w.port->written.clear();

    w.answer(setAnswer(10, state));

    QCOMPARE(w.status(), text);
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());
}

void DispatcherTest::maximumConnectionsAnswer_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("answerToPrompt");
    QTest::addColumn<QString>("statusWhilePrompted");
    QTest::addColumn<QString>("finalStatus");
    QTest::newRow("done") << 0 << -1 << QString() << "Set succeed";
    QTest::newRow("failed, No") << 5 << int(BoxAnswer::No) << "Set the maximum of connection fail"
                                << "Set the maximum of connection fail";
    QTest::newRow("failed, Yes") << 5 << int(BoxAnswer::Yes) << "Set the maximum of connection fail"
                                 << "Set succeed";
}

void DispatcherTest::maximumConnectionsAnswer() {
    QFETCH(int, state);
    QFETCH(int, answerToPrompt);
    QFETCH(QString, statusWhilePrompted);
    QFETCH(QString, finalStatus);
    WindowUnderTest w;
    readKnownModule(w);
    QString seenWhilePrompted;
    w.boxes.whileOpen = [&](const BoxRequest&) { seenWhilePrompted = w.status(); };
    if (answerToPrompt >= 0)
        w.boxes.answers = {BoxAnswer(answerToPrompt)};
    w->RetryTimer->start();

    w.answer(setAnswer(9, state));

    QCOMPARE(w.status(), finalStatus);
    if (answerToPrompt < 0) {
        QVERIFY(w.boxes.shown.isEmpty());
    } else {
        QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Set [Maximum] timeout,continue?")});
        QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Confirm"));
        QCOMPARE(seenWhilePrompted, statusWhilePrompted);
    }
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());
}

void DispatcherTest::kindWithoutRowShowsNothing_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("kind 0") << setAnswer(0, 0);
    QTest::newRow("kind 11") << setAnswer(11, 0);
    QTest::newRow("kind 12, failed") << setAnswer(12, 1);
    QTest::newRow("kind 15") << setAnswer(15, 0);
    QTest::newRow("kind 0xFF, failed") << setAnswer(0xFF, 3);
    QTest::newRow("kind 0x0B with trailing bytes") << bytes({0x60, 0x00, 0x0B, 0x01, 0x02});
}

void DispatcherTest::kindWithoutRowShowsNothing() {
    QFETCH(QByteArray, body);
    WindowUnderTest w;
    readKnownModule(w);
    const QString statusBefore = w->Status->text();
    w->RetryTimer->start();

    w.answer(body);

    QCOMPARE(w->Status->text(), statusBefore);
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());
}

void DispatcherTest::queryAnswerHandsOnItsData() {
    WindowUnderTest w;
    w.connectWithoutDetection();

    w.answer(bytes({0x60, 0x00, 0x50, 0x07, 0x00, 0x1F, 0x00}));

    QCOMPARE(w->ParamBuf, bytes({0x00, 0x1F, 0x00}));
    QCOMPARE(w->txtClassOfDevice->text(), QStringLiteral("001F00"));
    QCOMPARE(w.port->frames().last(), queryFrame(8));
}

void DispatcherTest::queryAnswerWithoutDataKeepsParamBuf() {
    WindowUnderTest w;
    w.connectWithoutDetection();
    // Left over from an earlier answer: one byte that would tick the box if
    // it were taken for the data of this one.
    w->ParamBuf = bytes({0x01});

    w.answer(bytes({0x60, 0x00, 0x50, 0x08}));

    QCOMPARE(w->ParamBuf, bytes({0x01}));
    QVERIFY(!w->IsMaster->isChecked());
    QCOMPARE(w.status(), QStringLiteral("Querying the maximum of connection......"));
    QCOMPARE(w.port->frames().last(), queryFrame(9));
}

void DispatcherTest::bodyTooShortIsReportedAndKeepsTheClockRunning_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("description");
    QTest::newRow("lone 0x60") << bytes({0x60}) << "Answer too short: 1 byte";
    QTest::newRow("status only") << bytes({0x60, 0x01}) << "Answer too short: 2 bytes";
    QTest::newRow("query answer without type")
        << bytes({0x60, 0x00, 0x50}) << "Answer too short: 3 bytes";
}

void DispatcherTest::bodyTooShortIsReportedAndKeepsTheClockRunning() {
    QFETCH(QByteArray, body);
    QFETCH(QString, description);
    WindowUnderTest w;
    readKnownModule(w);
    startRetryClockByClearing(w);
    const QString statusBefore = w->Status->text();
    w->RetryCount = 2;
    w->Label_retry->setText(QStringLiteral("Attempt number:2"));

    w.answer(body);

    QCOMPARE(w.boxes.texts(), QStringList{description});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QVERIFY(w->RetryTimer->isActive());
    QCOMPARE(w->RetryCount, int16_t(0));
    QCOMPARE(w->Label_retry->text(), QString());
    QCOMPARE(w->Status->text(), statusBefore);
    QVERIFY(w.port->written.isEmpty());

    // The next answer is read and handled as usual.
    w.answer(setAnswer(6, 0));
    QCOMPARE(w.status(), QStringLiteral("Set device name succeed"));
    QVERIFY(!w->RetryTimer->isActive());
}

QTEST_MAIN(DispatcherTest)
#include "dispatcher_test.moc"
