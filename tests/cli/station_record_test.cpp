// The station's pure parts: the number pattern, what a record's earlier
// lines say about the next number, and the shapes of the lines it writes.
#include "cli/station/NamePattern.h"
#include "cli/station/RecordHistory.h"
#include "cli/station/RecordLines.h"
#include "cli/station/RecordSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

class StationRecord : public QObject {
    Q_OBJECT

private slots:
    void patternGivesNamesOrIsRefused_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("holds");

        QTest::newRow("padded") << "Bench-####"
                                << "" << qint64(42) << "Bench-0042" << true;
        QTest::newRow("run filled") << "Bench-####"
                                    << "" << qint64(9999) << "Bench-9999" << true;
        QTest::newRow("one digit too many") << "B##"
                                            << "" << qint64(100) << "B100" << false;
        QTest::newRow("run first, text after") << "###-x"
                                               << "" << qint64(7) << "007-x" << true;
        QTest::newRow("fourteen characters") << "ABCDEFGHIJK###"
                                             << "" << qint64(1) << "ABCDEFGHIJK001" << true;
        QTest::newRow("no run") << "Bench"
                                << "exactly one run of #" << qint64(0) << "" << false;
        QTest::newRow("two runs") << "A##-##"
                                  << "exactly one run of #" << qint64(0) << "" << false;
        QTest::newRow("fifteen characters")
            << "ABCDEFGHIJKL###"
            << "must be 1 to 14 characters, not 15" << qint64(0) << "" << false;
        QTest::newRow("not printable ASCII")
            << QString::fromUtf8("Bänk-##") << "printable ASCII" << qint64(0) << "" << false;
    }

    void patternGivesNamesOrIsRefused() {
        QFETCH(QString, pattern);
        QFETCH(QString, refusal);
        QFETCH(qint64, number);
        QFETCH(QString, name);
        QFETCH(bool, holds);
        QString error;
        const auto parsed = NamePattern::parse(pattern, error);
        QCOMPARE(parsed.has_value(), refusal.isEmpty());
        QVERIFY2(error.contains(refusal), qPrintable(error));
        if (!parsed)
            return;
        QCOMPARE(parsed->nameFor(number), name);
        QCOMPARE(parsed->holds(number), holds);
        QCOMPARE(parsed->matches(name), holds);
    }

    void patternKnowsItsOwnNames() {
        QString error;
        const NamePattern pattern = *NamePattern::parse("Bench-####", error);
        QVERIFY(pattern.matches("Bench-0000"));
        for (const char* other : {"Bench-042", "Bench-00a2", "Bench-0042x", "bench-0042", "X"})
            QVERIFY2(!pattern.matches(other), other);
    }

    void nextNumberFromTheRecord_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("next");
        QTest::addColumn<QList<qint64>>("unsettled");
        QTest::addColumn<int>("tornLine");
        QTest::addColumn<QString>("error");

        const QByteArray start = "{\"event\":\"start\",\"station\":\"s\"}\n";
        auto reserved = [](int serial) {
            return QByteArray("{\"event\":\"reserved\",\"serial\":") + QByteArray::number(serial) +
                   "}\n";
        };
        auto settled = [](const char* event, int serial) {
            return QByteArray("{\"event\":\"") + event +
                   "\",\"serial\":" + QByteArray::number(serial) + "}\n";
        };
        QTest::newRow("empty") << QByteArray() << qint64(1) << qint64(1) << QList<qint64>{} << 0
                               << "";
        QTest::newRow("at least --first")
            << start + reserved(3) + settled("result", 3) << qint64(100) << qint64(100)
            << QList<qint64>{} << 0 << "";
        QTest::newRow("gaps: one above the highest")
            << start + reserved(1) + settled("result", 1) + reserved(5) + settled("result", 5) +
                   reserved(3) + settled("result", 3)
            << qint64(1) << qint64(6) << QList<qint64>{} << 0 << "";
        QTest::newRow("a number seen on a module is spent")
            << start + reserved(3) + settled("result", 3) + settled("seen", 12) << qint64(1)
            << qint64(13) << QList<qint64>{} << 0 << "";
        QTest::newRow("a void stays spent") << start + reserved(7) + settled("void", 7) << qint64(1)
                                            << qint64(8) << QList<qint64>{} << 0 << "";
        QTest::newRow("reserved without result")
            << start + reserved(4) + settled("result", 4) + reserved(5) << qint64(1) << qint64(6)
            << QList<qint64>{5} << 0 << "";
        QTest::newRow("a result without serial settles nothing")
            << start + reserved(2) + "{\"event\":\"result\",\"serial\":null}\n"
            << qint64(1) << qint64(3) << QList<qint64>{2} << 0 << "";
        QTest::newRow("blank lines passed over")
            << start + "\n  \n" + reserved(2) + "\n"
            << qint64(1) << qint64(3) << QList<qint64>{2} << 0 << "";
        QTest::newRow("torn last line")
            << start + reserved(2) + settled("result", 2) + "{\"event\":\"reserved\",\"ser"
            << qint64(1) << qint64(3) << QList<qint64>{} << 4 << "";
        QTest::newRow("malformed middle line")
            << start + "not json\n" + reserved(2) << qint64(1) << qint64(1) << QList<qint64>{} << 0
            << "line 2 is not a JSON object";
        QTest::newRow("an array is no object")
            << start + "[1]\n"
            << qint64(1) << qint64(1) << QList<qint64>{} << 0 << "line 2 is not a JSON object";
    }

    void nextNumberFromTheRecord() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, first);
        QFETCH(qint64, next);
        QFETCH(QList<qint64>, unsettled);
        QFETCH(int, tornLine);
        QFETCH(QString, error);
        const RecordText record = RecordText::parse(text);
        QVERIFY2(record.error.contains(error) && record.error.isEmpty() == error.isEmpty(),
                 qPrintable(record.error));
        if (!error.isEmpty())
            return;
        QCOMPARE(record.tornLine, tornLine);
        QCOMPARE(record.intactLength, tornLine ? text.lastIndexOf('\n') + 1 : text.size());
        const RecordHistory history = RecordHistory::read(record.lines);
        QCOMPARE(history.nextSerial(first), next);
        QCOMPARE(history.unsettled, unsettled);
    }

    // What a summary says of records crafted by hand: "|" separates the
    // lines a figure must show; an error stops the count at its line.
    void summaryOfRecords_data() {
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("error");
        auto line = [](const QJsonObject& object) {
            return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        };
        auto result = [&](const char* outcome, int serial, const char* before) {
            return line({{"event", "result"},
                         {"outcome", outcome},
                         {"serial", serial},
                         {"before", QJsonObject{{"name", before}}}});
        };
        auto reserved = [&](int serial) {
            return line({{"event", "reserved"},
                         {"serial", serial},
                         {"name", QStringLiteral("U-%1").arg(serial, 2, 10, QLatin1Char('0'))}});
        };
        const QByteArray startA = line({{"event", "start"}, {"station", "a"}});
        const QByteArray startB = line({{"event", "start"}, {"station", "b"}});
        const QByteArray voidOfOne = line({{"event", "void"}, {"serial", 1}});
        const QByteArray seenSeven = line({{"event", "seen"}, {"serial", 7}});
        QTest::newRow("one station once, as the total")
            << QList<QByteArray>{startA + reserved(1) + result("pass", 1, "NEW")}
            << QStringList{"station a, total: 1 passed"} << "";
        // b's start voids the number a left unsettled.
        QTest::newRow("a void is the loss of the station that took it")
            << QList<QByteArray>{startA + reserved(1) + startB + voidOfOne}
            << QStringList{"station a: ", "station b: ", "numbers spent: none, voids: 0", "total: "}
            << "";
        // U-01 fails, comes back as U-01 and passes with U-02; NEW passes.
        QTest::newRow("pass rate and first-pass yield")
            << QList<QByteArray>{startA + reserved(1) + result("fail", 1, "NEW") + reserved(2) +
                                 result("pass", 2, "U-01") + reserved(3) +
                                 result("pass", 3, "OTHER")}
            << QStringList{"pass rate: 66.7 %, first-pass yield: 50.0 %"} << "";
        QTest::newRow("without numbers no first-pass yield")
            << QList<QByteArray>{startA + result("pass", 0, "NEW")}
            << QStringList{"pass rate: 100.0 %\n"} << "";
        QTest::newRow("numbers seen on modules")
            << QList<QByteArray>{startA + seenSeven} << QStringList{"seen on modules: 1"} << "";
        QTest::newRow("two records, two stations")
            << QList<QByteArray>{startA + reserved(1) + result("pass", 1, "NEW"),
                                 startB + reserved(1) + result("already", 1, "U-01")}
            << QStringList{"station a: 1 passed", "station b: 0 passed, 0 failed, 1 already",
                           "total: 1 passed, 0 failed, 1 already"}
            << "";
        QTest::newRow("unknown outcome") << QList<QByteArray>{startA + result("PASS", 1, "NEW")}
                                         << QStringList{} << "unknown outcome \"PASS\"";
    }

    void summaryOfRecords() {
        QFETCH(QList<QByteArray>, records);
        QFETCH(QStringList, shown);
        QFETCH(QString, error);
        RecordSummary summary;
        QString refused;
        for (const QByteArray& text : records) {
            summary.beginRecord();
            for (const QJsonObject& line : RecordText::parse(text).lines)
                if (refused.isEmpty())
                    refused = summary.add(line);
        }
        QCOMPARE(refused, error);
        const QString text = summary.text();
        for (const QString& figure : shown)
            QVERIFY2(text.contains(figure), qPrintable(text));
        // A block per station and one for the total, or one alone.
        const int stations = static_cast<int>(text.count(QStringLiteral("station ")));
        QCOMPARE(text.count(QStringLiteral("passed,")),
                 error.isEmpty() && stations > 1 ? stations + 1 : 1);
    }

    void lineShapes() {
        const QDateTime at(QDate(2024, 5, 2), QTime(14, 3, 7, 512), QTimeZone(-(5 * 3600 + 1800)));
        QCOMPARE(RecordLines::timeText(at), QStringLiteral("2024-05-02T14:03:07.512-05:30"));

        RecordLines::Cycle cycle;
        cycle.outcome = RecordLines::Outcome::Fail;
        cycle.port = "COM3";
        cycle.rate = 9600;
        cycle.before = SettingsExchange::Settings{{"name", QString("OLD")}, {"bind", std::nullopt}};
        cycle.written = QStringList{"password"};
        cycle.step = "writing name";
        cycle.error = "the module refused name";
        cycle.started = at;
        cycle.finished = at.addMSecs(14100);
        cycle.steps = {{"reading", 6.0}, {"writing", 8.1}};
        const QJsonObject result = RecordLines::result(cycle, {"bench-1", "ab12"}, at);
        QCOMPARE(result["event"].toString(), QStringLiteral("result"));
        QCOMPARE(result["outcome"].toString(), QStringLiteral("fail"));
        QVERIFY(result["serial"].isNull() && result["name"].isNull() && result["after"].isNull());
        QCOMPARE(result["before"].toObject(),
                 (QJsonObject{{"name", "OLD"}, {"bind", QJsonValue()}}));
        QCOMPARE(result["seconds"].toDouble(), 14.1);
        QCOMPARE(result["steps"].toObject(), (QJsonObject{{"reading", 6.0}, {"writing", 8.1}}));
        QCOMPARE(result["finished"].toString(), QStringLiteral("2024-05-02T14:03:21.612-05:30"));
        QCOMPARE(result["station"].toString(), QStringLiteral("bench-1"));
        QCOMPARE(result["profile"].toString(), QStringLiteral("ab12"));
        QCOMPARE(result.keys().size(), 19);

        cycle.outcome = RecordLines::Outcome::Pass;
        cycle.serial = 42;
        cycle.name = "Bench-0042";
        cycle.step.clear();
        cycle.error.clear();
        const QJsonObject pass = RecordLines::result(cycle, {"bench-1", "ab12"}, at);
        QCOMPARE(pass["serial"].toInt(), 42);
        QVERIFY(pass["step"].isNull() && pass["error"].isNull());

        const QJsonObject stop = RecordLines::stop({3, 1, 2, 0}, at);
        QCOMPARE(stop.keys(),
                 (QStringList{"aborted", "already", "event", "failed", "passed", "time"}));
        QCOMPARE(stop["already"].toInt(), 2);
        QCOMPARE(RecordLines::reserved(7, "B-07", "COM1", at)["serial"].toInt(), 7);
        QCOMPARE(RecordLines::voided(7, at)["event"].toString(), QStringLiteral("void"));
        QCOMPARE(RecordLines::start({"s", "ab"}, "2.1", {"COM1"}, at)["ports"].toArray().size(), 1);
    }
};

QTEST_GUILESS_MAIN(StationRecord)
#include "station_record_test.moc"
