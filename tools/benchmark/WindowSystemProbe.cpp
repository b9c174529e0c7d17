#include "WindowSystemProbe.h"

#include <QEvent>
#include <QRegion>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

WindowSystemProbe::WindowSystemProbe(QWindow* window, int everyMs)
    : window(window), everyMs(everyMs) {
    window->installEventFilter(this);
}

WindowSystemProbe::~WindowSystemProbe() {
    stop();
}

void WindowSystemProbe::start() {
    if (running.exchange(true))
        return;
    queueing = std::thread([this] { queueExposes(); });
}

void WindowSystemProbe::stop() {
    if (!running.exchange(false))
        return;
    queueing.join();
}

void WindowSystemProbe::queueExposes() {
    while (running) {
        {
            QMutexLocker lock(&mutex);
            queuedAt.push_back(Clock::now());
        }
        QWindowSystemInterface::handleExposeEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, QRegion(QRect(QPoint(), window->size())));
        std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
    }
}

bool WindowSystemProbe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window && event->type() == QEvent::Expose) {
        QMutexLocker lock(&mutex);
        if (!queuedAt.empty()) {
            const std::chrono::duration<double, std::milli> late = Clock::now() - queuedAt.front();
            queuedAt.pop_front();
            longestMs = std::max(longestMs, late.count());
            ++handledCount;
        }
    }
    return QObject::eventFilter(watched, event);
}

double WindowSystemProbe::longestLateMs() const {
    QMutexLocker lock(&mutex);
    return longestMs;
}

int WindowSystemProbe::handled() const {
    QMutexLocker lock(&mutex);
    return handledCount;
}

void queueKeyAsynchronously(QWindow* window, int key) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, type, key, Qt::NoModifier);
}
