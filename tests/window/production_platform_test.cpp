// The product's own platform, quickly: its message box on the real toolkit,
// and its serial port on a pseudo-terminal (line settings, openings, read
// errors, lock file, the wait for a frame to leave). Each case takes a few
// milliseconds of the line; the end-to-end suite covers the same ground at
// the protocol's pace.
#include "FakePlatform.h"
#include "PseudoTerminal.h"
#include "WindowSystemProbe.h"
#include "link/Platform.h"
#include "link/PortRefusal.h"
#include "link/QtSerialPortControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QtTest>

#include <chrono>
#include <thread>

Q_DECLARE_METATYPE(BoxIcon)
Q_DECLARE_METATYPE(BoxButtons)
Q_DECLARE_METATYPE(BoxAnswer)

namespace {
// Fills the line from the port's side until the other end must read before
// anything more can leave; returns the bytes queued. The kernel moves bytes
// on behind the writer, so the line counts as full once it stays so a while.
int fillLine(const PseudoTerminal& pty) {
    const int flags = fcntl(pty.slave, F_GETFL);
    fcntl(pty.slave, F_SETFL, flags | O_NONBLOCK);
    const QByteArray chunk(4096, 'x');
    int queued = 0;
    pollfd room{pty.slave, POLLOUT, 0};
    do {
        for (ssize_t n = 0; (n = ::write(pty.slave, chunk.constData(), chunk.size())) > 0;)
            queued += static_cast<int>(n);
    } while (::poll(&room, 1, 20) > 0);
    fcntl(pty.slave, F_SETFL, flags);
    return queued;
}

void openRow1(QtSerialPortControl& port) {
    port.setCommPort(1);
    port.setPortOpen(true);
}
} // namespace

class ProductionPlatformTest : public QObject {
    Q_OBJECT
private slots:
    void boxShowsItsIconAndButtons_data();
    void boxShowsItsIconAndButtons();
    void flowControlRowReachesTheLine_data();
    void flowControlRowReachesTheLine();
    void openingEmptiesTheLine_data();
    void openingEmptiesTheLine();
    void readErrorMeansTheDeviceIsGoneOnlyOnAHungUpLine();
    void lockFileIsTheOneThePortTakes();
    void frameWaitingToLeaveServesTheWindowSystem();
};

void ProductionPlatformTest::boxShowsItsIconAndButtons_data() {
    QTest::addColumn<BoxIcon>("icon");
    QTest::addColumn<BoxButtons>("buttons");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<QMessageBox::Icon>("shownIcon");
    QTest::addColumn<BoxAnswer>("answer");
    const int ok = QMessageBox::Ok, yes = QMessageBox::Yes, no = QMessageBox::No;
    QTest::newRow("Error") << BoxIcon::Critical << BoxButtons::Ok << ok << QMessageBox::Critical
                           << BoxAnswer::Ok;
    QTest::newRow("Warn") << BoxIcon::Exclamation << BoxButtons::Ok << ok << QMessageBox::Warning
                          << BoxAnswer::Ok;
    QTest::newRow("Information") << BoxIcon::Information << BoxButtons::Ok << ok
                                 << QMessageBox::Information << BoxAnswer::Ok;
    QTest::newRow("Confirm, Yes") << BoxIcon::Information << BoxButtons::YesNo << yes
                                  << QMessageBox::Information << BoxAnswer::Yes;
    QTest::newRow("prompt, No") << BoxIcon::Question << BoxButtons::YesNo << no
                                << QMessageBox::Question << BoxAnswer::No;
}

void ProductionPlatformTest::boxShowsItsIconAndButtons() {
    QFETCH(BoxIcon, icon);
    QFETCH(BoxButtons, buttons);
    QFETCH(int, pressed);
    QFETCH(QMessageBox::Icon, shownIcon);
    QFETCH(BoxAnswer, answer);
    const Platform platform = productionPlatform({});
    QWidget window;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    int seenButtons = 0;
    QString seenText;
    QTimer lookForTheBox;
    lookForTheBox.setInterval(5);
    connect(&lookForTheBox, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        lookForTheBox.stop();
        seenIcon = box->icon();
        seenButtons = int(box->standardButtons());
        seenText = box->windowTitle() + QLatin1Char('|') + box->text();
        if (QAbstractButton* button = box->button(QMessageBox::StandardButton(pressed)))
            button->click();
        else
            box->done(QMessageBox::Cancel);
    });
    lookForTheBox.start();

    const BoxAnswer given = platform.messageBox(&window, {"Text", "Title", icon, buttons});

    QCOMPARE(seenIcon, shownIcon);
    QCOMPARE(seenButtons, buttons == BoxButtons::YesNo ? int(QMessageBox::Yes | QMessageBox::No)
                                                       : int(QMessageBox::Ok));
    QCOMPARE(seenText, QStringLiteral("Title|Text"));
    QCOMPARE(given, answer);
}

