// The product's own platform, quickly: its message box on the real toolkit,
// its serial port on a pseudo-terminal. The end-to-end suite covers the port
// again at the protocol's pace.
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
    void boxShowsItsIconAndButtons_data() {
        QTest::addColumn<BoxIcon>("icon");
        QTest::addColumn<BoxButtons>("buttons");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QMessageBox::Icon>("shownIcon");
        QTest::addColumn<BoxAnswer>("answer");
        const int ok = QMessageBox::Ok, yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("Error") << BoxIcon::Critical << BoxButtons::Ok << ok << QMessageBox::Critical
                               << BoxAnswer::Ok;
        QTest::newRow("Warn") << BoxIcon::Exclamation << BoxButtons::Ok << ok
                              << QMessageBox::Warning << BoxAnswer::Ok;
        QTest::newRow("Information") << BoxIcon::Information << BoxButtons::Ok << ok
                                     << QMessageBox::Information << BoxAnswer::Ok;
        QTest::newRow("Confirm, Yes") << BoxIcon::Information << BoxButtons::YesNo << yes
                                      << QMessageBox::Information << BoxAnswer::Yes;
        QTest::newRow("prompt, No") << BoxIcon::Question << BoxButtons::YesNo << no
                                    << QMessageBox::Question << BoxAnswer::No;
    }

    void boxShowsItsIconAndButtons() {
        QFETCH(BoxIcon, icon);
        QFETCH(BoxButtons, buttons);
        QFETCH(int, pressed);
        QFETCH(QMessageBox::Icon, shownIcon);
        QFETCH(BoxAnswer, answer);
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        int seenButtons = 0;
        QTimer lookForTheBox;
        lookForTheBox.setInterval(5);
        connect(&lookForTheBox, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            lookForTheBox.stop();
            seenIcon = box->icon();
            seenButtons = int(box->standardButtons());
            if (QAbstractButton* button = box->button(QMessageBox::StandardButton(pressed)))
                button->click();
            else
                box->done(QMessageBox::Cancel);
        });
        lookForTheBox.start();
        QWidget window;

        const BoxAnswer given =
            productionPlatform({}).messageBox(&window, {"Text", "Title", icon, buttons});

        QCOMPARE(seenIcon, shownIcon);
        QCOMPARE(seenButtons, buttons == BoxButtons::YesNo ? int(QMessageBox::Yes | QMessageBox::No)
                                                           : int(QMessageBox::Ok));
        QCOMPARE(given, answer);
    }

    void flowControlRowReachesTheLine_data() {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("rtsCts");
        QTest::addColumn<bool>("xonXoff");
        QTest::newRow("Xon/Xoff") << "Xon/Xoff" << false << true;
        QTest::newRow("Hardware") << "Hardware" << true << false;
        QTest::newRow("None") << "None" << false << false;
    }

    void flowControlRowReachesTheLine() {
        QFETCH(QString, row);
        QFETCH(bool, rtsCts);
        QFETCH(bool, xonXoff);
        PseudoTerminal pty;
        QVERIFY(pty.ok());
        Platform platform = productionPlatform(pty.names());
        platform.sleep = [](int) {};
        platform.messageBox = [](QWidget*, const BoxRequest&) { return BoxAnswer::Ok; };
        frmParvex window(std::move(platform));
        window.ComFlowCtrl->setCurrentText(row);
        window.bAutoDetect->setChecked(false);
        window.bAutoDetect_Click();

        window.CmdConn_Click();

        QVERIFY(window.MSComm1->PortOpen());
        const termios line = pty.lineSettings();
        QCOMPARE((line.c_cflag & CRTSCTS) != 0, rtsCts);
        QCOMPARE((line.c_iflag & IXON) != 0, xonXoff);
        QCOMPARE((line.c_iflag & IXOFF) != 0, xonXoff);
    }

    void everyOpeningEmptiesTheLine() {
        PseudoTerminal pty;
        QVERIFY(pty.ok());
        QtSerialPortControl port(pty.names());
        for (int opening = 1; opening <= 2; ++opening) {
            QVERIFY(pty.write(bytes({0x55, 0xAA, 0x06, 0x60})));
            QTRY_COMPARE_WITH_TIMEOUT(pty.waitingAtSlave(), 4, 500);
            openRow1(port);
            QCOMPARE(pty.waitingAtSlave(), 0);
            port.setPortOpen(false);
        }
    }

    void readErrorMeansTheDeviceIsGoneOnlyOnAHungUpLine() {
        PseudoTerminal pty;
        QVERIFY(pty.ok());
        QtSerialPortControl port(pty.names());
        openRow1(port);
        QSignalSpy events(&port, &SerialPortControl::OnComm);
        const auto notifiers = port.findChildren<QSocketNotifier*>();
        const auto read = std::find_if(notifiers.begin(), notifiers.end(), [](auto* notifier) {
            return notifier->type() == QSocketNotifier::Read;
        });
        QVERIFY(read != notifiers.end());

        // A read notification that finds the bytes taken already: a read
        // error on a line that is still there.
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

    void lockFileIsTheOneThePortTakes() {
        PseudoTerminal pty;
        QVERIFY(pty.ok());
        const QString lockFile = portLockFile(pty.slaveName);
        QtSerialPortControl port(pty.names());
        openRow1(port);
        QVERIFY2(QFile::exists(lockFile), qPrintable(lockFile));
        port.setPortOpen(false);
        QVERIFY2(!QFile::exists(lockFile), qPrintable(lockFile));
    }

    void frameWaitingToLeaveServesTheWindowSystem() {
        PseudoTerminal pty;
        QVERIFY(pty.ok());
        const Platform platform = productionPlatform(pty.names());
        platform.port->setCommPort(1);
        platform.port->setPortOpen(true);
        QWidget shown;
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        const int queued = fillLine(pty);
        const QByteArray frame = bytes({0x55, 0xAA, 0x02, 0x50, 0x00});
        // The other end reads only after a while, as a slow line lets the
        // bytes leave.
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
};

QTEST_MAIN(ProductionPlatformTest)
#include "production_platform_test.moc"
