#include "Console.h"

#include <QMetaObject>
#include <QPointer>
#include <atomic>
#include <windows.h>

namespace {
QPointer<QObject> interruptContext;
std::function<void()> whenInterrupted;
std::atomic_bool interruptSeen{false};
HANDLE settled = CreateEventW(nullptr, TRUE, FALSE, nullptr);
// Windows gives a console's close, logoff and shutdown handlers 5 s.
constexpr DWORD settlingMs = 4500;

// Windows calls this on a thread of its own; the call is queued to the
// event loop, which is safe from any thread.
BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool ending =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (!ending && event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (!interruptSeen.exchange(true))
        QMetaObject::invokeMethod(interruptContext, whenInterrupted, Qt::QueuedConnection);
    // The process ends once this returns: the record is settled first.
    if (ending)
        WaitForSingleObject(settled, settlingMs);
    return TRUE;
}
} // namespace

void onInterruptCall(QObject* context, const std::function<void()>& interrupted) {
    interruptContext = context;
    whenInterrupted = interrupted;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void interruptSettled() {
    SetEvent(settled);
}

bool errorIsDrawableTerminal() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(error, &mode) &&
           SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
