// The serial-port control on a real line: a pseudo-terminal that the test
// holds the other end of.
#include "FakePlatform.h"
#include "PseudoTerminal.h"
#include "link/Failure.h"
#include "link/Platform.h"
#include "link/PortRefusal.h"
#include "link/QtSerialPortControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryFile>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

// Reads the master side on a thread of its own, so that arrival times are
// taken while the window's thread is blocked in its pause.
class LineRecorder {
public:
    struct Arrival {
        Clock::time_point at;
        QByteArray bytes;
    };

    explicit LineRecorder(int master) : master(master) {
        reader = std::thread([this] { run(); });
    }
    ~LineRecorder() { stop(); }

    void stop() {
        running = false;
        if (reader.joinable())
            reader.join();
    }

    // Waits until count bytes have arrived, or the time is up.
    bool waitForBytes(int count, int timeoutMs) {
        const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < until) {
            if (received() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return received() >= count;
    }

    // The arrival time of the byte at this position in the stream.
    Clock::time_point arrivalOf(int position) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const Arrival& a : arrivals) {
            if (position < a.bytes.size())
                return a.at;
            position -= static_cast<int>(a.bytes.size());
        }
        return {};
    }

    QByteArray all() {
        std::lock_guard<std::mutex> lock(mutex);
        QByteArray bytes;
        for (const Arrival& a : arrivals)
            bytes += a.bytes;
        return bytes;
    }

private:
    int received() { return static_cast<int>(all().size()); }

    void run() {
        while (running) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 10) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            const auto at = Clock::now();
            if (n <= 0)
                continue;
            std::lock_guard<std::mutex> lock(mutex);
            arrivals.push_back({at, QByteArray(buffer, n)});
        }
    }

    int master;
    std::atomic<bool> running{true};
    std::mutex mutex;
    std::vector<Arrival> arrivals;
    std::thread reader;
};

speed_t speedConstant(int rate) {
    switch (rate) {
    case 1200:
        return B1200;
    case 9600:
        return B9600;
    case 38400:
        return B38400;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

// The failure's description when opening row 1 fails; empty when it opens.
QString openingFailure(const PortNames& names) {
    QtSerialPortControl port(names);
    port.setCommPort(1);
    try {
        port.setPortOpen(true);
    } catch (const Failure& failure) {
        return failure.description();
    }
    return {};
}

enum class Holder { OtherOpening, RunningProgram, EndedProgram };

// A lock file as programs other than Qt ones write it: the process id
// padded to ten characters, then the program and the user.
bool writeForeignLock(const QString& path, qint64 pid) {
    QFile lock(path);
    return lock.open(QIODevice::WriteOnly) &&
           lock.write(QStringLiteral("%1 sleep bench\n").arg(pid, 10).toLatin1()) > 0;
}

// A window on the real serial port, the real blocking pause, and message
// boxes answered by a script.
struct RealWindow {
    ScriptedBoxes boxes;
    std::unique_ptr<frmParvex> window;

    explicit RealWindow(const PortNames& names) {
        Platform platform = productionPlatform(names);
        platform.messageBox = [this](QWidget*, const BoxRequest& box) { return boxes.answer(box); };
        window = std::make_unique<frmParvex>(std::move(platform));
    }
    frmParvex* operator->() { return window.get(); }
};
} // namespace

class SerialPortTest : public QObject {
    Q_OBJECT
private slots:
    void openingAppliesTheSettingsToTheLine_data();
    void openingAppliesTheSettingsToTheLine();
    void missingDeviceFailsNamingTheRowAndTheDevice();
    void portHeldElsewhereFailsNamingTheHolder_data();
    void portHeldElsewhereFailsNamingTheHolder();
    void deviceTheUserMayNotOpenFailsTellingHowToGetAccess();
    void outputIsOnTheLineWhenItReturns();
    void receivedBytesComeThroughInputAndAnEvent();
    void bytesFromBeforeAnOpeningAreNotRead_data();
    void bytesFromBeforeAnOpeningAreNotRead();
    void setCommandsLeaveAtLeast500MsApart();
    void answerIsHandledOnThePortsEvent();
    void otherEndClosedGivesOneErrorEventAndClosesThePort();
    void readNotificationThatFindsNothingKeepsThePortOpen();
};

void SerialPortTest::openingAppliesTheSettingsToTheLine_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("handshaking");
    QTest::newRow("1200, no flow control") << 1200 << 0;
    QTest::newRow("9600, XON/XOFF") << 9600 << 1;
    QTest::newRow("38400, RTS/CTS") << 38400 << 2;
    QTest::newRow("115200, no flow control") << 115200 << 0;
}

