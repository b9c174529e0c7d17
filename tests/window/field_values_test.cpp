// Comparing parameter fields by value, and reading the module's state line
// back: the two halves of how the soak and the end-to-end tests judge a
// read.
#include "FieldValues.h"
#include "ModuleState.h"

#include <QtTest>

class FieldValuesTest : public QObject {
    Q_OBJECT

private slots:
    void comparison_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("sameText");
        QTest::addColumn<bool>("sameValue");
        QTest::newRow("word padded") << "park"
                                     << "20,1"
                                     << "0020,0001" << false << true;
        QTest::newRow("word case") << "sniff"
                                   << "ffff,a,0,12"
                                   << "FFFF,000A,0000,0012" << false << true;
        QTest::newRow("word differs") << "scan"
                                      << "400,200,400,200"
                                      << "0400,0200,0400,0201" << false << false;
        QTest::newRow("word missing") << "park"
                                      << "0020"
                                      << "0020,0000" << false << false;
        QTest::newRow("empty word") << "park"
                                    << ",0001"
                                    << ",0001" << true << false;
        QTest::newRow("class of device") << "cod"
                                         << "00ab12"
                                         << "AB12" << false << true;
        QTest::newRow("decimal code") << "baud"
                                      << "039"
                                      << "39" << false << true;
        QTest::newRow("rate row unknown") << "baud"
                                          << "<fast>"
                                          << "<fast>" << true << false;
        QTest::newRow("name case") << "name"
                                   << "Node"
                                   << "NODE" << false << false;
        QTest::newRow("password digits") << "pwd"
                                         << "0020"
                                         << "20" << false << false;
        QTest::newRow("password same") << "pwd"
                                       << "a b"
                                       << "a b" << true << true;
    }

    void comparison() {
        QFETCH(QString, key);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, sameText);
        QFETCH(bool, sameValue);
        QCOMPARE(sameField(key, a, b, FieldComparison::Text), sameText);
        QCOMPARE(sameField(key, a, b, FieldComparison::Value), sameValue);
    }

    void differencesNameBothSidesAndMissingFields() {
        const FieldMap shown{{"park", "20,1"}, {"name", "A"}, {"pwd", "1"}};
        const FieldMap held{{"park", "0020,0001"}, {"name", "B"}};
        QCOMPARE(fieldDifferences(shown, "window", held, "module", {"park", "name", "pwd"},
                                  FieldComparison::Value),
                 (QStringList{"name: window \"A\", module \"B\"",
                              "pwd: window \"1\", module \"<none>\""}));
    }

    void stateLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<FieldMap>("fields");
        QTest::newRow("plain") << "state: name=KAVRO5190 pwd=5807 auth=1"
                               << FieldMap{{"name", "KAVRO5190"}, {"pwd", "5807"}, {"auth", "1"}};
        QTest::newRow("spaces in values")
            << "state: name=A  B pwd= x y auth=0"
            << FieldMap{{"name", "A  B"}, {"pwd", " x y"}, {"auth", "0"}};
        QTest::newRow("escaped bytes")
            << "state: name=a\\x5Cb\\xE9 pwd=\\x20"
            << FieldMap{{"name", QString::fromLatin1("a\\b\xE9")}, {"pwd", " "}};
        QTest::newRow("last value empty")
            << "state: name=N maxconn=" << FieldMap{{"name", "N"}, {"maxconn", ""}};
        QTest::newRow("not a state line") << "  12.0 ms  9600  rx  55 AA" << FieldMap{};
    }

    void stateLine() {
        QFETCH(QString, line);
        QFETCH(FieldMap, fields);
        QCOMPARE(parseModuleState(line), fields);
    }
};

QTEST_MAIN(FieldValuesTest)
#include "field_values_test.moc"
