// The station's board and setup form on the offscreen platform, fed with
// the station's events as a lane and the record would give them.
#include "StationBoard.h"
#include "StationForm.h"
#include "cli/station/StationRun.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using RecordLines::Outcome;
Q_DECLARE_METATYPE(TileState)

class StationBoardTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return file.fileName();
    }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("parvex-test"));
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    // What a tile says, in words and to a screen reader, whatever its colour.
    void tileShowsEachEvent_data() {
        QTest::addColumn<TileState>("state");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("detail");
        QTest::newRow("a pass") << TileState{"COM3", "", Outcome::Pass, "Bench-0042", "", ""}
                                << "PASS Bench-0042"
                                << "Provisioned. Take the module off.";
        QTest::newRow("a failure with its step")
            << TileState{"COM4", "", Outcome::Fail, "", "writing name", "no answer"} << "FAIL"
            << "Failed at writing name: no answer. Take the module off.";
        QTest::newRow("already") << TileState{"COM5", "", Outcome::Already, "Bench-0007", "", ""}
                                 << "ALREADY Bench-0007"
                                 << "Already provisioned: nothing written. Take the module off.";
        QTest::newRow("waiting for the store")
            << TileState{"COM6", "waiting for the store (unreachable since 10:02:03)", {}, "", "",
                         ""}
            << "waiting for the store (unreachable since 10:02:03)"
            << "";
        QTest::newRow("in its cycle")
            << TileState{"COM7", "writing name", {}, "", "", ""} << "writing name"
            << "";
    }
    void tileShowsEachEvent() {
        QFETCH(TileState, state);
        QFETCH(QString, verdict);
        QFETCH(QString, detail);
        StationBoard board({state.port});
        board.showLane(0, state);
        LaneTile* tile = board.tile(0);
        QCOMPARE(tile->verdictText(), verdict);
        QCOMPARE(tile->detailText(), detail);
        QCOMPARE(tile->accessibleName(),
                 QStringLiteral("%1: %2").arg(state.port.section('/', -1), verdict));
        QVERIFY(!tile->accessibleDescription().isEmpty());
        QCOMPARE(tile->focusPolicy(), Qt::StrongFocus);
        // A result changes the ground; waiting keeps the plain one.
        QCOMPARE(tile->styleSheet().contains(QLatin1String("#eceff1")), !state.outcome.has_value());
    }

    void countsOfTheRun() {
        StationBoard board({"COM1", "COM2"});
        board.showCounts({{8, 2, 1, 1}, 10, 11, "store unreachable since 10:02:03, 2 waiting"});
        QCOMPARE(board.countsText(), QStringLiteral("Passed: 8, Failed: 2, Already: 1, Aborted: 1, "
                                                    "Pass rate: 80.0 %, Numbers spent: 11, "
                                                    "Quota: 8 of 10 passed"));
        QCOMPARE(board.storeText(), QStringLiteral("store unreachable since 10:02:03, 2 waiting"));
        board.showCounts({{10, 2, 1, 1}, 10, 12, {}});
        QVERIFY(board.countsText().endsWith(QLatin1String("Quota reached: 10 of 10 passed")));
        QCOMPARE(board.storeText(), QString());
        board.showCounts({});
        QVERIFY(board.countsText().contains(QLatin1String("Pass rate: -")));
    }

    // With no cycle in progress Stop asks nothing; the window stays until
    // the station has ended and its record is settled.
    void stopAndCloseWaitForTheStation() {
        StationBoard board({"COM1"});
        board.show();
        QSignalSpy stops(&board, &StationBoard::stopRequested);
        board.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&board));
        // From the keyboard: Alt+S presses Stop a moment later.
        QTest::keyClick(&board, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(stops.size(), 1);
        board.close();
        QVERIFY(board.isVisible());
        board.findChild<QPushButton*>()->click();
        QCOMPARE(stops.size(), 1);
        board.stationEnded();
        QVERIFY(!board.isVisible());
    }

    // Bad input is shown next to its field, and nothing starts.
    void formRefusesBadInput_data() {
        QTest::addColumn<QStringList>("fields"); // name=value, "port" ticks the first row
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("fault");
        const QString profile = writeFile("profile.json", R"({"bind": false})");
        QTest::newRow("no profile") << QStringList{"port"} << "profile"
                                    << "give exactly one PROFILE";
        QTest::newRow("no port") << QStringList{"profile=" + profile} << "port"
                                 << "give at least one port";
        QTest::newRow("a profile that is not one")
            << QStringList{"profile=" + writeFile("bad.json", "{"), "port"} << "profile"
            << "bad.json";
        QTest::newRow("quota not a number")
            << QStringList{"profile=" + profile, "port", "quota=ten"} << "quota"
            << "--quota: must be a whole number";
        QTest::newRow("first below 1")
            << QStringList{"profile=" + profile, "port", "first=0"} << "first"
            << "--first: must be a whole number from 1";
        QTest::newRow("a pattern without #")
            << QStringList{"profile=" + profile, "port", "name-pattern=Bench"} << "name-pattern"
            << "#";
        QTest::newRow("a record that is a folder")
            << QStringList{"profile=" + profile, "port", "record=" + dir.path()} << "record"
            << dir.path();
        QTest::newRow("a store that does not answer")
            << QStringList{"profile=" + profile, "port", "record=" + dir.filePath("store.jsonl"),
                           "store=postgresql://127.0.0.1:1/line"}
            << "store"
            << "--store: ";
    }
    void formRefusesBadInput() {
        QFETCH(QStringList, fields);
        QFETCH(QString, field);
        QFETCH(QString, fault);
        int started = 0;
        std::unique_ptr<StationRun> run;
        StationForm form([&](const Request& request, QString& at, QString& reason) {
            run = std::make_unique<StationRun>();
            StationRun::Refusal refusal;
            const bool opened = run->open(request, refusal);
            at = refusal.option;
            reason = refusal.reason;
            started += opened ? 1 : 0;
            return opened;
        });
        for (const QString& entry : fields) {
            if (entry == QLatin1String("port"))
                form.portList()->item(0)->setCheckState(Qt::Checked);
            else
                form.field(entry.section('=', 0, 0))->setText(entry.section('=', 1));
        }
        QVERIFY(!form.tryStart());
        QVERIFY2(form.faultOf(field).contains(fault), qPrintable(form.faultOf(field)));
        QCOMPARE(started, 0);
    }

    // A good setup starts, and is offered again the next time.
    void formRemembersTheLastSetup() {
        const QString profile = writeFile("profile.json", R"({"bind": false})");
        const QString record = dir.filePath("remembered.jsonl");
        {
            StationForm form([](const Request&, QString&, QString&) { return true; });
            form.field("profile")->setText(profile);
            form.field("record")->setText(record);
            form.field("name-pattern")->setText("Bench-####");
            form.portList()->item(1)->setCheckState(Qt::Checked);
            QVERIFY(form.tryStart());
            QCOMPARE(form.request().ports.size(), 1);
            QCOMPARE(form.request().namePattern, QStringLiteral("Bench-####"));
        }
        StationForm again([](const Request&, QString&, QString&) { return true; });
        QCOMPARE(again.field("record")->text(), record);
        QCOMPARE(again.portList()->item(1)->checkState(), Qt::Checked);
        QCOMPARE(again.portList()->item(0)->checkState(), Qt::Unchecked);
        QVERIFY(again.arguments().contains("Bench-####"));
        // With no record given, one in the user's application data.
        again.field("record")->clear();
        QCOMPARE(again.arguments().mid(again.arguments().indexOf("--record") + 1, 1),
                 QStringList{StationForm::defaultRecord()});
        QVERIFY(StationForm::defaultRecord().startsWith(
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    }
};

QTEST_MAIN(StationBoardTest)
#include "station_board_test.moc"
