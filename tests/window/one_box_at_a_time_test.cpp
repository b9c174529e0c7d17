// While a message box is open or a pause before a frame runs, nothing of the
// window's own acts: no read of the line, no resend, no detection step, no
// report of a lost port. What fell due acts once the handler that waited has
// returned.
#include "WindowHelpers.h"

#include <QProperty>
#include <QtTest>
#include <utility>

namespace {
enum class Case {
    GiveUpBox,
    PromptDuringDetection,
    WarnDuringDetection,
    PortLostUnderPrompt,
    AnswerDuringSetPause,
    ResendDueUnderABox,
    TickHandedBackInsideANewerPause
};

// Notes each start of a timer, and whether the window was waiting then.
struct ClockStarts {
    QList<bool> whileHeld;
    QPropertyNotifier notifier;

    ClockStarts(QTimer* timer, const frmParvex& window)
        : notifier(timer->bindableActive().addNotifier([this, timer, &window] {
              if (timer->isActive())
                  whileHeld << window.handlersHeld();
          })) {}
};

// Records how many boxes were open at once and what was written meanwhile;
// `meanwhile` runs inside the first box.
struct BoxWatch {
    int open = 0;
    int mostOpen = 0;
    qsizetype writtenMeanwhile = 0;
    bool first = true;

    void watch(WindowUnderTest& w, std::function<void()> meanwhile) {
        w.boxes.whileOpen = [this, &w, meanwhile](const BoxRequest&) {
            mostOpen = std::max(mostOpen, ++open);
            const qsizetype before = w.port->written.size();
            if (first) {
                first = false;
                meanwhile();
            }
            writtenMeanwhile += w.port->written.size() - before;
            --open;
        };
    }
};

QStringList titles(const WindowUnderTest& w) {
    QStringList all;
    for (const BoxRequest& box : w.boxes.shown)
        all << box.title;
    return all;
}

void connectWithDetection(WindowUnderTest& w) {
    w->CmdConn_Click();
    w.port->written.clear();
}
} // namespace

class OneBoxAtATimeTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ParamSnapshot.clear(); }
    void whatFallsDueUnderABoxActsAfterIt_data();
    void whatFallsDueUnderABoxActsAfterIt();
};

void OneBoxAtATimeTest::whatFallsDueUnderABoxActsAfterIt_data() {
    QTest::addColumn<Case>("which");
    QTest::newRow("give-up box, an answer and ticks meanwhile") << Case::GiveUpBox;
    QTest::newRow("prompt in a chunk, detection step due") << Case::PromptDuringDetection;
    QTest::newRow("warning during detection, detection step due") << Case::WarnDuringDetection;
    QTest::newRow("prompt, the port vanishes meanwhile") << Case::PortLostUnderPrompt;
    QTest::newRow("pause of a Set, the port's event queued") << Case::AnswerDuringSetPause;
    QTest::newRow("resend due under a warning") << Case::ResendDueUnderABox;
    QTest::newRow("tick handed back inside the next pause of a Set")
        << Case::TickHandedBackInsideANewerPause;
}

