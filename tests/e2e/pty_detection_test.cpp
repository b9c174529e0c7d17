// Baud-rate detection on the line: finding a rate the module moved to after
// a Set, and stopping when the operator disconnects in the middle of it.
#include "E2eRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString queryComplete = QStringLiteral("Query complete！");
} // namespace

class PtyDetection : public QObject {
    Q_OBJECT

private slots:
    void newBaudRateIsFoundByTheNextDetection() {
        E2eRig rig;
        QVERIFY2(rig.startModule({"--switch-at-once"}), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(queryComplete, 15000));

        rig->paramBaudRate->setCurrentText(QStringLiteral("19200"));
        rig->CmdSet->click();
        QVERIFY(rig.waitForStatus(QStringLiteral("Set baud rate succeed"), 3000));
        QVERIFY(rig.waitFor(
            [&] { return rig.moduleState().value(QStringLiteral("baud")) == QLatin1String("79"); },
            2000));

        rig->CmdConn->click();
        QCOMPARE(rig->CmdConn->text(), QStringLiteral("Connect"));
        const int before = rig.events.size();
        rig.clearStatuses();
        rig.connectDetecting();
        QVERIFY(rig.waitForStatus(QStringLiteral("Already find the current baud rate  [19200]"),
                                  15000));
        // The old rate is probed and no longer heard.
        const auto probes = receivedFrames(rig.events.mid(before), FrameKind::Query);
        QVERIFY(probes.size() >= 5);
        QCOMPARE(rates(probes.mid(0, 5)), (QList<unsigned>{1200, 2400, 4800, 9600, 19200}));
        QVERIFY(!probes[3].heard());
        QVERIFY(probes[4].heard());

        QVERIFY(rig.waitForStatus(queryComplete, 15000));
        QCOMPARE(rig->ConnBaudRate->currentText(), QStringLiteral("19200"));
        QCOMPARE(rig->paramBaudRate->currentText(), QStringLiteral("19200"));
        const QStringList differ = rig.differences(E2eRig::parameterKeys);
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral("; "))));
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }

    void disconnectingStopsDetection() {
        E2eRig rig;
        QVERIFY2(rig.startModule(), qPrintable(rig.moduleError()));
        rig.connectDetecting();
        QVERIFY(rig.waitForProbeAt(2400, 5000));

        rig->CmdConn->click();
        QCOMPARE(rig->CmdConn->text(), QStringLiteral("Connect"));
        QCOMPARE(rig->Status->text(), QStringLiteral("    Port is closed!"));
        QVERIFY(!rig->TimeoutTimer->isActive());
        QVERIFY(rig->bAutoDetect->isEnabled());
        // Longer than a detection step and the probe's pause together.
        QTest::qWait(2500);
        QCOMPARE(rates(receivedFrames(rig.events, FrameKind::Query)),
                 (QList<unsigned>{1200, 2400}));
        QCOMPARE(rig->ConnBaudRate->currentText(), QStringLiteral("2400"));
        QVERIFY(!rig.statusSeen(QStringLiteral("Already find the current baud rate  [9600]")));
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }
};

QTEST_MAIN(PtyDetection)
#include "pty_detection_test.moc"
