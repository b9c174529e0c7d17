#pragma once

#include <functional>

// Runs the event loop until condition holds, looking every millisecond;
// false after timeoutMs.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

// Runs the event loop and nothing else for ms.
void idleFor(int ms);
