// A Set through the real pause before each frame: the window system is
// served during every pause, while operator input, the window's timers and
// the line wait until the Set has returned.
#include "E2eRig.h"
#include "WindowSystemProbe.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

namespace {
// Notes whether the first key reached the window before or after the Set.
class KeyWatch : public QObject {
public:
    bool delivered = false;
    bool setReturned = false;
    bool deliveredAfterSet = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && !delivered) {
            delivered = true;
            deliveredAfterSet = setReturned;
        }
        return false;
    }
};
} // namespace

class PtyPauseServesWindow : public QObject {
    Q_OBJECT
    E2eRig rig;

private slots:
    void setServesTheWindowSystemAndNothingElseDuringItsPauses() {
        QVERIFY2(rig.startModule(), qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(QStringLiteral("Query complete！"), 30000));
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window()));
        QWindow* window = rig->windowHandle();
        rig->txtPwd->setText(QStringLiteral("3141"));
        rig->txtBDName->setText(QStringLiteral("PAUSE-1"));
        rig->chkIsBind->setChecked(!rig->chkIsBind->isChecked());
        const qsizetype before = rig.events.size();

        bool inSet = false;
        int ticksDuringSet = 0;
        connect(rig->RecvTimer, &QTimer::timeout, this, [&] { ticksDuringSet += inSet; });
        KeyWatch keys;
        window->installEventFilter(&keys);
        int pauses = 0;
        rig.beforePause = [&] {
            if (++pauses == 2)
                queueKeyAsynchronously(window, Qt::Key_Shift);
        };
        WindowSystemProbe probe(window);
        rig.clearStatuses();
        probe.start();
        inSet = true;
        rig->CmdSet->click();
        inSet = false;
        keys.setReturned = true;
        probe.stop();
        rig.beforePause = nullptr;

        // Served all along: an expose queued every 10 ms was handled soon.
        QVERIFY2(probe.handled() >= 50, qPrintable(QString::number(probe.handled())));
        QVERIFY2(probe.longestLateMs() < 200, qPrintable(QString::number(probe.longestLateMs())));
        // Nothing else: no tick, no answer read, the key still queued.
        QCOMPARE(ticksDuringSet, 0);
        QCOMPARE(rig.statuses,
                 QStringList({"Setting the password......", "Setting the device name......",
                              "Setting Bind......"}));
        QVERIFY(rig.waitFor([&] { return keys.delivered; }, 2000));
        QVERIFY(keys.deliveredAfterSet);
        QVERIFY(rig.waitForStatus(QStringLiteral("Set the bind paramter succeed"), 5000));

        const auto sets = receivedFrames(rig.events.mid(before), FrameKind::Set);
        QCOMPARE(commandTypes(sets), (QList<int>{3, 6, 14}));
        for (qsizetype i = 1; i < sets.size(); ++i)
            QVERIFY2(sets[i].atMs - sets[i - 1].atMs >= 500.0 - noticedLateAtMostMs,
                     qPrintable(QString::number(sets[i].atMs - sets[i - 1].atMs)));
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }
};

QTEST_MAIN(PtyPauseServesWindow)
#include "pty_pause_serves_window_test.moc"
