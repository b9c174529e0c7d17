#include "Platform.h"

#include "QtSerialPortControl.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
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
} // namespace

void serveWindowSystem() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    // What the window system sent meanwhile and this kept back, operator
    // input and the window manager's close among them, must act once the
    // wait is over. On X11 the toolkit keeps it in a list of its own that
    // the event loop looks at only when woken: without this, it waits for
    // whatever the X server happens to send next, which may be nothing.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
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
