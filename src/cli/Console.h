#pragma once

#include <QObject>
#include <functional>

// The console the companion runs in, as each system offers it.

// Calls interrupted on context's event loop, once, when the operator presses
// Ctrl+C (or the program is asked to end: its terminal or console closed,
// its output pipe closed, the session ending): the ports are closed there,
// not inside a signal handler.
void onInterruptCall(QObject* context, const std::function<void()>& interrupted);
// What the interrupt asked for is done. Windows ends a program whose
// console closes (or whose session ends) once its handler returns: the
// handler waits for this, within the time Windows allows.
void interruptSettled();

// Whether standard error is a terminal that moves its cursor on the escape
// sequences of the progress lines (on Windows, once they are turned on).
bool errorIsDrawableTerminal();