void SerialPortTest::openingAppliesTheSettingsToTheLine() {
    QFETCH(int, rate);
    QFETCH(int, handshaking);
    PseudoTerminal pty;
    QVERIFY2(pty.ok(), std::strerror(errno));
    QtSerialPortControl port(pty.names());
    port.setCommPort(1);
    port.setSettings(QStringLiteral("%1,n,8,1").arg(rate));
    port.setInputMode(1);
    port.setHandshaking(handshaking);
    port.setPortOpen(true);
    QVERIFY(port.PortOpen());

    const termios line = pty.lineSettings();
    QCOMPARE(cfgetospeed(&line), speedConstant(rate));
    QCOMPARE(cfgetispeed(&line), speedConstant(rate));
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(line.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE((line.c_cflag & CRTSCTS) != 0, handshaking == 2);
    QCOMPARE((line.c_iflag & IXON) != 0, handshaking == 1);
    QCOMPARE(line.c_lflag & (ICANON | ECHO), tcflag_t(0));

    port.setPortOpen(false);
    QVERIFY(!port.PortOpen());
}

void SerialPortTest::missingDeviceFailsNamingTheRowAndTheDevice() {
    const QString device = QStringLiteral("/dev/no-such-serial-line-for-the-test");
    const PortNames names{{1, device}};
    QtSerialPortControl port(names);
    port.setCommPort(1);
    port.setSettings(QStringLiteral("9600,n,8,1"));
    QString description;
    try {
        port.setPortOpen(true);
    } catch (const Failure& failure) {
        description = failure.description();
    }
    QCOMPARE(description, QStringLiteral("COM1 (%1): No such file or directory").arg(device));
    QVERIFY(!port.PortOpen());

    // Through the window: the failure in a box, the port shown closed.
    RealWindow w(names);
    w->bAutoDetect->setChecked(false);
    w->bAutoDetect_Click();
    w->CmdConn_Click();
    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(w.boxes.shown[0].text, description);
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QVERIFY(w.boxes.shown[0].icon == BoxIcon::Critical);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QVERIFY(!w->MSComm1->PortOpen());
}

void SerialPortTest::portHeldElsewhereFailsNamingTheHolder_data() {
    QTest::addColumn<Holder>("holder");
    QTest::newRow("another opening, as by a second window") << Holder::OtherOpening;
    QTest::newRow("another program's lock file") << Holder::RunningProgram;
    QTest::newRow("the lock file of a program that has ended") << Holder::EndedProgram;
}

void SerialPortTest::portHeldElsewhereFailsNamingTheHolder() {
    QFETCH(Holder, holder);
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    const QString lockFile = portLockFile(pty.slaveName);
    QVERIFY(!lockFile.isEmpty());
    QProcess program;
    const auto cleanUp = qScopeGuard([&] {
        QFile::remove(lockFile);
        program.kill();
        program.waitForFinished();
    });
    QtSerialPortControl first(pty.names());
    QString reason;
    switch (holder) {
    case Holder::OtherOpening:
        first.setCommPort(1);
        first.setPortOpen(true);
        QVERIFY(first.PortOpen());
        reason = QStringLiteral("The port is in use by %1 (process %2).")
                     .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                     .arg(QCoreApplication::applicationPid());
        break;
    case Holder::RunningProgram:
        program.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(program.waitForStarted());
        QVERIFY(writeForeignLock(lockFile, program.processId()));
        reason =
            QStringLiteral("The port is in use by sleep (process %1).").arg(program.processId());
        break;
    case Holder::EndedProgram: {
        program.start(QStringLiteral("true"), {});
        QVERIFY(program.waitForStarted());
        const qint64 pid = program.processId();
        QVERIFY(program.waitForFinished());
        QVERIFY(writeForeignLock(lockFile, pid));
        reason = QStringLiteral("The port is locked by %1, left by process %2, which has ended.")
                     .arg(lockFile)
                     .arg(pid);
        break;
    }
    }

    const QString description = openingFailure(pty.names());
    const QString prefix = QStringLiteral("COM1 (%1): ").arg(pty.slaveName);
    QVERIFY2(description.startsWith(prefix + reason), qPrintable(description));
}

void SerialPortTest::deviceTheUserMayNotOpenFailsTellingHowToGetAccess() {
    if (::geteuid() == 0)
        QSKIP("root may open any device");
    QTemporaryFile device;
    QVERIFY(device.open());
    QVERIFY(device.setPermissions(QFileDevice::Permissions()));
    const QString description = openingFailure({{1, device.fileName()}});
    QVERIFY2(description.startsWith(
                 QStringLiteral("COM1 (%1): Permission denied: ").arg(device.fileName())),
             qPrintable(description));
    QVERIFY2(description.contains(QLatin1String("dialout group")), qPrintable(description));
}

void SerialPortTest::outputIsOnTheLineWhenItReturns() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    port.setCommPort(1);
    port.setPortOpen(true);
    const QByteArray frame = bytes({0x55, 0xAA, 0x02, 0x50, 0x00});
    port.Output(frame);
    // No event loop has run: the bytes left during Output itself.
    QCOMPARE(pty.read(0), frame);
}

