#include "PortLoss.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString reconnectName = QStringLiteral("BACK-AGAIN");
} // namespace

void checkPortLossHandled(E2eRig& rig) {
    QVERIFY2(rig.waitFor([&] { return !rig.boxes.shown.isEmpty(); }, 5000),
             "no box after the module ended");
    // Long enough for a detection step, a retry tick or a repeated read
    // error to bring a second box.
    const Responsiveness loop = rig.runFor(1500);
    QVERIFY2(loop.longestGapMs < 250,
             qPrintable(QStringLiteral("event loop stalled %1 ms").arg(loop.longestGapMs)));
    QVERIFY2(loop.cpuMs < 300,
             qPrintable(QStringLiteral("%1 ms of CPU in 1.5 s of waiting").arg(loop.cpuMs)));

    QVERIFY2(rig.boxes.shown.size() == 1, qPrintable(rig.boxList().join('\n')));
    const BoxRequest& box = rig.boxes.shown.first();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(box.icon, BoxIcon::Critical);
    QVERIFY2(box.text.startsWith(QStringLiteral("COM1 (")), qPrintable(box.text));

    QCOMPARE(rig->CmdConn->text(), QStringLiteral("Connect"));
    QVERIFY(!rig->MSComm1->PortOpen());
    QCOMPARE(rig->Status->text(), QStringLiteral("    Port is closed!"));
    QVERIFY(rig->bAutoDetect->isEnabled());
    QVERIFY(!rig->TimeoutTimer->isActive());
    QVERIFY(!rig->RetryTimer->isActive());
    QVERIFY(rig->RecvTimer->isActive());
}

void checkReconnectWorks(E2eRig& rig) {
    QVERIFY2(rig.startModule({"--name", reconnectName}), qPrintable(rig.moduleError()));
    rig.boxes.shown.clear();
    rig.clearStatuses();
    rig.connectAt(QStringLiteral("9600"));
    QVERIFY(rig.waitForStatus(QStringLiteral("Query complete！"), 15000));
    const QStringList differ = rig.differences(E2eRig::parameterKeys);
    QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral("; "))));
    QCOMPARE(rig->txtBDName->text(), reconnectName);
    QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
}
