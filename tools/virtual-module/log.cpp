#include "log.h"

#include <chrono>
#include <cstdio>

namespace {
std::chrono::steady_clock::time_point startTime = std::chrono::steady_clock::now();
} // namespace

void logStart() {
    startTime = std::chrono::steady_clock::now();
}

void logLine(const std::string& text) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

void logEvent(unsigned rate, const char* what, const std::string& text) {
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - startTime;
    std::fprintf(stdout, "%8.1f ms  %u  %s  %s\n", elapsed.count(), rate, what, text.c_str());
    std::fflush(stdout);
}

std::string hexBytes(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}
