// The bytes of every frame the tool writes.
#include "Bytes.h"
#include "protocol/Frames.h"

#include <QtTest>

class FramesTest : public QObject {
    Q_OBJECT
private slots:
    void setCommandFrame_data();
    void setCommandFrame();
    void longestParameterListFillsTheLengthByte();
    void queryFrame_data();
    void queryFrame();
    void setAndQueryOfOneTypeDifferOnlyInTheFirstBodyByte();
    void answersTakenApart();
};

void FramesTest::setCommandFrame_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("param");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("device name ABC")
        << 6 << bytes({0x41, 0x42, 0x43}) << bytes({0x55, 0xAA, 0x04, 0x06, 0x41, 0x42, 0x43});
    QTest::newRow("clear bound address")
        << 10 << bytes({0x00}) << bytes({0x55, 0xAA, 0x02, 0x0A, 0x00});
    QTest::newRow("no parameter bytes") << 6 << QByteArray() << bytes({0x55, 0xAA, 0x01, 0x06});
    QTest::newRow("baud rate 9600")
        << 1 << bytes({0x00, 0x27}) << bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x27});
    QTest::newRow("baud rate 115200")
        << 1 << bytes({0x01, 0xD8}) << bytes({0x55, 0xAA, 0x03, 0x01, 0x01, 0xD8});
    QTest::newRow("security on") << 2 << bytes({0x01}) << bytes({0x55, 0xAA, 0x02, 0x02, 0x01});
    QTest::newRow("sniff") << 4 << bytes({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08})
                           << bytes({0x55, 0xAA, 0x09, 0x04, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                     0x07, 0x08});
    QTest::newRow("park") << 5 << bytes({0x08, 0x00, 0x01, 0x00})
                          << bytes({0x55, 0xAA, 0x05, 0x05, 0x08, 0x00, 0x01, 0x00});
    QTest::newRow("class of device")
        << 7 << bytes({0x00, 0x1F, 0x00}) << bytes({0x55, 0xAA, 0x04, 0x07, 0x00, 0x1F, 0x00});
    QTest::newRow("page/inquiry scan")
        << 13 << bytes({0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00})
        << bytes({0x55, 0xAA, 0x09, 0x0D, 0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00});
    QTest::newRow("bind off") << 14 << bytes({0x00}) << bytes({0x55, 0xAA, 0x02, 0x0E, 0x00});
    QTest::newRow("frame start inside the body is not escaped")
        << 3 << bytes({0x55, 0xAA, 0x55}) << bytes({0x55, 0xAA, 0x04, 0x03, 0x55, 0xAA, 0x55});
}

void FramesTest::setCommandFrame() {
    QFETCH(int, type);
    QFETCH(QByteArray, param);
    QFETCH(QByteArray, expected);
    QCOMPARE(Frames::setCommand(static_cast<uint8_t>(type), param).toHex(' '), expected.toHex(' '));
}

void FramesTest::longestParameterListFillsTheLengthByte() {
    QByteArray param(254, '\0');
    for (int i = 0; i < param.size(); ++i)
        param[i] = static_cast<char>(i);
    const QByteArray frame = Frames::setCommand(3, param);
    QCOMPARE(frame.size(), 258);
    QCOMPARE(static_cast<uint8_t>(frame[2]), uint8_t(0xFF));
    QCOMPARE(static_cast<uint8_t>(frame[3]), uint8_t(0x03));
    QCOMPARE(frame.mid(4), param);
}

void FramesTest::queryFrame_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("firmware version") << 0 << bytes({0x55, 0xAA, 0x02, 0x50, 0x00});
    QTest::newRow("page/inquiry scan") << 13 << bytes({0x55, 0xAA, 0x02, 0x50, 0x0D});
    QTest::newRow("bind") << 14 << bytes({0x55, 0xAA, 0x02, 0x50, 0x0E});
}

void FramesTest::queryFrame() {
    QFETCH(int, type);
    QFETCH(QByteArray, expected);
    QCOMPARE(Frames::query(static_cast<uint8_t>(type)).toHex(' '), expected.toHex(' '));
}

void FramesTest::setAndQueryOfOneTypeDifferOnlyInTheFirstBodyByte() {
    const QByteArray set = Frames::setCommand(10, bytes({0x0A}));
    const QByteArray query = Frames::query(10);
    QCOMPARE(set.toHex(' '), bytes({0x55, 0xAA, 0x02, 0x0A, 0x0A}).toHex(' '));
    QCOMPARE(query.toHex(' '), bytes({0x55, 0xAA, 0x02, 0x50, 0x0A}).toHex(' '));
}

void FramesTest::answersTakenApart() {
    const auto query = Frames::answerOf(bytes({0x60, 0x00, 0x50, 0x00, 0x02, 0x0A}));
    QVERIFY(query && query->isQuery && query->status == 0 && query->type == 0);
    QCOMPARE(query->data, bytes({0x02, 0x0A}));
    const auto refused = Frames::answerOf(bytes({0x60, 0x01, 0x06}));
    QVERIFY(refused && !refused->isQuery && refused->status == 1 && refused->type == 6);
    QVERIFY(refused->data.isEmpty());
    // Too short for its kind, or no answer at all.
    for (const QByteArray& body :
         {bytes({0x60, 0x00}), bytes({0x60, 0x00, 0x50}), bytes({0x61, 0x00, 0x06}), QByteArray()})
        QVERIFY2(!Frames::answerOf(body), body.toHex(' ').constData());
}

QTEST_APPLESS_MAIN(FramesTest)
#include "frames_test.moc"
