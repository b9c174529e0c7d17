// The module's process ends in the middle of the frames of a Set.
#include "PortLoss.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

class PtyLossDuringSet : public QObject {
    Q_OBJECT

private slots:
    void moduleEndsBetweenTheFramesOfASet() {
        E2eRig rig;
        QVERIFY2(rig.startModule(), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(QStringLiteral("Query complete！"), 15000));

        // Five frames: password, name, role, baud rate (which starts the
        // retry clock), bind. The module ends in the pause before the third.
        rig->txtPwd->setText(QStringLiteral("6150"));
        rig->txtBDName->setText(QStringLiteral("HALF-SET"));
        rig->IsMaster->setChecked(true);
        rig->paramBaudRate->setCurrentText(QStringLiteral("38400"));
        rig->chkIsBind->setChecked(false);
        int pauses = 0;
        rig.beforePause = [&] {
            if (++pauses != 3)
                return;
            // A moment for the module to take in the frame just written: it
            // handles a signal before what waits on the line.
            QThread::msleep(100);
            rig.endModule();
        };
        const int before = rig.events.size();
        rig->CmdSet->click();
        rig.beforePause = nullptr;
        QCOMPARE(pauses, 5);
        QCOMPARE(commandTypes(receivedFrames(rig.events.mid(before), FrameKind::Set)),
                 (QList<int>{3, 6}));

        checkPortLossHandled(rig);
        if (QTest::currentTestFailed())
            return;
        checkReconnectWorks(rig);
    }
};

QTEST_MAIN(PtyLossDuringSet)
#include "pty_loss_during_set_test.moc"
