// The module's process ends while the window has the port open: idle after a
// read, and in the middle of one.
#include "PortLoss.h"

#include <QTest>

class PtyLossOpenAndRead : public QObject {
    Q_OBJECT

private slots:
    void moduleEndsWhileConnected() {
        E2eRig rig;
        QVERIFY2(rig.startModule(), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(QStringLiteral("Query complete！"), 15000));
        QVERIFY(rig.boxes.shown.isEmpty());

        rig.endModule();
        checkPortLossHandled(rig);
        if (QTest::currentTestFailed())
            return;
        checkReconnectWorks(rig);
    }

    void moduleEndsDuringARead() {
        E2eRig rig;
        QVERIFY2(rig.startModule(), qPrintable(rig.moduleError()));
        // Ends the module while the name answer is being handled: the next
        // query goes to a line that is gone.
        const auto ending =
            connect(&rig.window(), &frmParvex::statusShown, &rig, [&](const QString& msg) {
                if (msg == QLatin1String("Query the device name succeed"))
                    rig.endModule();
            });
        rig.connectAt(QStringLiteral("9600"));
        checkPortLossHandled(rig);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(rig.statusSeen(QStringLiteral("Query the device name succeed")));
        QVERIFY(!rig.statusSeen(QStringLiteral("Query complete！")));

        disconnect(ending);
        checkReconnectWorks(rig);
    }
};

QTEST_MAIN(PtyLossOpenAndRead)
#include "pty_loss_open_and_read_test.moc"
