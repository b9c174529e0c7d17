#include "Console.h"

#include <QMetaObject>
#include <QPointer>
#include <atomic>
#include <windows.h>

namespace {
QPointer<QObject> interruptContext;
std::function<void()> whenInterrupted;
std::atomic_bool interruptSeen{false};

// Windows calls this on a thread of its own; the call is queued to the
// event loop, which is safe from any thread.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (!interruptSeen.exchange(true))
        QMetaObject::invokeMethod(interruptContext, whenInterrupted, Qt::QueuedConnection);
    return TRUE;
}
} // namespace

void onInterruptCall(QObject* context, const std::function<void()>& interrupted) {
    interruptContext = context;
    whenInterrupted = interrupted;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool errorIsDrawableTerminal() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(error, &mode) &&
           SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
