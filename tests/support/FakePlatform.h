#pragma once

#include "Bytes.h"
#include "link/Failure.h"
#include "link/Platform.h"
#include "ui/frmParvex.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

// Delivers queued calls (queued port events, what held handlers hand back),
// nothing else: cheaper than a turn of the whole event loop.
inline void deliverQueuedCalls() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

// A clock that only the recorded pauses move.
struct FakeClock {
    qint64 nowMs = 0;
    QList<int> pauses;
};

// The serial-port control of the tests: records what the window writes and
// holds bytes a test puts on the line.
class FakePort : public SerialPortControl {
    Q_OBJECT
public:
    struct Written {
        qint64 atMs;
        QByteArray bytes;
        bool whilePortOpen;
    };

    explicit FakePort(FakeClock& clock) : clock(clock) {}

    bool PortOpen() const override { return open; }
    void setPortOpen(bool value) override {
        if (value && !open && !openFailure.isEmpty())
            throw Failure(openFailure);
        if (value && !open && beforeOpening)
            beforeOpening();
        if (value && !open)
            openedWith << settings;
        if (open != value)
            waiting.clear();
        open = value;
    }

    int InBufferCount() const override { return static_cast<int>(waiting.size()); }
    QByteArray Input() override {
        ++reads;
        QByteArray all = waiting;
        waiting.clear();
        return all;
    }
    void Output(const QByteArray& bytes) override {
        written.append({clock.nowMs, bytes, open});
        if (onOutput)
            onOutput(bytes);
    }

    // Bytes arriving from the module, waiting until the window reads them.
    void receive(const QByteArray& bytes) { waiting.append(bytes); }
    // The device disappears: closed at once, one error event.
    void vanish(const QString& description) {
        open = false;
        waiting.clear();
        emit OnComm(CommEvent::Error, description);
    }

    QList<QByteArray> frames() const {
        QList<QByteArray> all;
        for (const Written& w : written)
            all << w.bytes;
        return all;
    }

    FakeClock& clock;
    using SerialPortControl::commPort;
    using SerialPortControl::handshaking;
    using SerialPortControl::inputMode;
    using SerialPortControl::settings;
    bool open = false;
    QString openFailure;
    std::function<void()> beforeOpening;
    QStringList openedWith;
    QByteArray waiting;
    QList<Written> written;
    int reads = 0;
    std::function<void(const QByteArray&)> onOutput;
};

// Records every message box and answers from a script (then a default).
struct ScriptedBoxes {
    QList<BoxRequest> shown;
    std::deque<BoxAnswer> answers;
    BoxAnswer otherwise = BoxAnswer::No;
    std::function<void(const BoxRequest&)> whileOpen;

    BoxAnswer answer(const BoxRequest& box) {
        shown << box;
        if (whileOpen)
            whileOpen(box);
        if (box.buttons == BoxButtons::Ok)
            return BoxAnswer::Ok;
        if (answers.empty())
            return otherwise;
        const BoxAnswer next = answers.front();
        answers.pop_front();
        return next;
    }

    QStringList texts() const {
        QStringList all;
        for (const BoxRequest& box : shown)
            all << box.text;
        return all;
    }
};

// A window on the fake port, the fake clock and the scripted boxes.
struct WindowUnderTest {
    FakeClock clock;
    ScriptedBoxes boxes;
    FakePort* port = nullptr;
    std::unique_ptr<frmParvex> window;
    // Runs inside every pause before a frame.
    std::function<void()> duringPause;

    explicit WindowUnderTest(PortNames names = {{1, QStringLiteral("/dev/null-test")}}) {
        auto fake = std::make_unique<FakePort>(clock);
        port = fake.get();
        Platform platform;
        platform.port = std::move(fake);
        platform.portNames = std::move(names);
        // Queued events that arrive during a pause are delivered as the real
        // pause delivers them, and meet the same held handlers.
        platform.sleep = [this](int ms) {
            clock.pauses << ms;
            clock.nowMs += ms;
            if (duringPause)
                duringPause();
            deliverQueuedCalls();
        };
        platform.messageBox = [this](QWidget*, const BoxRequest& box) { return boxes.answer(box); };
        window = std::make_unique<frmParvex>(std::move(platform));
        // Tests drive the receive path and the timers by hand.
        window->RecvTimer->stop();
    }

    frmParvex* operator->() { return window.get(); }

    // Connects with detection off: the port opens and the read starts.
    void connectWithoutDetection(const QString& rate = QStringLiteral("9600"));
    // Puts a frame with this body on the line and lets the window read it.
    void answer(const QByteArray& body);
    // Lets the window read until the line is quiet (a module behind the
    // fake port answers while the window reads).
    void readUntilQuiet();
    // The status line without its four leading spaces.
    QString status() const;
};
