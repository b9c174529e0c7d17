// The whole round of an operator: connect, read the module, edit every
// field, write, read again, with a module on the fake line that keeps its
// settings.
#include "WindowHelpers.h"

#include <QMap>
#include <QtTest>

namespace {
// A module on the fake line. It keeps each parameter as the bytes of its
// query answer data, which are also the parameter bytes of its set command;
// it answers every frame at once and refuses what it cannot take.
struct ScriptedModule {
    QMap<int, QByteArray> settings{
        {0, bytes({3, 1})},
        {1, bytes({0x00, 0x27})},
        {2, bytes({1})},
        {3, QByteArray("5807")},
        {4, QByteArray(8, '\0')},
        {5, QByteArray(4, '\0')},
        {6, QByteArray("KAVRO5190")},
        {7, QByteArray(3, '\0')},
        {8, bytes({0})},
        {9, bytes({3})},
        {13, bytes({0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00})},
        {14, bytes({1})},
    };
    QList<int> applied;

    void attach(FakePort& port) {
        port.onOutput = [this, &port](const QByteArray& frame) {
            port.receive(frameOf(answerTo(frame.mid(3))));
        };
    }

    QByteArray answerTo(const QByteArray& body) {
        const int first = static_cast<uint8_t>(body[0]);
        if (first == 0x50) {
            const int type = static_cast<uint8_t>(body[1]);
            if (!settings.contains(type))
                return queryAnswer(type, {}, 1);
            return queryAnswer(type, settings[type]);
        }
        return setAnswer(first, apply(first, body.mid(1)) ? 0 : 1);
    }

    bool apply(int type, const QByteArray& param) {
        static const QMap<int, int> lengths{{1, 2}, {2, 1},  {4, 8},  {5, 4}, {7, 3},
                                            {8, 1}, {10, 1}, {13, 8}, {14, 1}};
        const bool text = type == 3 || type == 6;
        if (text ? param.isEmpty() : lengths.value(type, -1) != param.size())
            return false;
        applied << type;
        const bool keepRate = type == 1 && param == bytes({0, 0});
        if (type != 10 && !keepRate)
            settings[type] = param;
        return true;
    }
};

// Lets the window read until the line is quiet.
void readUntilQuiet(WindowUnderTest& w) {
    for (int read = 0; read < 50 && w.port->InBufferCount() > 0; ++read)
        w->RecvDataSub();
}
} // namespace

class OperatorCycleTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void readEditWriteAndReadBack();
};

void OperatorCycleTest::readEditWriteAndReadBack() {
    WindowUnderTest w;
    ScriptedModule module;
    module.attach(*w.port);

    w.connectWithoutDetection(QStringLiteral("9600"));
    readUntilQuiet(w);

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
    readUntilQuiet(w);

    QCOMPARE(module.applied, QList<int>({2, 3, 7, 6, 8, 5, 4, 1, 13, 14}));
    QCOMPARE(w.status(), QStringLiteral("Set the bind paramter succeed"));
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(!w->RetryTimer->isActive());
    QCOMPARE(module.settings[1], bytes({0x00, 0xEC}));
    QCOMPARE(module.settings[6], QByteArray("Cycle-Unit"));
    QCOMPARE(module.settings[13], bytes({0x08, 0x00, 0x00, 0x12, 0x0A, 0x00, 0x0A, 0x00}));

    w->CmdQuery_Click();
    readUntilQuiet(w);

    QCOMPARE(w.status(), QStringLiteral("Query complete！"));
    QCOMPARE(shownValues(*w.window, parameterControls()), edited);
    QVERIFY(w.boxes.shown.isEmpty());

    // What the window reads back is what it last wrote: nothing to send.
    w.port->written.clear();
    w->CmdSet_Click();
    QVERIFY(w.port->written.isEmpty());
}

QTEST_MAIN(OperatorCycleTest)
#include "operator_cycle_test.moc"
