#include "Console.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int interruptPipe[2] = {-1, -1};

void onInterrupt(int) {
    const char signalled = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &signalled, 1);
}
} // namespace

// The signal reaches the event loop through a pipe.
void onInterruptCall(QObject* context, const std::function<void()>& interrupted) {
    if (::pipe(interruptPipe) != 0)
        return;
    // A signal that comes again and again (a write to a closed pipe) never
    // blocks its handler on a full pipe: one byte in it is enough.
    ::fcntl(interruptPipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, interrupted] {
        notifier->setEnabled(false);
        interrupted();
    });
    // A closed terminal and a closed pipe end the program as Ctrl+C does;
    // output to a closed pipe is given up (its writes fail from then on).
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        std::signal(signal, onInterrupt);
}

// Nothing waits for it here: a signal's handler returned long ago.
void interruptSettled() {}

bool errorIsDrawableTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}
