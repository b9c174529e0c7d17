// Every parameter's value to its set command's bytes and back from an
// answer's data, and every rule a value can break, with its message.
#include "protocol/Parameters.h"

#include <QtTest>

class ParametersTest : public QObject {
    Q_OBJECT
private slots:
    void valueToBytesAndBack_data();
    void valueToBytesAndBack();
    void refusals_data();
    void refusals();
    void answersOfAnotherFormHoldNoValue();
    void readOnlyAndFactoryValues();
};

void ParametersTest::valueToBytesAndBack_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("canonical");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char* name, const char* key, const char* given, const char* canonical,
                  const char* hex) {
        QTest::newRow(name) << key << given << canonical << QByteArray::fromHex(hex);
    };
    row("baud 9600", "baud", "9600", "9600", "0027");
    row("baud 115200", "baud", "115200", "115200", "01D8");
    row("security on", "security", "on", "on", "01");
    row("security false", "security", "FALSE", "off", "00");
    row("security true", "security", "true", "on", "01");
    row("password of four", "password", "1234", "1234", "31323334");
    row("password with a space", "password", "a b", "a b", "612062");
    row("sniff words", "sniff", "0102,0304,0506,0708", "0102,0304,0506,0708", "0102030405060708");
    row("sniff short and lower", "sniff", "320,50,8, 8", "0320,0050,0008,0008", "0320005000080008");
    row("park", "park", "800,100", "0800,0100", "08000100");
    row("name of fourteen", "name", "ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN",
        "4142434445464748494A4B4C4D4E");
    row("class padded", "class", "1f00", "001F00", "001F00");
    row("class of six", "class", "5A020C", "5A020C", "5A020C");
    row("role master", "role", "Master", "master", "01");
    row("role slave", "role", "slave", "slave", "00");
    row("scan window equal to interval", "scan", "400,400,0400,0200", "0400,0400,0400,0200",
        "0400040004000200");
    row("bind off", "bind", "off", "off", "00");
}

void ParametersTest::valueToBytesAndBack() {
    QFETCH(QString, key);
    QFETCH(QString, given);
    QFETCH(QString, canonical);
    QFETCH(QByteArray, bytes);
    const Parameters::Parameter* parameter = Parameters::byKey(key);
    QVERIFY(parameter);
    const Parameters::Checked checked = Parameters::check(*parameter, given);
    QCOMPARE(checked.rule, QString());
    QCOMPARE(checked.value, std::optional<QString>(canonical));
    QCOMPARE(Parameters::encode(*parameter, canonical).toHex().toUpper(), bytes.toHex().toUpper());
    // An answer carries the value in the layout of the set command.
    QCOMPARE(Parameters::decode(*parameter, bytes), std::optional<QString>(canonical));
}

void ParametersTest::refusals_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("rule");
    auto row = [](const char* key, const char* given, const char* rule) {
        QTest::newRow(qPrintable(QStringLiteral("%1=%2").arg(key, given)))
            << key << QString::fromUtf8(given) << QString::fromUtf8(rule);
    };
    row("baud", "9601",
        "9601 is not a rate the module takes (1200, 2400, 4800, 9600, 19200, "
        "38400, 57600, 115200)");
    row("baud", "No Change",
        "No Change is not a rate the module takes (1200, 2400, 4800, 9600, "
        "19200, 38400, 57600, 115200)");
    row("security", "yes", "must be on or off");
    row("role", "on", "must be master or slave");
    row("password", "   ", "Please input the password！");
    row("password", "123456789", "must be 1 to 8 characters, not 9");
    row("password", "pässwd", "must be printable ASCII characters");
    row("name", "ABCDEFGHIJKLMNO", "must be 1 to 14 characters, not 15");
    row("name", "", "must be 1 to 14 characters, not 0");
    row("name", "tab\there", "must be printable ASCII characters");
    row("name", "DEL\x7f", "must be printable ASCII characters");
    row("password", "pw\x7f", "must be printable ASCII characters");
    row("class", "1234567", "must be 1 to 6 hexadecimal digits");
    row("class", "12 4", "must be 1 to 6 hexadecimal digits");
    row("class", "", "must be 1 to 6 hexadecimal digits");
    row("sniff", "1,2,3", "must be 4 hexadecimal words: max,min,attempt,timeout");
    row("sniff", "1,2,3,12345", "Sniff timeout must be 1 to 4 hexadecimal digits!");
    row("park", "800,", "Park Minimum must be 1 to 4 hexadecimal digits!");
    row("park", "G00,100", "Park Maximum must be 1 to 4 hexadecimal digits!");
    row("scan", "0400,0401,0400,0200",
        "Page Scan window can not be larger than Page Scan interval!");
    row("scan", "0400,0200,00ff,0100",
        "Inquiry Scan window can not be larger than Inquiry Scan interval!");
    row("version", "2.10", "is read only");
    row("connections", "1", "is read only");
}

void ParametersTest::refusals() {
    QFETCH(QString, key);
    QFETCH(QString, given);
    QFETCH(QString, rule);
    const Parameters::Checked checked = Parameters::check(*Parameters::byKey(key), given);
    QVERIFY(!checked.value);
    QCOMPARE(checked.rule, rule);
}

void ParametersTest::answersOfAnotherFormHoldNoValue() {
    auto decoded = [](const char* key, const char* hex) {
        return Parameters::decode(*Parameters::byKey(QString::fromLatin1(key)),
                                  QByteArray::fromHex(hex));
    };
    QCOMPARE(decoded("version", "020A"), std::optional<QString>("2.10"));
    QCOMPARE(decoded("connections", "07"), std::optional<QString>("7"));
    QCOMPARE(decoded("baud", "03B0"), std::optional<QString>("230400"));
    QCOMPARE(decoded("name", "4142004344"), std::optional<QString>("AB"));
    for (const auto& [key, hex] :
         std::initializer_list<std::pair<const char*, const char*>>{{"version", "020A01"},
                                                                    {"baud", "0028"},
                                                                    {"baud", "27"},
                                                                    {"security", "02"},
                                                                    {"bind", "0101"},
                                                                    {"password", ""},
                                                                    {"sniff", "00500020000100"},
                                                                    {"class", "1F00"},
                                                                    {"connections", ""},
                                                                    {"scan", "0800001208000012FF"}})
        QVERIFY2(!decoded(key, hex), qPrintable(QStringLiteral("%1 %2").arg(key, hex)));
}

void ParametersTest::readOnlyAndFactoryValues() {
    QStringList keys;
    for (const Parameters::Parameter& parameter : Parameters::all()) {
        keys << QString::fromLatin1(parameter.key);
        QCOMPARE(&Parameters::byType(parameter.type), &parameter);
        // Every factory value passes its own rules unchanged.
        if (parameter.writable())
            QCOMPARE(Parameters::check(parameter, QString::fromLatin1(parameter.factory)).value,
                     std::optional<QString>(QString::fromLatin1(parameter.factory)));
    }
    QCOMPARE(keys, (QStringList{"version", "baud", "security", "password", "sniff", "park", "name",
                                "class", "role", "connections", "scan", "bind"}));
    QVERIFY(!Parameters::byKey(QStringLiteral("Baud")));
}

QTEST_APPLESS_MAIN(ParametersTest)
#include "parameters_test.moc"
