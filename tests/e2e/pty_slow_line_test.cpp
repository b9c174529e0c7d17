// Answers that trickle in one byte at a time with random bytes between
// them: the read must still bring every value into the window.
#include "E2eRig.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

class PtySlowLine : public QObject {
    Q_OBJECT

private slots:
    void readSurvivesSplitAnswersAndNoise() {
        E2eRig rig;
        QVERIFY2(rig.startModule({"--byte-delay", "4", "--noise", "--seed", "7", "--name",
                                  "DRIP-FEED", "--password", "0613", "--max-conn", "2"}),
                 qPrintable(rig.moduleError()));
        rig.connectAt(QStringLiteral("9600"));
        QVERIFY(rig.waitForStatus(QStringLiteral("Query complete！"), 20000));

        // Noise follows each of the twelve answers; the last may still be on
        // its way.
        QVERIFY(
            rig.waitFor([&] { return countOf(rig.events, QStringLiteral("noise")) == 12; }, 2000));
        const QStringList differ = rig.differences(E2eRig::parameterKeys);
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral("; "))));
        QCOMPARE(rig->version->text(), QStringLiteral("(Firmware Version 2.10)"));
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxList().join('\n')));
    }
};

QTEST_MAIN(PtySlowLine)
#include "pty_slow_line_test.moc"
