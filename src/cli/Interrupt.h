#pragma once

#include <QObject>
#include <functional>

// Ctrl+C and SIGTERM (on Windows, the console's Ctrl+C and close) reach the
// event loop, and interrupted runs there, once, not inside the handler.
void onInterruptCall(QObject* context, const std::function<void()>& interrupted);
