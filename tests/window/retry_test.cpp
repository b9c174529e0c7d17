// Resending the command in flight: two resends one tick apart, then giving
// up; what restarts and what stops the count. The ticks are called by hand.
#include "WindowHelpers.h"

#include <QtTest>

namespace {
const QString giveUp =
    QStringLiteral("Current command execute fail,please try again after reset！！");

// Reads the known module and changes its baud rate to the given one; the
// module does not answer. The frames of the read are forgotten.
void setBaudRateWithoutAnswer(WindowUnderTest& w, const QString& rate) {
    readKnownModule(w);
    w->paramBaudRate->setCurrentText(rate);
    w->CmdSet_Click();
}

const QByteArray baud19200 = setFrame(1, bytes({0x00, 0x4F}));
} // namespace

class RetryTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void silentModuleGetsTwoResendsThenOneMessage();
    void answerAfterTheFirstResendStopsEverything();
    void bodyThatIsNoAnswerRestartsTheCount();
    void commandAfterAGiveUpGetsItsTwoResends();
    void queryStartedWhileTheClockRunsIsResentAsAQuery();
    void setThatSendsNothingLeavesTheQueryInFlight();
    void tickDoesNothingWhileABodyIsDispatched();
    void portClosedWhileTheClockRunsStillGivesUp();
    void queryGivenUpLeavesTheReadStalled();
    void resendAfterASetOfSeveralRows_data();
    void resendAfterASetOfSeveralRows();
};

void RetryTest::silentModuleGetsTwoResendsThenOneMessage() {
    WindowUnderTest w;
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    QCOMPARE(w.port->frames(), QList<QByteArray>{baud19200});
    QVERIFY(w->RetryTimer->isActive());
    QCOMPARE(w->RetryTimer->interval(), 1000);
    QVERIFY(!w->RetryTimer->isSingleShot());

    w->RetryTimer_Timer();
    QCOMPARE(w.port->frames(), QList<QByteArray>(2, baud19200));
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:1"));

    w->RetryTimer_Timer();
    QCOMPARE(w.port->frames(), QList<QByteArray>(3, baud19200));
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:2"));
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(w->RetryTimer->isActive());

    w->RetryTimer_Timer();
    QCOMPARE(w.port->written.size(), 3);
    QCOMPARE(w.boxes.texts(), QStringList{giveUp});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QVERIFY(!w->RetryTimer->isActive());
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:2"));
    QCOMPARE(w.status(), QStringLiteral("Setting the baud rate......"));
}

void RetryTest::answerAfterTheFirstResendStopsEverything() {
    WindowUnderTest w;
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    w->RetryTimer_Timer();

    w.answer(setAnswer(1));

    QVERIFY(!w->RetryTimer->isActive());
    QCOMPARE(w->Label_retry->text(), QString());
    QCOMPARE(w->RetryCount, int16_t(0));
    QCOMPARE(w.status(), QStringLiteral("Set baud rate succeed"));
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(w.port->written.size(), 2);
}

void RetryTest::bodyThatIsNoAnswerRestartsTheCount() {
    WindowUnderTest w;
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    w->RetryTimer_Timer();
    w->RetryTimer_Timer();

    w.answer(bytes({0x61, 0x00, 0x01}));
    QCOMPARE(w->RetryCount, int16_t(0));
    QCOMPARE(w->Label_retry->text(), QString());
    QVERIFY(w->RetryTimer->isActive());

    w->RetryTimer_Timer();
    w->RetryTimer_Timer();
    QCOMPARE(w.port->frames(), QList<QByteArray>(5, baud19200));
    QVERIFY(w.boxes.shown.isEmpty());
    w->RetryTimer_Timer();
    QCOMPARE(w.boxes.texts(), QStringList{giveUp});
    QCOMPARE(w.port->written.size(), 5);
}

void RetryTest::commandAfterAGiveUpGetsItsTwoResends() {
    WindowUnderTest w;
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    for (int tick = 0; tick < 3; ++tick)
        w->RetryTimer_Timer();
    QCOMPARE(w.boxes.shown.size(), 1);
    w.port->written.clear();

    w->paramBaudRate->setCurrentText(QStringLiteral("38400"));
    w->CmdSet_Click();
    const QByteArray baud38400 = setFrame(1, bytes({0x00, 0x9D}));
    w->RetryTimer_Timer();
    w->RetryTimer_Timer();

    QCOMPARE(w.port->frames(), QList<QByteArray>(3, baud38400));
    QCOMPARE(w.boxes.shown.size(), 1);
    w->RetryTimer_Timer();
    QCOMPARE(w.boxes.texts(), QStringList({giveUp, giveUp}));
    QVERIFY(!w->RetryTimer->isActive());
}

