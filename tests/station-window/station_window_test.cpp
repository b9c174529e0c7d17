// The station's window on a real X server, with two virtual modules on
// fixtures: started with options it provisions both, shows PASS on both
// tiles soon after their record lines, and Stop leaves a settled record.
#include "CliRig.h"
#include "StationWindow.h"
#include "cli/station/RecordHistory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

namespace {
// A tile's paint after its result line, at most.
constexpr qint64 tileWithinMs = 50;

QList<QJsonObject> recordLines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? RecordText::parse(file.readAll()).lines
                                          : QList<QJsonObject>();
}

// When a widget is painted next after being armed.
class PaintClock : public QObject {
public:
    QElapsedTimer clock;
    qint64 armedAt = -1;
    qint64 paintedAfter = -1;

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && armedAt >= 0 && paintedAfter < 0)
            paintedAfter = clock.elapsed() - armedAt;
        return false;
    }
};
} // namespace

class StationWindowTest : public QObject {
    Q_OBJECT
    CliRig rig;

private slots:
    void provisionsBothAndStops() {
        qputenv("PARVEX_STATION_NO_BOXES", "1");
        TestModule* first = rig.startFixture(QStringList{"--name", "FIRST"});
        TestModule* second = rig.startFixture(QStringList{"--name", "SECOND"});
        QVERIFY(first && second);
        const QString profile = rig.writeFile("profile.json", R"({"password": "2468"})");
        const QString record = rig.writeFile("window.jsonl", {});
        QFile::remove(record);

        StationWindow window;
        QVERIFY(
            window.start({profile, "-p", first->path(), "-p", second->path(), "--record", record,
                          "--name-pattern", "W-###", "--rate", "9600", "--station", "window"}));
        QVERIFY(QTest::qWaitForWindowExposed(window.board()));
        PaintClock clocks[2];
        for (int i = 0; i < 2; ++i) {
            clocks[i].clock.start();
            window.board()->tile(i)->installEventFilter(&clocks[i]);
        }
        const QStringList ports{first->path(), second->path()};
        connect(window.station(), &Station::lineWritten, this, [&](const QJsonObject& line) {
            if (line["event"] != QLatin1String("result"))
                return;
            PaintClock& clock = clocks[ports.indexOf(line["port"].toString())];
            clock.armedAt = clock.clock.elapsed();
        });
        const auto passes = [&] {
            return window.board()->tile(0)->verdictText().startsWith(QLatin1String("PASS")) &&
                   window.board()->tile(1)->verdictText().startsWith(QLatin1String("PASS"));
        };
        QVERIFY2(QTest::qWaitFor(passes, 60000), qPrintable(window.board()->countsText()));
        QTRY_VERIFY(clocks[0].paintedAfter >= 0 && clocks[1].paintedAfter >= 0);
        for (const PaintClock& clock : clocks) {
            qInfo("a tile painted its result %lld ms after its record line", clock.paintedAfter);
            QVERIFY(clock.paintedAfter <= tileWithinMs);
        }
        QCOMPARE(window.board()->tile(0)->accessibleName(),
                 first->path().section('/', -1) + ": " + window.board()->tile(0)->verdictText());
        QVERIFY2(window.board()->countsText().startsWith(QLatin1String("Passed: 2, Failed: 0")),
                 qPrintable(window.board()->countsText()));

        QSignalSpy finished(&window, &StationWindow::finished);
        window.board()->findChild<QPushButton*>()->click();
        QVERIFY(!finished.isEmpty() || finished.wait(10000));
        QCOMPARE(window.status(), 0);
        QVERIFY(!window.board()->isVisible());
        const QList<QJsonObject> lines = recordLines(record);
        QCOMPARE(lines.last()["event"].toString(), QStringLiteral("stop"));
        QCOMPARE(lines.last()["passed"].toInt(), 2);
        QVERIFY(RecordHistory::read(lines).unsettled.isEmpty());
        QStringList names{first->settings()["name"].toString(),
                          second->settings()["name"].toString()};
        names.sort();
        QCOMPARE(names, (QStringList{"W-001", "W-002"}));
    }

    void cleanupTestCase() { rig.endModules(); }
};

QTEST_MAIN(StationWindowTest)
#include "station_window_test.moc"
