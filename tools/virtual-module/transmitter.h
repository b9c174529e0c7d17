#pragma once

#include "bytes.h"

#include <chrono>
#include <deque>
#include <functional>

using Clock = std::chrono::steady_clock;

// Writes to the line in the background of the event loop: every piece of output waits in a queue
// until it is due, so a late or trickled answer never blocks the module from reading, nor from
// reacting to signals.
class Transmitter {
public:
    struct Chunk {
        Bytes bytes;
        Clock::time_point notBefore;     // earliest moment to write it
        std::chrono::milliseconds gap{}; // pause after the previous write
        std::function<void()> written;   // run once the last byte has been handed to the line
    };

    explicit Transmitter(int fd) : fd_(fd) {}

    void push(Chunk chunk);
    // Writes every chunk that is due. Returns false if the line refused the bytes for good.
    bool service(Clock::time_point now);
    // How long poll() may sleep before the next chunk is due; -1 when nothing is waiting for time.
    int timeoutMs(Clock::time_point now) const;
    // The line's input queue is full: wait until it can take bytes again.
    bool waitingForRoom() const { return blocked_; }

private:
    Clock::time_point due(const Chunk& chunk) const;

    int fd_;
    std::deque<Chunk> queue_;
    Clock::time_point lastWrite_{};
    bool blocked_ = false;
};