void RetryTest::queryStartedWhileTheClockRunsIsResentAsAQuery() {
    WindowUnderTest w;
    // The unanswered baud-rate command leaves the clock running into the
    // read that the operator starts.
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    w->CmdQuery_Click();
    QVERIFY(w->RetryTimer->isActive());
    w.port->written.clear();

    w->RetryTimer_Timer();

    QCOMPARE(w.port->frames(), QList<QByteArray>{bytes({0x55, 0xAA, 0x02, 0x50, 0x00})});
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:1"));
}

void RetryTest::setThatSendsNothingLeavesTheQueryInFlight() {
    WindowUnderTest w;
    readKnownModule(w);
    w->CmdSet_Click();
    QVERIFY(w.port->written.isEmpty());
    w.answer(bytes({0x61, 0x00}));

    w->RetryTimer_Timer();

    // Not the bind type as a set command without its parameter byte.
    QCOMPARE(w.port->frames(), QList<QByteArray>{queryFrame(14)});
    QCOMPARE(w->SetActive, frmParvex::False);
}

void RetryTest::tickDoesNothingWhileABodyIsDispatched() {
    WindowUnderTest w;
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    w->RetryTimer_Timer();
    w->RetryTimer_Timer();
    w.port->written.clear();
    // The operator leaves the prompt open while three ticks fall due.
    qsizetype framesDuringPrompt = -1;
    qsizetype boxesDuringPrompt = -1;
    w.boxes.whileOpen = [&](const BoxRequest&) {
        for (int tick = 0; tick < 3; ++tick)
            w->RetryTimer_Timer();
        framesDuringPrompt = w.port->written.size();
        boxesDuringPrompt = w.boxes.shown.size();
    };
    w.boxes.answers = {BoxAnswer::No};

    w.answer(setAnswer(1, 0x01));

    QCOMPARE(framesDuringPrompt, 0);
    QCOMPARE(boxesDuringPrompt, 1);
    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Set [Baud Rate] timeout,continue?")});
    QVERIFY(w.port->written.isEmpty());
    QCOMPARE(w->Label_retry->text(), QString());
    QVERIFY(!w->RetryTimer->isActive());
}

void RetryTest::portClosedWhileTheClockRunsStillGivesUp() {
    WindowUnderTest w;
    setBaudRateWithoutAnswer(w, QStringLiteral("19200"));
    w->CmdConn_Click();
    QVERIFY(w->RetryTimer->isActive());
    w.clock.pauses.clear();

    w->RetryTimer_Timer();
    w->RetryTimer_Timer();
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:2"));
    QCOMPARE(w.clock.pauses, QList<int>({500, 500}));
    w->RetryTimer_Timer();

    QCOMPARE(w.port->written.size(), 1);
    QCOMPARE(w.boxes.texts(), QStringList{giveUp});
    QVERIFY(!w->RetryTimer->isActive());
}

void RetryTest::queryGivenUpLeavesTheReadStalled() {
    WindowUnderTest w;
    readKnownModule(w);
    // The clock of the clear command still runs when the read starts.
    w->CmdClearAddr_Click();
    w->CmdQuery_Click();
    w.port->written.clear();

    for (int tick = 0; tick < 3; ++tick)
        w->RetryTimer_Timer();

    QCOMPARE(w.port->frames(), QList<QByteArray>(2, queryFrame(0)));
    QCOMPARE(w.boxes.texts(), QStringList{giveUp});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QVERIFY(!w->CmdQuery->isEnabled());
    QVERIFY(!w->CmdSet->isEnabled());
    QCOMPARE(w.status(), QStringLiteral("Querying the version of Firmware......"));
}

void RetryTest::resendAfterASetOfSeveralRows_data() {
    QTest::addColumn<bool>("byPrompt");
    QTest::addColumn<QByteArray>("resent");
    // The command the last step recorded, whatever the window shows now.
    QTest::newRow("tick") << false << setFrame(14, bytes({0}));
    // The refused row's step, from the window as it is now.
    QTest::newRow("Yes to a refused baud rate") << true << setFrame(1, bytes({0x00, 0x9D}));
}

void RetryTest::resendAfterASetOfSeveralRows() {
    QFETCH(bool, byPrompt);
    QFETCH(QByteArray, resent);
    WindowUnderTest w;
    readKnownModule(w);
    w->paramBaudRate->setCurrentText(QStringLiteral("19200"));
    w->chkIsBind->setChecked(false);
    w->CmdSet_Click();
    QCOMPARE(w.port->frames(), (QList<QByteArray>{baud19200, setFrame(14, bytes({0}))}));
    w->paramBaudRate->setCurrentText(QStringLiteral("38400"));
    w->chkIsBind->setChecked(true);
    w.port->written.clear();

    if (byPrompt) {
        w.boxes.answers = {BoxAnswer::Yes};
        w.answer(setAnswer(1, 0x01));
    } else {
        w->RetryTimer_Timer();
    }

    QCOMPARE(w.port->frames(), QList<QByteArray>{resent});
}

QTEST_MAIN(RetryTest)
#include "retry_test.moc"
