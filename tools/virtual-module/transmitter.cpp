#include "transmitter.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

void Transmitter::push(Chunk chunk) {
    queue_.push_back(std::move(chunk));
}

Clock::time_point Transmitter::due(const Chunk& chunk) const {
    return std::max(chunk.notBefore, lastWrite_ + chunk.gap);
}

bool Transmitter::service(Clock::time_point now) {
    blocked_ = false;
    while (!queue_.empty()) {
        Chunk& chunk = queue_.front();
        if (due(chunk) > now)
            return true;
        const ssize_t n = write(fd_, chunk.bytes.data(), chunk.bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked_ = true;
                return true;
            }
            return false;
        }
        lastWrite_ = now;
        chunk.bytes.erase(chunk.bytes.begin(), chunk.bytes.begin() + n);
        if (!chunk.bytes.empty()) {
            blocked_ = true;
            return true;
        }
        auto written = std::move(chunk.written);
        queue_.pop_front();
        if (written)
            written();
    }
    return true;
}

int Transmitter::timeoutMs(Clock::time_point now) const {
    if (queue_.empty() || blocked_)
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due(queue_.front()) - now);
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
}
