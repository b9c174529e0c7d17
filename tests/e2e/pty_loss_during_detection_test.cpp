// The module's process ends while the window probes for its baud rate.
#include "PortLoss.h"

#include <QComboBox>
#include <QTest>
#include <QThread>
#include <QTimer>

class PtyLossDuringDetection : public QObject {
    Q_OBJECT

private slots:
    void moduleEndsBetweenProbes_data() {
        QTest::addColumn<bool>("atTheStep");
        QTest::newRow("while the probe waits for its answer") << false;
        QTest::newRow("as the next step falls due") << true;
    }

    void moduleEndsBetweenProbes() {
        QFETCH(bool, atTheStep);
        E2eRig rig;
        QVERIFY2(rig.startModule(), qPrintable(rig.moduleError()));
        rig.connectDetecting();
        QVERIFY(rig.waitForProbeAt(2400, 5000));
        if (atTheStep) {
            // The event loop runs again only once the step is due: the
            // port's read error and the step meet in the same pass.
            QVERIFY(rig.waitFor([&] { return rig->TimeoutTimer->remainingTime() < 50; }, 2000));
            const int due = rig->TimeoutTimer->remainingTime();
            rig.endModule();
            QThread::msleep(static_cast<unsigned long>(due) + 20);
        } else {
            rig.endModule();
        }

        checkPortLossHandled(rig);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(rig->ConnBaudRate->currentText(),
                 atTheStep ? QStringLiteral("4800") : QStringLiteral("2400"));
        QVERIFY(!rig.statusSeen(QStringLiteral("Already find the current baud rate  [9600]")));
        checkReconnectWorks(rig);
    }
};

QTEST_MAIN(PtyLossDuringDetection)
#include "pty_loss_during_detection_test.moc"
