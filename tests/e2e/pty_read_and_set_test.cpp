// One connection to a module at 9600 with its own values: detection finds the
// rate, the read brings every value into the window, and a Set of every
// parameter but the baud rate leaves the module holding the window's values.
// The cases run in order on the same connection.
#include "E2eRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
const QString queryComplete = QStringLiteral("Query complete！");
} // namespace

class PtyReadAndSet : public QObject {
    Q_OBJECT

    E2eRig rig;

private slots:
    void initTestCase() {
        // The line runs at 9600 while the stored rate is 19200, so the baud
        // field must show what the module reports, not the line's rate.
        QVERIFY2(rig.startModule({"--rate", "9600", "--baud-code", "79", "--name", "E2E-NODE-42",
                                  "--password", "73519", "--firmware", "3.7", "--max-conn", "3"}),
                 qPrintable(rig.moduleError()));
        rig.connectDetecting();
    }

    void detectionFindsTheRateOnTheFourthProbe() {
        QVERIFY(
            rig.waitForStatus(QStringLiteral("Already find the current baud rate  [9600]"), 15000));
        const auto probes = receivedFrames(rig.events, FrameKind::Query);
        QVERIFY(probes.size() >= 4);
        QCOMPARE(rates(probes.mid(0, 4)), (QList<unsigned>{1200, 2400, 4800, 9600}));
        QCOMPARE(commandTypes(probes.mid(0, 4)), (QList<int>{0, 0, 0, 0}));
        QVERIFY(!probes[2].heard());
        QVERIFY(probes[3].heard());
        QCOMPARE(rig->ConnBaudRate->currentText(), QStringLiteral("9600"));
    }

    void readFillsEveryFieldWithTheModulesValues() {
        QVERIFY(rig.waitForStatus(queryComplete, 15000));
        // The probe that was answered, then the whole chain in its order.
        QList<int> heard;
        for (const ModuleEvent& e : receivedFrames(rig.events, FrameKind::Query))
            if (e.heard())
                heard << e.commandType();
        QCOMPARE(heard, (QList<int>{0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14}));

        const QStringList differ = rig.differences(E2eRig::parameterKeys);
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral("; "))));
        QCOMPARE(rig->paramBaudRate->currentText(), QStringLiteral("19200"));
        QCOMPARE(rig->version->text(), QStringLiteral("(Firmware Version 3.7)"));
        QVERIFY(rig->CmdQuery->isEnabled());
        QVERIFY(rig->CmdSet->isEnabled());
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }

    void setLeavesTheModuleHoldingTheWindowsValues() {
        QVERIFY(rig.statusSeen(queryComplete));
        const int before = rig.events.size();
        // Every settable value differs from what was read; the baud rate stays.
        rig->IsAuth->setChecked(false);
        rig->txtPwd->setText(QStringLiteral("2846"));
        rig->txtClassOfDevice->setText(QStringLiteral("1F0A3C"));
        rig->txtBDName->setText(QStringLiteral("LINE-B7"));
        rig->IsMaster->setChecked(true);
        rig->txtParkMaxIntval->setText(QStringLiteral("0123"));
        rig->txtParkMinIntval->setText(QStringLiteral("0045"));
        rig->txtSniffMaxIntval->setText(QStringLiteral("0A10"));
        rig->txtSniffMinIntval->setText(QStringLiteral("0308"));
        rig->txtAttempt->setText(QStringLiteral("0004"));
        rig->txtTimeout->setText(QStringLiteral("0002"));
        rig->txtPsInterval->setText(QStringLiteral("0800"));
        rig->txtPsWindow->setText(QStringLiteral("0120"));
        rig->txtIsInterval->setText(QStringLiteral("1000"));
        rig->txtIsWindow->setText(QStringLiteral("0012"));
        rig->chkIsBind->setChecked(false);
        rig.clearStatuses();

        rig->CmdSet->click();
        QVERIFY(rig.waitForStatus(QStringLiteral("Set the bind paramter succeed"), 5000));

        const auto sets = receivedFrames(rig.events.mid(before), FrameKind::Set);
        QCOMPARE(commandTypes(sets), (QList<int>{2, 3, 7, 6, 8, 5, 4, 13, 14}));
        // The module prints its state after each command it applies.
        rig.waitFor([&] { return rig.differences(E2eRig::parameterKeys).isEmpty(); }, 2000);
        const QStringList differ = rig.differences(E2eRig::parameterKeys);
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral("; "))));
        QCOMPARE(rig.moduleState().value(QStringLiteral("baud")), QStringLiteral("79"));
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }

    void setFramesArriveAtLeastHalfASecondApart() {
        // The module stamps a frame when it gets to read it; on a machine
        // busy with a build that was seen up to 8 ms after the frame reached
        // the line. Frames sent without the pause come within a millisecond.
        const auto sets = receivedFrames(rig.events, FrameKind::Set);
        QCOMPARE(sets.size(), 9);
        for (int i = 1; i < sets.size(); ++i) {
            const double gap = sets[i].atMs - sets[i - 1].atMs;
            QVERIFY2(gap >= 500.0 - noticedLateAtMostMs,
                     qPrintable(QStringLiteral("frame %1 came %2 ms after the one before")
                                    .arg(i)
                                    .arg(gap, 0, 'f', 1)));
        }
    }
};

QTEST_MAIN(PtyReadAndSet)
#include "pty_read_and_set_test.moc"
