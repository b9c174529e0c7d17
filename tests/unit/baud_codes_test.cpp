// The module's baud-rate codes against the rule they follow.
#include "protocol/BaudCodes.h"

#include <QtTest>
#include <cmath>

class BaudCodesTest : public QObject {
    Q_OBJECT
private slots:
    void everyRateHasTheRoundedCodeBothWays();
    void unknownTextsAndCodesHaveNoRow();
    void listRows();
};

void BaudCodesTest::everyRateHasTheRoundedCodeBothWays() {
    const QStringList rows = BaudCodes::standardRows() + BaudCodes::extendedRows();
    QCOMPARE(rows.size(), 13);
    QCOMPARE(BaudCodes::codeOfText(QStringLiteral("No Change")), std::optional<uint16_t>(0));
    QCOMPARE(BaudCodes::textOfCode(0), std::optional<QString>(QStringLiteral("No Change")));
    for (const QString& text : rows.mid(1)) {
        bool isNumber = false;
        const double rate = text.toDouble(&isNumber);
        QVERIFY2(isNumber, qPrintable(text));
        const auto expected = static_cast<uint16_t>(std::lround(rate * 4096 / 1000000));
        QCOMPARE(BaudCodes::codeOfText(text), std::optional<uint16_t>(expected));
        QCOMPARE(BaudCodes::textOfCode(expected), std::optional<QString>(text));
    }
    // The rows the set command table spells out.
    QCOMPARE(BaudCodes::codeOfText(QStringLiteral("9600")), std::optional<uint16_t>(0x0027));
    QCOMPARE(BaudCodes::codeOfText(QStringLiteral("115200")), std::optional<uint16_t>(0x01D8));
    QCOMPARE(BaudCodes::codeOfText(QStringLiteral("1382400")), std::optional<uint16_t>(0x161E));
}

void BaudCodesTest::unknownTextsAndCodesHaveNoRow() {
    for (const char* text : {"", "300", "9600 ", "no change", "115200,n,8,1"})
        QVERIFY2(!BaudCodes::codeOfText(QString::fromLatin1(text)), text);
    for (uint16_t code : {1, 38, 40, 473, 0xFFFF})
        QVERIFY2(!BaudCodes::textOfCode(code), qPrintable(QString::number(code)));
}

void BaudCodesTest::listRows() {
    QCOMPARE(BaudCodes::standardRows(), (QStringList{"No Change", "1200", "2400", "4800", "9600",
                                                     "19200", "38400", "57600", "115200"}));
    QCOMPARE(BaudCodes::extendedRows(), (QStringList{"230400", "460800", "921600", "1382400"}));
}

QTEST_APPLESS_MAIN(BaudCodesTest)
#include "baud_codes_test.moc"
