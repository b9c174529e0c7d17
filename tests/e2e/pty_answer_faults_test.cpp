// A module that refuses a set command, one that never answers the baud-rate
// set command, and one that follows every answer with a body that is no
// answer: the prompt and its resend, the resends of the retry clock and the
// give-up box, and a clock that stray bodies leave off, as seen on the line.
#include "E2eRig.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString queryComplete = QStringLiteral("Query complete！");

QList<QByteArray> frameBytes(const QList<ModuleEvent>& frames) {
    QList<QByteArray> all;
    for (const ModuleEvent& e : frames)
        all << e.bytes;
    return all;
}
} // namespace

class PtyAnswerFaults : public QObject {
    Q_OBJECT

private slots:
    void refusedCommandIsSentAgainOnYes() {
        E2eRig rig;
        QVERIFY2(rig.startModule({"--refuse", "3"}), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(queryComplete, 15000));
        // The password query is refused as well: the read goes on without it.
        QVERIFY(rig.statusSeen(QStringLiteral("Query password fail")));
        QVERIFY(rig->txtPwd->text().isEmpty());

        rig.boxes.answers = {BoxAnswer::Yes, BoxAnswer::No};
        const int before = rig.events.size();
        rig->txtPwd->setText(QStringLiteral("4321"));
        rig->CmdSet->click();
        QVERIFY(rig.waitFor([&] { return rig.boxes.shown.size() >= 2; }, 5000));
        // The second refusal, answered No, sends nothing more.
        QTest::qWait(1000);

        const QByteArray passwordFrame = QByteArray::fromHex("55AA050334333231");
        QCOMPARE(frameBytes(receivedFrames(rig.events.mid(before), FrameKind::Any)),
                 (QList<QByteArray>{passwordFrame, passwordFrame}));
        QCOMPARE(rig.boxList(),
                 (QStringList{QStringLiteral("Confirm: Set [Password] timeout,continue?"),
                              QStringLiteral("Confirm: Set [Password] timeout,continue?")}));
        QCOMPARE(rig.boxes.shown[0].buttons, BoxButtons::YesNo);
        QCOMPARE(rig->Status->text(), QStringLiteral("    Set password fail"));
        QVERIFY(!rig->RetryTimer->isActive());
        QCOMPARE(rig.moduleState().value(QStringLiteral("pwd")), QStringLiteral("5807"));
    }

    void silentBaudRateCommandIsResentTwiceThenGivenUp() {
        E2eRig rig;
        QVERIFY2(rig.startModule({"--silent-set", "1"}), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(queryComplete, 15000));
        QCOMPARE(rig->paramBaudRate->currentText(), QStringLiteral("9600"));

        const int before = rig.events.size();
        rig->paramBaudRate->setCurrentText(QStringLiteral("38400"));
        rig->CmdSet->click();
        QVERIFY(rig.waitFor([&] { return !rig.boxes.shown.isEmpty(); }, 6000));

        QCOMPARE(rig.boxList(),
                 QStringList{QStringLiteral(
                     "Error: Current command execute fail,please try again after reset！！")});
        QCOMPARE(rig.boxes.shown[0].icon, BoxIcon::Critical);
        const auto sent = receivedFrames(rig.events.mid(before), FrameKind::Any);
        const QByteArray baudFrame = QByteArray::fromHex("55AA0301009D");
        QCOMPARE(frameBytes(sent), (QList<QByteArray>{baudFrame, baudFrame, baudFrame}));
        // Each resend leaves on a tick of the one-second clock, after the
        // pause before every frame.
        for (int i = 1; i < sent.size(); ++i) {
            const double gap = sent[i].atMs - sent[i - 1].atMs;
            QVERIFY2(
                gap >= 900 && gap <= 1700,
                qPrintable(
                    QStringLiteral("resend %1 came %2 ms after the frame before").arg(i).arg(gap)));
        }
        QVERIFY(!rig->RetryTimer->isActive());
        QCOMPARE(rig->Label_retry->text(), QStringLiteral("Attempt number:2"));
        QCOMPARE(rig.moduleState().value(QStringLiteral("baud")), QStringLiteral("39"));

        // The clock stays off: nothing more is sent, no second box.
        QTest::qWait(1500);
        QCOMPARE(receivedFrames(rig.events.mid(before), FrameKind::Any).size(), 3);
        QCOMPARE(rig.boxes.shown.size(), 1);
    }

    void editAfterTheReadIsSetDespiteBodiesThatAreNoAnswers() {
        E2eRig rig;
        QVERIFY2(rig.startModule({"--stray-body", "610001"}), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(queryComplete, 15000));
        QVERIFY(
            rig.waitFor([&] { return countOf(rig.events, QStringLiteral("stray")) == 12; }, 2000));
        const int before = rig.events.size();
        rig.clearStatuses();

        rig->txtBDName->setText(QStringLiteral("EDITED-7"));
        // The operator takes longer than a retry tick and its resend.
        QTest::qWait(2500);
        const QList<QByteArray> resent =
            frameBytes(receivedFrames(rig.events.mid(before), FrameKind::Any));
        QVERIFY2(resent.isEmpty(), resent.join().toHex(' ').constData());
        QVERIFY(!rig.statusSeen(queryComplete));

        rig->CmdSet->click();
        QVERIFY(rig.waitForStatus(QStringLiteral("Set device name succeed"), 3000));
        QVERIFY(rig.waitFor(
            [&] { return rig.moduleState().value(QStringLiteral("name")) == "EDITED-7"; }, 1000));
        QVERIFY(!rig->RetryTimer->isActive());
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }
};

QTEST_MAIN(PtyAnswerFaults)
#include "pty_answer_faults_test.moc"
