// Hexadecimal text to bytes and back.
#include "Bytes.h"
#include "protocol/HexText.h"

#include <QtTest>

class HexTextTest : public QObject {
    Q_OBJECT
private slots:
    void acceptedTextGivesItsBytes_data();
    void acceptedTextGivesItsBytes();
    void refusedTextLeavesTheArrayUntouched_data();
    void refusedTextLeavesTheArrayUntouched();
    void bytesGiveTwoUppercaseDigitsEach_data();
    void bytesGiveTwoUppercaseDigitsEach();
    void textSurvivesTheRoundTripInUppercase();
};

void HexTextTest::acceptedTextGivesItsBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one digit") << "7" << bytes({0x07});
    QTest::newRow("odd count reads a leading 0") << "abc" << bytes({0x0A, 0xBC});
    QTest::newRow("mixed case") << "1a2B" << bytes({0x1A, 0x2B});
    QTest::newRow("four digits") << "0320" << bytes({0x03, 0x20});
    QTest::newRow("three digits, same bytes") << "320" << bytes({0x03, 0x20});
    QTest::newRow("all zeros") << "000000" << bytes({0x00, 0x00, 0x00});
    QTest::newRow("every digit") << "0123456789ABCDEFabcdef"
                                 << bytes({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xAB,
                                           0xCD, 0xEF});
    QTest::newRow("a whole scan answer")
        << "0400020004000200" << bytes({0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00});
}

void HexTextTest::acceptedTextGivesItsBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QByteArray HexByte = QByteArray(9, char(0x5A)); // longer than any result: must be replaced
    QVERIFY(StrHexToHex(text, HexByte));
    QCOMPARE(HexByte.toHex(' '), expected.toHex(' '));
}

void HexTextTest::refusedTextLeavesTheArrayUntouched_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("letter past F") << "12G4";
    QTest::newRow("0x prefix") << "0x12";
    QTest::newRow("leading space") << " 12";
    QTest::newRow("trailing space") << "12 ";
    QTest::newRow("one bad digit, odd count") << "g";
    QTest::newRow("sign") << "+1";
    QTest::newRow("minus") << "-1";
    QTest::newRow("full-width digits") << QString::fromUtf8("１２");
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("1\u0663");
    QTest::newRow("bad digit last") << "123456789ABCDEFZ";
}

void HexTextTest::refusedTextLeavesTheArrayUntouched() {
    QFETCH(QString, text);
    const QByteArray before = bytes({0xDE, 0xAD, 0xBE});
    QByteArray HexByte = before;
    QVERIFY(!StrHexToHex(text, HexByte));
    QCOMPARE(HexByte.size(), before.size());
    QCOMPARE(HexByte.toHex(' '), before.toHex(' '));
}

void HexTextTest::bytesGiveTwoUppercaseDigitsEach_data() {
    QTest::addColumn<QByteArray>("HexByte");
    QTest::addColumn<QString>("expected");
    QTest::newRow("leading zeros kept") << bytes({0x00, 0x0F, 0x10, 0xFF}) << "000F10FF";
    QTest::newRow("one byte") << bytes({0xAB}) << "AB";
    QTest::newRow("class of device") << bytes({0x5A, 0x02, 0x0C}) << "5A020C";
    QTest::newRow("zero") << bytes({0x00}) << "00";
}

void HexTextTest::bytesGiveTwoUppercaseDigitsEach() {
    QFETCH(QByteArray, HexByte);
    QFETCH(QString, expected);
    QString StrHex = QStringLiteral("left over");
    HexToStrHex(HexByte, StrHex);
    QCOMPARE(StrHex, expected);
}

void HexTextTest::textSurvivesTheRoundTripInUppercase() {
    QByteArray HexByte;
    QVERIFY(StrHexToHex(QStringLiteral("1a2B"), HexByte));
    QString StrHex;
    HexToStrHex(HexByte, StrHex);
    QCOMPARE(StrHex, QStringLiteral("1A2B"));
}

QTEST_APPLESS_MAIN(HexTextTest)
#include "hex_text_test.moc"
