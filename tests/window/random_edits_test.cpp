// The soak's random edits written through the window to a module on the
// fake line that keeps what it is sent: every draw is accepted without a
// box, the module then holds it, and a read shows it again, value by value.
#include "FieldValues.h"
#include "ModuleState.h"
#include "RandomEdits.h"
#include "ScriptedModule.h"
#include "WindowFields.h"
#include "WindowHelpers.h"

#include <QtTest>

class RandomEditsTest : public QObject {
    Q_OBJECT

private slots:
    void everyDrawIsAcceptedHeldAndReadBack();
};

void RandomEditsTest::everyDrawIsAcceptedHeldAndReadBack() {
    ParamSnapshot.clear();
    WindowUnderTest w;
    ScriptedModule module(*w.port);
    w.connectWithoutDetection();
    w.readUntilQuiet();
    QCOMPARE(w.status(), QStringLiteral("Query complete！"));

    std::mt19937 random(1);
    for (int round = 0; round < 300; ++round) {
        const QString rate =
            round % 5 == 0 ? otherStandardRate(w->paramBaudRate->currentText(), random) : QString();
        editAtRandom(*w.window, random, rate);
        const FieldMap written = windowFields(*w.window);
        w->CmdSet->click();
        w.readUntilQuiet();
        QVERIFY2(w.boxes.shown.isEmpty(), qPrintable(w.boxes.texts().join('\n')));

        const FieldMap held = parseModuleState(QString::fromStdString(describe(module.settings())));
        const QStringList notHeld =
            fieldDifferences(written, QStringLiteral("set"), held, QStringLiteral("module"),
                             parameterFieldKeys, FieldComparison::Value);
        QVERIFY2(notHeld.isEmpty(), qPrintable(notHeld.join('\n')));

        w->CmdQuery->click();
        w.readUntilQuiet();
        const QStringList notRead =
            fieldDifferences(windowFields(*w.window), QStringLiteral("window"), written,
                             QStringLiteral("set"), parameterFieldKeys, FieldComparison::Value);
        QVERIFY2(notRead.isEmpty(), qPrintable(notRead.join('\n')));
    }
}

QTEST_MAIN(RandomEditsTest)
#include "random_edits_test.moc"
