#include "Interrupt.h"

#ifdef Q_OS_WIN
#include <utility>
#include <windows.h>

namespace {
QObject* receiver = nullptr;
std::function<void()> onInterrupted;

// The console calls this on a thread of its own: the call is queued to the
// event loop.
BOOL WINAPI onConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(
        receiver,
        [] {
            if (const std::function<void()> interrupted = std::exchange(onInterrupted, {}))
                interrupted();
        },
        Qt::QueuedConnection);
    return TRUE;
}
} // namespace

void onInterruptCall(QObject* context, const std::function<void()>& interrupted) {
    receiver = context;
    onInterrupted = interrupted;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
#else
#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>

namespace {
int interruptPipe[2] = {-1, -1};

void onInterrupt(int) {
    const char signalled = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &signalled, 1);
}
} // namespace

void onInterruptCall(QObject* context, const std::function<void()>& interrupted) {
    if (::pipe(interruptPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, interrupted] {
        notifier->setEnabled(false);
        interrupted();
    });
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}
#endif
