// The whole round of an operator: connect, read the module, edit every
// field, write, read again, with a module on the fake line that keeps its
// settings.
#include "ScriptedModule.h"
#include "WindowHelpers.h"

#include <QtTest>

namespace {
// What a second of real time does: the retry clock ticks if it runs, and
// the window reads what the module answered.
void aSecondPasses(WindowUnderTest& w) {
    if (w->RetryTimer->isActive())
        w->RetryTimer_Timer();
    w.readUntilQuiet();
}
} // namespace

class OperatorCycleTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void readEditWriteAndReadBack();
    void bodyThatIsNoAnswerAfterTheReadLeavesTheEditToSet_data();
    void bodyThatIsNoAnswerAfterTheReadLeavesTheEditToSet();
    void editMadeWhileAReadRunsIsSentByTheNextSet_data();
    void editMadeWhileAReadRunsIsSentByTheNextSet();
};

void OperatorCycleTest::readEditWriteAndReadBack() {
    WindowUnderTest w;
    Settings known = factorySettings();
    known.firmwareMajor = 3;
    known.firmwareMinor = 1;
    known.maxConnections = 3;
    ScriptedModule module(*w.port, known);

    w.connectWithoutDetection(QStringLiteral("9600"));
    w.readUntilQuiet();

    QCOMPARE(w.status(), QStringLiteral("Query complete！"));
    QCOMPARE(shownValues(*w.window, parameterControls()),
             QStringList({"(Firmware Version 3.1)", "9600", "checked", "5807", "0000", "0000",
                          "0000", "0000", "0000", "0000", "KAVRO5190", "000000", "unchecked", "3",
                          "0400", "0200", "0400", "0200", "checked"}));
    QVERIFY(w->CmdSet->isEnabled());

    const QStringList edited{"(Firmware Version 3.1)",
                             "57600",
                             "unchecked",
                             "24680",
                             "0320",
                             "0050",
                             "0008",
                             "0010",
                             "0800",
                             "0100",
                             "Cycle-Unit",
                             "5A020C",
                             "checked",
                             "3",
                             "0800",
                             "0012",
                             "0A00",
                             "0A00",
                             "unchecked"};
    setShownValues(*w.window, parameterControls().mid(1), edited.mid(1));
    w.port->written.clear();

    w->CmdSet_Click();
    QCOMPARE(w.port->written.size(), 10);
    w.readUntilQuiet();

    QCOMPARE(module.applied, QList<int>({2, 3, 7, 6, 8, 5, 4, 1, 13, 14}));
    QCOMPARE(w.status(), QStringLiteral("Set the bind paramter succeed"));
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());
    QCOMPARE(module.settings().baudCode, 236);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(module.settings().name.data()),
                        static_cast<qsizetype>(module.settings().name.size())),
             QByteArray("Cycle-Unit"));
    QCOMPARE(module.settings().scan, (std::array<uint16_t, 4>{0x0800, 0x0012, 0x0A00, 0x0A00}));

    w->CmdQuery_Click();
    w.readUntilQuiet();

    QCOMPARE(w.status(), QStringLiteral("Query complete！"));
    QCOMPARE(shownValues(*w.window, parameterControls()), edited);
    QVERIFY(w.boxes.shown.isEmpty());

    // What the window reads back is what it last wrote: nothing to send.
    w.port->written.clear();
    w->CmdSet_Click();
    QVERIFY(w.port->written.isEmpty());
}

void OperatorCycleTest::bodyThatIsNoAnswerAfterTheReadLeavesTheEditToSet_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("noise forming a frame") << bytes({0x61, 0x00, 0x01});
    QTest::newRow("the bind query echoed back") << bytes({0x50, 0x0E});
}

void OperatorCycleTest::bodyThatIsNoAnswerAfterTheReadLeavesTheEditToSet() {
    QFETCH(QByteArray, body);
    WindowUnderTest w;
    ScriptedModule module(*w.port);
    w.connectWithoutDetection();
    w.readUntilQuiet();
    QCOMPARE(w.status(), QStringLiteral("Query complete！"));
    w.port->written.clear();

    w.port->receive(frameOf(body));
    w.readUntilQuiet();
    w->txtBDName->setText(QStringLiteral("Edited-Name"));
    aSecondPasses(w);
    w->CmdSet_Click();
    w.readUntilQuiet();

    // A resent bind query would have taken the edit into the snapshot
    // before Set compared against it.
    QCOMPARE(w.port->frames(), QList<QByteArray>{setFrame(6, QByteArray("Edited-Name"))});
    QCOMPARE(module.applied, QList<int>{6});
    QCOMPARE(w.status(), QStringLiteral("Set device name succeed"));
    QVERIFY(!w->RetryTimer->isActive());
}

void OperatorCycleTest::editMadeWhileAReadRunsIsSentByTheNextSet_data() {
    QTest::addColumn<int>("answersBeforeTheEdit");
    QTest::addColumn<bool>("scanAnsweredTwice");
    QTest::addColumn<QByteArray>("passwordRead");
    // The password is read fourth.
    QTest::newRow("edit after its answer") << 4 << false << QByteArray("1234");
    QTest::newRow("edit before an answer without data") << 3 << false << QByteArray();
    // The second scan answer sends the bind query again: its answer ends
    // the read a second time, after the operator's edit.
    QTest::newRow("edit after the end, before a repeated answer ends the read again")
        << 13 << true << QByteArray("1234");
}

void OperatorCycleTest::editMadeWhileAReadRunsIsSentByTheNextSet() {
    QFETCH(int, answersBeforeTheEdit);
    QFETCH(bool, scanAnsweredTwice);
    QFETCH(QByteArray, passwordRead);
    WindowUnderTest w;
    QList<ReadAnswer> answers = knownModuleAnswers();
    answers[3].data = passwordRead;
    if (scanAnsweredTwice) {
        answers.insert(11, answers[10]);
        answers.append(answers.last());
    }
    w.connectWithoutDetection();

    for (const ReadAnswer& answer : answers.mid(0, answersBeforeTheEdit))
        w.answer(queryAnswer(answer.type, answer.data));
    w->txtPwd->setText(QStringLiteral("9999"));
    for (const ReadAnswer& answer : answers.mid(answersBeforeTheEdit))
        w.answer(queryAnswer(answer.type, answer.data));
    QCOMPARE(w.status(), QStringLiteral("Query complete！"));
    w.port->written.clear();
    w->CmdSet_Click();

    QCOMPARE(w.port->frames(), QList<QByteArray>{setFrame(3, QByteArray("9999"))});
}

QTEST_MAIN(OperatorCycleTest)
#include "operator_cycle_test.moc"
