// Reassembling frame bodies from the bytes read off the line.
#include "Bytes.h"
#include "protocol/FrameReassembler.h"

#include <QtTest>
#include <stdexcept>

namespace {
// Feeds reads one by one and records, for every delivered body, the read
// (counted from 0) during which it came.
struct Feeder {
    FrameReassembler reassembler;
    QList<QByteArray> bodies;
    QList<int> atRead;
    int reads = 0;

    void feed(const QByteArray& chunk) {
        reassembler.ParseData(chunk, [this](const QByteArray& body) {
            bodies << body;
            atRead << reads;
        });
        ++reads;
    }
};

const QByteArray answer = bytes({0x60, 0x00, 0x01});
} // namespace

class FrameReassemblerTest : public QObject {
    Q_OBJECT
private slots:
    void chunkDeliversItsBodies_data();
    void chunkDeliversItsBodies();
    void frameSplitAnywhereIsDeliveredOnceByTheReadThatCompletesIt();
    void frameSplitIntoFourReadsAsOnTheLine();
    void stateAfterEachByteOfAFrame();
    void readEndingAtABodyEndLeavesTheReassemblerHunting();
    void emptyBodyReturnsToHunting();
    void deliverThatThrowsLeavesTheReassemblerHunting();
};

void FrameReassemblerTest::chunkDeliversItsBodies_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QList<QByteArray>>("expected");

    QByteArray body30(30, '\0');
    for (int i = 0; i < 30; ++i)
        body30[i] = static_cast<char>(0x60 + i);
    // The body of an over-long frame is scanned for a new frame start.
    const QByteArray tooLong = bytes({0x55, 0xAA, 0x1F}) + frameOf(answer) + QByteArray(28, '\0');

    QTest::newRow("noise before a frame")
        << bytes({0x00, 0x55, 0xAA, 0x03, 0x60, 0x00, 0x01}) << QList<QByteArray>{answer};
    QTest::newRow("noise of every kind")
        << bytes({0xAA, 0x55, 0x00, 0xAA, 0x03, 0xFF}) + frameOf(answer)
        << QList<QByteArray>{answer};
    QTest::newRow("55 55 AA is no frame start")
        << bytes({0x55, 0x55, 0xAA, 0x02, 0x60, 0x01}) << QList<QByteArray>{};
    QTest::newRow("55 55 AA, then a frame")
        << bytes({0x55, 0x55, 0xAA, 0x02, 0x60, 0x01}) + frameOf(answer)
        << QList<QByteArray>{answer};
    QTest::newRow("length 0x1E is the longest body")
        << frameOf(body30) << QList<QByteArray>{body30};
    QTest::newRow("length 0x1F drops the frame, its body is scanned")
        << tooLong << QList<QByteArray>{answer};
    QTest::newRow("length 0xFF drops the frame")
        << bytes({0x55, 0xAA, 0xFF}) + frameOf(answer) << QList<QByteArray>{answer};
    QTest::newRow("frame start inside a body is body")
        << frameOf(bytes({0x60, 0x55, 0xAA, 0x02, 0x60, 0x00}))
        << QList<QByteArray>{bytes({0x60, 0x55, 0xAA, 0x02, 0x60, 0x00})};
    QTest::newRow("two frames, in order")
        << frameOf(answer) + frameOf(bytes({0x60, 0x00, 0x50, 0x00, 0x02, 0x05}))
        << QList<QByteArray>{answer, bytes({0x60, 0x00, 0x50, 0x00, 0x02, 0x05})};
    QTest::newRow("three frames with noise between")
        << frameOf(bytes({0x01})) + bytes({0x00, 0x55, 0x00}) + frameOf(bytes({0x02, 0x03})) +
               bytes({0xAA}) + frameOf(bytes({0x04}))
        << QList<QByteArray>{bytes({0x01}), bytes({0x02, 0x03}), bytes({0x04})};
}

void FrameReassemblerTest::chunkDeliversItsBodies() {
    QFETCH(QByteArray, chunk);
    QFETCH(QList<QByteArray>, expected);
    Feeder feeder;
    feeder.feed(chunk);
    QCOMPARE(feeder.bodies, expected);
}

void FrameReassemblerTest::frameSplitAnywhereIsDeliveredOnceByTheReadThatCompletesIt() {
    // Noise, then a frame whose body holds 55 AA: every way of cutting it into
    // two or three reads.
    const QByteArray body = bytes({0x60, 0x00, 0x55, 0xAA, 0x03});
    const QByteArray line = bytes({0x00, 0x55, 0x01}) + frameOf(body);
    for (int first = 0; first <= line.size(); ++first) {
        for (int second = first; second <= line.size(); ++second) {
            Feeder feeder;
            feeder.feed(line.left(first));
            feeder.feed(line.mid(first, second - first));
            feeder.feed(line.mid(second));
            const QString cut = QStringLiteral("cut at %1 and %2").arg(first).arg(second);
            QVERIFY2(feeder.bodies == QList<QByteArray>{body}, qPrintable(cut));
            const int completing = second == line.size() ? (first == line.size() ? 0 : 1) : 2;
            QVERIFY2(feeder.atRead == QList<int>{completing}, qPrintable(cut));
            QVERIFY2(feeder.reassembler.RecvState == FrameReassembler::Hunting, qPrintable(cut));
        }
    }

    Feeder byteByByte;
    for (char b : line)
        byteByByte.feed(QByteArray(1, b));
    QCOMPARE(byteByByte.bodies, QList<QByteArray>{body});
    QCOMPARE(byteByByte.atRead, QList<int>{static_cast<int>(line.size()) - 1});
}

