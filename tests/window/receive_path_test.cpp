// The receive path: bytes read from the port, reassembled into bodies and
// handed to the dispatcher; failures shown once; no read while a box of the
// receive path is open.
#include "FakePlatform.h"

#include <QLabel>
#include <QtTest>

namespace {
const QByteArray securitySet = bytes({0x60, 0x00, 0x02});
const QString securitySetText = QStringLiteral("Set security succeed");
const QByteArray tooShort = bytes({0x60});

struct Reader {
    WindowUnderTest w;
    Reader() { w.port->open = true; }
    void read(const QByteArray& chunk) {
        w.port->receive(chunk);
        w->RecvDataSub();
    }
};

// What the receive path did while a box was open.
struct WhileOpen {
    int boxes = 0;
    int readsBefore = -1;
    int readsAfter = -1;
    int waiting = -1;
    bool receiving = false;
};

// Opens the first box only: more bytes arrive, and every way in to the
// receive path is tried.
void tryToReadWhileTheFirstBoxIsOpen(WindowUnderTest& w, WhileOpen& seen) {
    w.boxes.whileOpen = [&w, &seen](const BoxRequest&) {
        if (seen.boxes++ > 0)
            return;
        seen.receiving = w->handlersHeld();
        seen.readsBefore = w.port->reads;
        w.port->receive(frameOf(securitySet));
        w->RecvDataSub();
        w->RecvTimer_Timer();
        emit w.port->OnComm(SerialPortControl::CommEvent::Received, QString());
        seen.readsAfter = w.port->reads;
        seen.waiting = w.port->InBufferCount();
    };
}
} // namespace

class ReceivePathTest : public QObject {
    Q_OBJECT
private slots:
    void frameInOneReadIsHandled();
    void frameSplitOverReadsIsHandledAtTheLastRead();
    void twoFramesInOneReadAreHandledInOrder();
    void nothingWaitingMeansNoRead();
    void portEventAndTimerTickBothRead();
    void failingDispatchShowsOneErrorAndTheNextFrameIsHandled_data();
    void failingDispatchShowsOneErrorAndTheNextFrameIsHandled();
    void noReadWhileTheErrorBoxIsOpen();
    void noReadWhileADispatcherPromptIsOpen();
    void noisyLineNeverStacksBoxes();
};

void ReceivePathTest::frameInOneReadIsHandled() {
    Reader r;
    r.read(bytes({0x00}) + frameOf(securitySet));
    QCOMPARE(r.w.status(), securitySetText);
    QCOMPARE(r.w.port->reads, 1);
    QCOMPARE(r.w.port->InBufferCount(), 0);
    QCOMPARE(r.w->receiver.RecvState, FrameReassembler::Hunting);
    QVERIFY(r.w.boxes.shown.isEmpty());
}

void ReceivePathTest::frameSplitOverReadsIsHandledAtTheLastRead() {
    Reader r;
    const QList<QByteArray> reads = {bytes({0x55}), bytes({0xAA, 0x03}), bytes({0x60}),
                                     bytes({0x00, 0x02})};
    for (const QByteArray& chunk : reads.mid(0, 3)) {
        r.read(chunk);
        QCOMPARE(r.w.status(), QStringLiteral("Ready"));
    }
    r.read(reads[3]);
    QCOMPARE(r.w.status(), securitySetText);
    QCOMPARE(r.w.port->reads, 4);
}

void ReceivePathTest::twoFramesInOneReadAreHandledInOrder() {
    Reader r;
    // Two refused set commands: each prompts, in the order received.
    r.read(frameOf(bytes({0x60, 0x01, 0x02})) + frameOf(bytes({0x60, 0x01, 0x08})));
    QCOMPARE(r.w.port->reads, 1);
    QCOMPARE(r.w.boxes.texts(), (QStringList{"Set [Encryption] timeout,continue?",
                                             "Set [Master/Slave] timeout,continue?"}));
    QCOMPARE(r.w.status(), QStringLiteral("Set master/slave fail"));
}

void ReceivePathTest::nothingWaitingMeansNoRead() {
    Reader r;
    r.w->RecvDataSub();
    r.w->RecvTimer_Timer();
    QCOMPARE(r.w.port->reads, 0);
    QCOMPARE(r.w.status(), QStringLiteral("Ready"));
}

void ReceivePathTest::portEventAndTimerTickBothRead() {
    Reader r;
    r.w.port->receive(frameOf(securitySet));
    emit r.w.port->OnComm(SerialPortControl::CommEvent::Received, QString());
    QCOMPARE(r.w.port->reads, 1);
    QCOMPARE(r.w.status(), securitySetText);

    r.w.port->receive(frameOf(bytes({0x60, 0x00, 0x0E})));
    r.w->RecvTimer_Timer();
    QCOMPARE(r.w.port->reads, 2);
    QCOMPARE(r.w.status(), QStringLiteral("Set the bind paramter succeed"));
}