void ProductionPlatformTest::flowControlRowReachesTheLine_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("rtsCts");
    QTest::addColumn<bool>("xonXoff");
    QTest::newRow("Xon/Xoff") << "Xon/Xoff" << false << true;
    QTest::newRow("Hardware") << "Hardware" << true << false;
    QTest::newRow("None") << "None" << false << false;
}

void ProductionPlatformTest::flowControlRowReachesTheLine() {
    QFETCH(QString, row);
    QFETCH(bool, rtsCts);
    QFETCH(bool, xonXoff);
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    ScriptedBoxes boxes;
    Platform platform = productionPlatform(pty.names());
    platform.sleep = [](int) {};
    platform.messageBox = [&boxes](QWidget*, const BoxRequest& box) { return boxes.answer(box); };
    frmParvex window(std::move(platform));
    window.ComFlowCtrl->setCurrentText(row);
    window.bAutoDetect->setChecked(false);
    window.bAutoDetect_Click();

    window.CmdConn_Click();

    QVERIFY(window.MSComm1->PortOpen());
    QVERIFY(boxes.shown.isEmpty());
    const termios line = pty.lineSettings();
    QCOMPARE((line.c_cflag & CRTSCTS) != 0, rtsCts);
    QCOMPARE((line.c_iflag & IXON) != 0, xonXoff);
    QCOMPARE((line.c_iflag & IXOFF) != 0, xonXoff);
}

void ProductionPlatformTest::openingEmptiesTheLine_data() {
    QTest::addColumn<bool>("reopen");
    QTest::newRow("first opening") << false;
    QTest::newRow("opening again") << true;
}

void ProductionPlatformTest::openingEmptiesTheLine() {
    QFETCH(bool, reopen);
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    if (reopen) {
        openRow1(port);
        port.setPortOpen(false);
    }
    QVERIFY(pty.write(bytes({0x55, 0xAA, 0x06, 0x60})));
    QTRY_COMPARE_WITH_TIMEOUT(pty.waitingAtSlave(), 4, 500);

    openRow1(port);

    QCOMPARE(pty.waitingAtSlave(), 0);
}

void ProductionPlatformTest::readErrorMeansTheDeviceIsGoneOnlyOnAHungUpLine() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    QtSerialPortControl port(pty.names());
    openRow1(port);
    QSignalSpy events(&port, &SerialPortControl::OnComm);
    const auto notifiers = port.findChildren<QSocketNotifier*>();
    const auto read = std::find_if(notifiers.begin(), notifiers.end(), [](QSocketNotifier* n) {
        return n->type() == QSocketNotifier::Read;
    });
    QVERIFY(read != notifiers.end());

    // A read notification that finds the bytes taken already: a read error
    // on a line that is still there.
    QEvent activation(QEvent::SockAct);
    QCoreApplication::sendEvent(*read, &activation);
    QCoreApplication::sendPostedEvents();
    QVERIFY(port.PortOpen());
    QVERIFY(events.isEmpty());

    pty.closeMaster();
    QVERIFY(events.wait(500));
    QCoreApplication::processEvents();
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].value<SerialPortControl::CommEvent>(),
             SerialPortControl::CommEvent::Error);
    QVERIFY(!port.PortOpen());
}

void ProductionPlatformTest::lockFileIsTheOneThePortTakes() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    const QString lockFile = portLockFile(pty.slaveName);
    QtSerialPortControl port(pty.names());
    openRow1(port);
    QVERIFY2(QFile::exists(lockFile), qPrintable(lockFile));
    port.setPortOpen(false);
    QVERIFY2(!QFile::exists(lockFile), qPrintable(lockFile));
}

void ProductionPlatformTest::frameWaitingToLeaveServesTheWindowSystem() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    const Platform platform = productionPlatform(pty.names());
    platform.port->setCommPort(1);
    platform.port->setPortOpen(true);
    QWidget shown;
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    const int queued = fillLine(pty);
    QVERIFY(queued > 0);
    const QByteArray frame = bytes({0x55, 0xAA, 0x02, 0x50, 0x00});
    // The other end takes the line's bytes only after a while, as a slow
    // line lets them leave.
    QByteArray arrived;
    std::thread otherEnd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        for (int reads = 0; reads < 100 && arrived.size() < queued + frame.size(); ++reads)
            arrived += pty.read(50);
    });
    WindowSystemProbe probe(shown.windowHandle());
    probe.start();

    QElapsedTimer waited;
    waited.start();
    platform.port->Output(frame);
    const qint64 waitedMs = waited.elapsed();

    probe.stop();
    otherEnd.join();
    QVERIFY(arrived.endsWith(frame));
    QVERIFY2(waitedMs >= 100, qPrintable(QString::number(waitedMs)));
    QVERIFY2(probe.handled() >= 5, qPrintable(QString::number(probe.handled())));
}

QTEST_MAIN(ProductionPlatformTest)
#include "production_platform_test.moc"
