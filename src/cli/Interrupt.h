#pragma once

#include <QObject>
#include <functional>

// Ctrl+C and SIGTERM reach the event loop through a pipe, and interrupted
// runs there, once, not inside the signal handler.
void onInterruptCall(QObject* context, const std::function<void()>& interrupted);