void OneBoxAtATimeTest::whatFallsDueUnderABoxActsAfterIt() {
    QFETCH(Case, which);
    WindowUnderTest w;
    BoxWatch boxes;
    switch (which) {
    case Case::GiveUpBox:
        readKnownModule(w);
        w->CmdClearAddr_Click();
        w->RetryTimer_Timer();
        w->RetryTimer_Timer();
        w.port->written.clear();
        boxes.watch(w, [&] {
            w.port->receive(frameOf(setAnswer(10)));
            w->RecvDataSub();
            w->RetryTimer_Timer();
            w->RetryTimer_Timer();
        });
        w->RetryTimer_Timer();
        QCOMPARE(w.port->InBufferCount(), 6);
        QCoreApplication::processEvents();
        QCOMPARE(w.boxes.texts(),
                 QStringList{"Current command execute fail,please try again after reset！！"});
        QCOMPARE(w.status(), QStringLiteral("Clearing Binded Bluetooth Device Address Succeed"));
        QVERIFY(w.port->written.isEmpty());
        break;
    case Case::PromptDuringDetection:
        connectWithDetection(w);
        boxes.watch(w, [&] { w->TimeoutTimer_Timer(); });
        w.port->receive(frameOf(setAnswer(2, 1)) + frameOf(queryAnswer(0, bytes({2, 10}))));
        w->RecvDataSub();
        QCoreApplication::processEvents();
        // The answer that followed the prompt in the chunk was taken at the
        // rate it came at: the port was never reopened meanwhile.
        QCOMPARE(w.port->openedWith, QStringList{"1200,n,8,1"});
        QCOMPARE(w->DetectBaud, QStringLiteral("1200"));
        QCOMPARE(w->BaudFound, frmParvex::True);
        QCOMPARE(w.port->frames(), QList<QByteArray>{queryFrame(0)});
        break;
    case Case::WarnDuringDetection:
        connectWithDetection(w);
        boxes.watch(w, [&] { w->TimeoutTimer_Timer(); });
        w->CmdSet_Click();
        QCOMPARE(w.boxes.texts(), QStringList{"Please input the password！"});
        QCoreApplication::processEvents();
        // The step that fell due is re-armed: its probe gets a whole second.
        QCOMPARE(w->DetectBaud, QStringLiteral("1200"));
        QVERIFY(w->TimeoutTimer->isActive());
        QVERIFY(w->TimeoutTimer->remainingTime() > 900);
        QVERIFY(w.port->written.isEmpty());
        break;
    case Case::PortLostUnderPrompt:
        readKnownModule(w);
        w.boxes.answers = {BoxAnswer::Yes, BoxAnswer::Yes};
        boxes.watch(w, [&] { w.port->vanish(QStringLiteral("COM1 (/dev/null-test): gone")); });
        w.port->receive(frameOf(setAnswer(3, 1)) + frameOf(setAnswer(6, 1)));
        w->RecvDataSub();
        QCoreApplication::processEvents();
        // The lost port is reported last; the Yes in between sent nothing.
        QCOMPARE(titles(w), QStringList({"Confirm", "Confirm", "Error"}));
        QCOMPARE(w.boxes.shown.last().text, QStringLiteral("COM1 (/dev/null-test): gone"));
        QVERIFY(w.port->written.isEmpty());
        QCOMPARE(w.status(), QStringLiteral("Port is closed!"));
        QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
        break;
    case Case::AnswerDuringSetPause: {
        readKnownModule(w);
        setShownValues(*w.window, {"txtPwd", "txtBDName"}, {"2468", "Bench"});
        QStringList statuses;
        connect(w.window.get(), &frmParvex::statusShown,
                [&statuses](const QString& msg) { statuses << msg; });
        bool arrived = false;
        w.duringPause = [&w, &arrived] {
            if (std::exchange(arrived, true))
                return;
            w.port->receive(frameOf(setAnswer(3)));
            QMetaObject::invokeMethod(
                w.port,
                [&w] { emit w.port->OnComm(SerialPortControl::CommEvent::Received, QString()); },
                Qt::QueuedConnection);
        };
        w->CmdSet_Click();
        QCOMPARE(statuses,
                 QStringList({"Setting the password......", "Setting the device name......"}));
        QCoreApplication::processEvents();
        QCOMPARE(statuses.last(), QStringLiteral("Set password succeed"));
        QCOMPARE(w.port->written.size(), 2);
        break;
    }
    case Case::ResendDueUnderABox: {
        readKnownModule(w);
        w->CmdClearAddr_Click();
        w.port->written.clear();
        ClockStarts starts(w->RetryTimer, *w.window);
        boxes.watch(w, [&] { w->RetryTimer_Timer(); });
        w->txtPwd->clear();
        w->CmdSet_Click();
        QCoreApplication::processEvents();
        QCOMPARE(w.boxes.texts(), QStringList{"Please input the password！"});
        QCOMPARE(w.port->frames(), QList<QByteArray>{setFrame(10, bytes({0}))});
        QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:1"));
        // The clock starts anew with the resend: the module has its whole
        // second before the next one.
        QCOMPARE(starts.whileHeld, QList<bool>{false});
        QVERIFY(w->RetryTimer->isActive());
        break;
    }
    case Case::TickHandedBackInsideANewerPause: {
        readKnownModule(w);
        w->CmdClearAddr_Click();
        setShownValues(*w.window, {"txtPwd", "txtBDName"}, {"2468", "Bench"});
        w.port->written.clear();
        ClockStarts starts(w->RetryTimer, *w.window);
        int pauses = 0;
        w.duringPause = [&] {
            if (++pauses == 1)
                w->RetryTimer_Timer();
        };
        w->CmdSet_Click();
        // Handed back during the second step's pause, the tick waited again
        // and then resent the last step.
        QVERIFY(starts.whileHeld.isEmpty());
        QCOMPARE(w.port->written.size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(starts.whileHeld, QList<bool>{false});
        QCOMPARE(w.port->written.size(), 3);
        QCOMPARE(w.port->frames()[2], w.port->frames()[1]);
        QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:1"));
        break;
    }
    }
    QVERIFY(boxes.mostOpen <= 1);
    QCOMPARE(boxes.writtenMeanwhile, 0);
}

QTEST_MAIN(OneBoxAtATimeTest)
#include "one_box_at_a_time_test.moc"