void SerialPortTest::receivedBytesComeThroughInputAndAnEvent() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    port.setCommPort(1);
    port.setInputMode(1);
    port.setPortOpen(true);
    QSignalSpy events(&port, &SerialPortControl::OnComm);

    const QByteArray answer = frameOf(bytes({0x60, 0x00, 0x50, 0x00, 0x02, 0x05}));
    QVERIFY(pty.write(answer));
    QVERIFY(events.wait(2000));
    QCOMPARE(events.first().at(0).value<SerialPortControl::CommEvent>(),
             SerialPortControl::CommEvent::Received);
    QTRY_COMPARE_WITH_TIMEOUT(port.InBufferCount(), int(answer.size()), 2000);
    QCOMPARE(port.Input(), answer);
    QCOMPARE(port.InBufferCount(), 0);
    QCOMPARE(port.Input(), QByteArray());
}

void SerialPortTest::bytesFromBeforeAnOpeningAreNotRead_data() {
    QTest::addColumn<bool>("reopen");
    QTest::newRow("first opening") << false;
    QTest::newRow("opening again") << true;
}

void SerialPortTest::bytesFromBeforeAnOpeningAreNotRead() {
    QFETCH(bool, reopen);
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    port.setCommPort(1);
    if (reopen) {
        port.setPortOpen(true);
        port.setPortOpen(false);
    }
    // The start of a frame from before the opening.
    const QByteArray stale = bytes({0x55, 0xAA, 0x06, 0x60});
    QVERIFY(pty.write(stale));
    QTRY_COMPARE_WITH_TIMEOUT(pty.waitingAtSlave(), int(stale.size()), 2000);

    port.setPortOpen(true);
    const QByteArray answer = frameOf(bytes({0x60, 0x00, 0x02}));
    QVERIFY(pty.write(answer));

    QTRY_VERIFY_WITH_TIMEOUT(port.InBufferCount() >= int(answer.size()), 2000);
    QCOMPARE(port.Input(), answer);
}

