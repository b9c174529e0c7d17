#include "Platform.h"

#include "QtSerialPortControl.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {
QMessageBox::Icon toQtIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

BoxAnswer showMessageBox(QWidget* parent, const BoxRequest& request) {
    const bool yesNo = request.buttons == BoxButtons::YesNo;
    QMessageBox box(toQtIcon(request.icon), request.title, request.text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    const int pressed = box.exec();
    if (!yesNo)
        return BoxAnswer::Ok;
    return pressed == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

// What the window system sent while a wait kept input back (operator input
// and the window manager's close) waits in the toolkit's own list, which the
// event loop takes from only in a turn that is woken and lets input through.
// The wake-up a wait leaves is not enough: any later turn that keeps input
// back takes it, and so does the loop's own handling of posted events when
// another thread's wake-up lands in the middle of a turn. So once the waits
// are over, in the first turn that runs timers (a wait runs none), the kept-
// back input is handed back explicitly, whatever happened to the wake-ups.
void handBackKeptBackInput() {
    static QPointer<QTimer> handBack;
    if (!handBack) {
        handBack = new QTimer(QCoreApplication::instance());
        handBack->setSingleShot(true);
        handBack->setInterval(0);
        QObject::connect(handBack, &QTimer::timeout, [] {
            if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
                dispatcher->wakeUp();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        });
    }
    if (!handBack->isActive())
        handBack->start();
}
} // namespace

void serveWindowSystem() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    handBackKeptBackInput();
}

void pauseServingWindowSystem(int ms) {
    constexpr qint64 sliceMs = 5;
    QElapsedTimer paused;
    paused.start();
    for (;;) {
        serveWindowSystem();
        const qint64 left = ms - paused.elapsed();
        if (left <= 0)
            return;
        // processEvents never waits: without the sleep the pause would spin.
        QThread::msleep(static_cast<unsigned long>(std::min(left, sliceMs)));
    }
}

Platform productionPlatform(const PortNames& names) {
    Platform platform;
    platform.port = std::make_unique<QtSerialPortControl>(names, serveWindowSystem);
    platform.portNames = names;
    platform.sleep = pauseServingWindowSystem;
    platform.messageBox = showMessageBox;
    return platform;
}
