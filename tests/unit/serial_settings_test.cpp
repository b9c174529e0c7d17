// The line settings of a settings text such as "9600,n,8,1".
#include "protocol/SerialSettings.h"

#include <QtTest>

class SerialSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void validTextGivesItsSettings_data();
    void validTextGivesItsSettings();
    void invalidTextGivesNothing_data();
    void invalidTextGivesNothing();
};

void SerialSettingsTest::validTextGivesItsSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    const int n = int(SerialSettings::Parity::None);
    QTest::newRow("first detection step")
        << "1200,n,8,1" << 1200 << n << 8 << int(SerialSettings::StopBits::One);
    QTest::newRow("9600") << "9600,n,8,1" << 9600 << n << 8 << int(SerialSettings::StopBits::One);
    QTest::newRow("fastest listed rate")
        << "115200,n,8,1" << 115200 << n << 8 << int(SerialSettings::StopBits::One);
    QTest::newRow("rate beyond the classic ones")
        << "1382400,n,8,1" << 1382400 << n << 8 << int(SerialSettings::StopBits::One);
    QTest::newRow("upper case, spaces")
        << " 38400 , N , 8 , 1 " << 38400 << n << 8 << int(SerialSettings::StopBits::One);
    QTest::newRow("even parity, 7 bits, 2 stop bits")
        << "19200,e,7,2" << 19200 << int(SerialSettings::Parity::Even) << 7
        << int(SerialSettings::StopBits::Two);
    QTest::newRow("odd parity, 5 bits, 1.5 stop bits")
        << "4800,o,5,1.5" << 4800 << int(SerialSettings::Parity::Odd) << 5
        << int(SerialSettings::StopBits::OneAndHalf);
    QTest::newRow("mark") << "2400,m,8,1" << 2400 << int(SerialSettings::Parity::Mark) << 8
                          << int(SerialSettings::StopBits::One);
    QTest::newRow("space") << "2400,s,6,1" << 2400 << int(SerialSettings::Parity::Space) << 6
                           << int(SerialSettings::StopBits::One);
}

void SerialSettingsTest::validTextGivesItsSettings() {
    QFETCH(QString, text);
    QFETCH(int, rate);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    const auto settings = parseSerialSettings(text);
    QVERIFY(settings.has_value());
    QCOMPARE(settings->baudRate, rate);
    QCOMPARE(int(settings->parity), parity);
    QCOMPARE(int(settings->dataBits), dataBits);
    QCOMPARE(int(settings->stopBits), stopBits);
}

void SerialSettingsTest::invalidTextGivesNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("rate alone") << "9600";
    QTest::newRow("three fields") << "9600,n,8";
    QTest::newRow("five fields") << "9600,n,8,1,x";
    QTest::newRow("empty rate") << ",n,8,1";
    QTest::newRow("rate not a number") << "fast,n,8,1";
    QTest::newRow("rate zero") << "0,n,8,1";
    QTest::newRow("negative rate") << "-9600,n,8,1";
    QTest::newRow("unknown parity") << "9600,x,8,1";
    QTest::newRow("parity as a word") << "9600,none,8,1";
    QTest::newRow("nine data bits") << "9600,n,9,1";
    QTest::newRow("four data bits") << "9600,n,4,1";
    QTest::newRow("data bits not a number") << "9600,n,eight,1";
    QTest::newRow("three stop bits") << "9600,n,8,3";
    QTest::newRow("semicolons") << "9600;n;8;1";
}

void SerialSettingsTest::invalidTextGivesNothing() {
    QFETCH(QString, text);
    QVERIFY(!parseSerialSettings(text).has_value());
}

QTEST_APPLESS_MAIN(SerialSettingsTest)
#include "serial_settings_test.moc"