void FrameReassemblerTest::frameSplitIntoFourReadsAsOnTheLine() {
    Feeder feeder;
    feeder.feed(bytes({0x55}));
    feeder.feed(bytes({0xAA, 0x03}));
    feeder.feed(bytes({0x60}));
    QVERIFY(feeder.bodies.isEmpty());
    feeder.feed(bytes({0x00, 0x01}));
    QCOMPARE(feeder.bodies, QList<QByteArray>{answer});
    QCOMPARE(feeder.atRead, QList<int>{3});
}

void FrameReassemblerTest::stateAfterEachByteOfAFrame() {
    Feeder feeder;
    FrameReassembler& r = feeder.reassembler;
    QCOMPARE(r.RecvState, FrameReassembler::Hunting);
    feeder.feed(bytes({0x55}));
    QCOMPARE(r.RecvState, FrameReassembler::ExpectingAA);
    feeder.feed(bytes({0xAA}));
    QCOMPARE(r.RecvState, FrameReassembler::ExpectingLength);
    feeder.feed(bytes({0x03}));
    QCOMPARE(r.RecvState, FrameReassembler::CollectingBody);
    QCOMPARE(r.RecvLen, uint8_t(3));
    QCOMPARE(r.RecvCount, uint8_t(0));
    feeder.feed(bytes({0x60, 0x00}));
    QCOMPARE(r.RecvState, FrameReassembler::CollectingBody);
    QCOMPARE(r.RecvCount, uint8_t(2));
    feeder.feed(bytes({0x01}));
    QCOMPARE(r.RecvState, FrameReassembler::Hunting);
    QCOMPARE(feeder.bodies, QList<QByteArray>{answer});

    // A 0x55 where 0xAA belongs is not looked at again.
    feeder.feed(bytes({0x55, 0x55}));
    QCOMPARE(r.RecvState, FrameReassembler::Hunting);
}

void FrameReassemblerTest::readEndingAtABodyEndLeavesTheReassemblerHunting() {
    Feeder feeder;
    feeder.feed(bytes({0x55, 0xAA, 0x03, 0x60}));
    feeder.feed(bytes({0x00, 0x01}));
    QCOMPARE(feeder.bodies, QList<QByteArray>{answer});
    QCOMPARE(feeder.atRead, QList<int>{1});
    QCOMPARE(feeder.reassembler.RecvState, FrameReassembler::Hunting);
    // The next read starts a new frame rather than continuing a body.
    feeder.feed(bytes({0x03}) + frameOf(bytes({0x07})));
    QCOMPARE(feeder.bodies, (QList<QByteArray>{answer, bytes({0x07})}));
}

void FrameReassemblerTest::emptyBodyReturnsToHunting() {
    Feeder feeder;
    feeder.feed(bytes({0x55, 0xAA, 0x00}));
    QCOMPARE(feeder.reassembler.RecvState, FrameReassembler::Hunting);
    QVERIFY(feeder.bodies.isEmpty());
    // What follows is a frame of its own, not the body of the empty one.
    feeder.feed(frameOf(answer));
    QCOMPARE(feeder.bodies, QList<QByteArray>{answer});

    Feeder oneRead;
    oneRead.feed(bytes({0x55, 0xAA, 0x00}) + frameOf(answer));
    QCOMPARE(oneRead.bodies, QList<QByteArray>{answer});
}

void FrameReassemblerTest::deliverThatThrowsLeavesTheReassemblerHunting() {
    FrameReassembler r;
    QList<QByteArray> delivered;
    bool fail = true;
    auto deliver = [&](const QByteArray& body) {
        delivered << body;
        if (fail)
            throw std::runtime_error("dispatch failed");
    };
    const QByteArray bad = bytes({0x60});
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             r.ParseData(frameOf(bad) + bytes({0x55}), deliver));
    QCOMPARE(r.RecvState, FrameReassembler::Hunting);
    QCOMPARE(delivered, QList<QByteArray>{bad});

    fail = false;
    r.ParseData(frameOf(answer), deliver);
    QCOMPARE(delivered, (QList<QByteArray>{bad, answer}));
    QCOMPARE(r.RecvState, FrameReassembler::Hunting);
    // Nothing of the failed body comes back on a read without a frame.
    r.ParseData(bytes({0x00}), deliver);
    QCOMPARE(delivered.size(), 2);
}

QTEST_APPLESS_MAIN(FrameReassemblerTest)
#include "frame_reassembler_test.moc"