void SerialPortTest::setCommandsLeaveAtLeast500MsApart() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    RealWindow w(pty.names());
    w->MSComm1->setCommPort(1);
    w->MSComm1->setSettings(QStringLiteral("9600,n,8,1"));
    w->MSComm1->setInputMode(1);
    w->MSComm1->setPortOpen(true);
    w->IsAuth->setChecked(true);

    LineRecorder line(pty.master);
    w->SetSecurity();
    w->SetBind();
    QVERIFY(line.waitForBytes(10, 3000));
    line.stop();

    QCOMPARE(
        line.all().toHex(' '),
        (bytes({0x55, 0xAA, 0x02, 0x02, 0x01}) + bytes({0x55, 0xAA, 0x02, 0x0E, 0x00})).toHex(' '));
    // Each arrival time carries the delay before the recording thread ran;
    // on a busy machine that may shave a few milliseconds off the gap. Frames
    // sent without the pause arrive within a millisecond of each other.
    constexpr int wakeUpAllowanceMs = 20;
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(line.arrivalOf(5) -
                                                                           line.arrivalOf(4));
    QVERIFY2(gap.count() >= 500 - wakeUpAllowanceMs,
             qPrintable(QStringLiteral("%1 ms apart").arg(gap.count())));
}

void SerialPortTest::answerIsHandledOnThePortsEvent() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    RealWindow w(pty.names());
    // Only the port's event is left to read the answer.
    w->RecvTimer->stop();
    w->MSComm1->setCommPort(1);
    w->MSComm1->setPortOpen(true);

    QVERIFY(pty.write(frameOf(bytes({0x60, 0x00, 0x02}))));
    QTRY_COMPARE_WITH_TIMEOUT(w->Status->text(), QStringLiteral("    Set security succeed"), 2000);
    QVERIFY(w.boxes.shown.isEmpty());
}

void SerialPortTest::otherEndClosedGivesOneErrorEventAndClosesThePort() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    port.setCommPort(1);
    port.setPortOpen(true);
    int errors = 0;
    QString description;
    connect(&port, &SerialPortControl::OnComm,
            [&](SerialPortControl::CommEvent event, const QString& text) {
                if (event == SerialPortControl::CommEvent::Error) {
                    ++errors;
                    description = text;
                }
            });

    pty.closeMaster();
    QTest::qWait(1000);

    QCOMPARE(errors, 1);
    QVERIFY2(description.startsWith(QStringLiteral("COM1 (%1)").arg(pty.slaveName)),
             qPrintable(description));
    QVERIFY(!port.PortOpen());
    QCOMPARE(port.InBufferCount(), 0);
    QCOMPARE(port.Input(), QByteArray());
}

void SerialPortTest::readNotificationThatFindsNothingKeepsThePortOpen() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    port.setCommPort(1);
    port.setPortOpen(true);
    QSignalSpy events(&port, &SerialPortControl::OnComm);
    QSocketNotifier* readNotifier = nullptr;
    for (QSocketNotifier* notifier : port.findChildren<QSocketNotifier*>())
        if (notifier->type() == QSocketNotifier::Read)
            readNotifier = notifier;
    QVERIFY(readNotifier);

    // What the event loop does when the line was readable as it looked, but
    // another read took the bytes before the notification came.
    QEvent activation(QEvent::SockAct);
    QCoreApplication::sendEvent(readNotifier, &activation);
    QTest::qWait(100);

    QVERIFY(port.PortOpen());
    QVERIFY(events.isEmpty());
    const QByteArray answer = frameOf(bytes({0x60, 0x00, 0x02}));
    QVERIFY(pty.write(answer));
    QTRY_COMPARE_WITH_TIMEOUT(port.InBufferCount(), int(answer.size()), 2000);
    QCOMPARE(port.Input(), answer);
}

QTEST_MAIN(SerialPortTest)
#include "serial_port_test.moc"