void ReceivePathTest::failingDispatchShowsOneErrorAndTheNextFrameIsHandled_data() {
    QTest::addColumn<QByteArray>("badBody");
    QTest::addColumn<QString>("message");
    QTest::newRow("answer marker alone") << tooShort << "Answer too short: 1 byte";
    QTest::newRow("marker and status") << bytes({0x60, 0x00}) << "Answer too short: 2 bytes";
    QTest::newRow("query answer without its type")
        << bytes({0x60, 0x00, 0x50}) << "Answer too short: 3 bytes";
}

void ReceivePathTest::failingDispatchShowsOneErrorAndTheNextFrameIsHandled() {
    QFETCH(QByteArray, badBody);
    QFETCH(QString, message);
    Reader r;
    // The rest of the chunk that failed is dropped.
    r.read(frameOf(badBody) + frameOf(securitySet));
    QCOMPARE(r.w.boxes.shown.size(), 1);
    const BoxRequest& box = r.w.boxes.shown[0];
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Error"));
    QVERIFY(box.icon == BoxIcon::Critical);
    QVERIFY(box.buttons == BoxButtons::Ok);
    QCOMPARE(r.w.status(), QStringLiteral("Ready"));
    QCOMPARE(r.w->receiver.RecvState, FrameReassembler::Hunting);
    QVERIFY(!r.w->handlersHeld());
    QVERIFY(r.w.port->open);

    // The failed body is not handed on again; the next frame is handled once.
    r.read(frameOf(securitySet));
    QCOMPARE(r.w.status(), securitySetText);
    QCOMPARE(r.w.boxes.shown.size(), 1);
    r.w->RecvDataSub();
    QCOMPARE(r.w.boxes.shown.size(), 1);
}

void ReceivePathTest::noReadWhileTheErrorBoxIsOpen() {
    Reader r;
    WhileOpen seen;
    tryToReadWhileTheFirstBoxIsOpen(r.w, seen);
    r.read(frameOf(tooShort));

    QCOMPARE(seen.boxes, 1);
    QVERIFY(seen.receiving);
    QCOMPARE(seen.readsBefore, 1);
    QCOMPARE(seen.readsAfter, 1);
    QCOMPARE(seen.waiting, frameOf(securitySet).size());
    QCOMPARE(r.w.status(), QStringLiteral("Ready"));

    // Once the box is closed, the bytes that waited are read and handled.
    QVERIFY(!r.w->handlersHeld());
    r.w->RecvDataSub();
    QCOMPARE(r.w.port->reads, 2);
    QCOMPARE(r.w.status(), securitySetText);
}

void ReceivePathTest::noReadWhileADispatcherPromptIsOpen() {
    Reader r;
    WhileOpen seen;
    tryToReadWhileTheFirstBoxIsOpen(r.w, seen);
    r.read(frameOf(bytes({0x60, 0x01, 0x02})));

    QCOMPARE(r.w.boxes.texts(), QStringList{"Set [Encryption] timeout,continue?"});
    QVERIFY(seen.receiving);
    QCOMPARE(seen.readsBefore, 1);
    QCOMPARE(seen.readsAfter, 1);
    QCOMPARE(seen.waiting, frameOf(securitySet).size());
    QCOMPARE(r.w.status(), QStringLiteral("Set security fail"));

    r.w->RecvDataSub();
    QCOMPARE(r.w.status(), securitySetText);
}

void ReceivePathTest::noisyLineNeverStacksBoxes() {
    Reader r;
    int open = 0;
    int mostOpenAtOnce = 0;
    int shown = 0;
    r.w.boxes.whileOpen = [&](const BoxRequest&) {
        ++open;
        mostOpenAtOnce = std::max(mostOpenAtOnce, open);
        // More bad answers keep arriving while the first boxes are open.
        if (++shown <= 3) {
            r.w.port->receive(frameOf(tooShort));
            for (int tick = 0; tick < 5; ++tick)
                r.w->RecvTimer_Timer();
        }
        --open;
    };
    r.read(frameOf(tooShort));
    for (int tick = 0; tick < 10; ++tick)
        r.w->RecvTimer_Timer();

    QCOMPARE(mostOpenAtOnce, 1);
    QCOMPARE(r.w.boxes.shown.size(), 4);
    QCOMPARE(r.w.port->reads, 4);
    for (const BoxRequest& box : r.w.boxes.shown)
        QCOMPARE(box.text, QStringLiteral("Answer too short: 1 byte"));
}

QTEST_MAIN(ReceivePathTest)
#include "receive_path_test.moc"
