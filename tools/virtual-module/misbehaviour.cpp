#include "misbehaviour.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

bool parseTypeList(const std::string& text, std::set<std::uint8_t>& types) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, end - start);
        if (item.empty())
            return false;
        char* rest = nullptr;
        errno = 0;
        const bool hex = item.size() > 2 && item[0] == '0' && (item[1] == 'x' || item[1] == 'X');
        const unsigned long value = std::strtoul(item.c_str(), &rest, hex ? 16 : 10);
        if (errno != 0 || *rest != '\0' || item[0] == '-' || item[0] == '+' || value > 0xFF)
            return false;
        types.insert(static_cast<std::uint8_t>(value));
        start = end + 1;
    }
    return true;
}

Misbehaviour::Misbehaviour(MisbehaviourOptions options)
    : options_(std::move(options)), random_(options_.seed) {}

Misbehaviour::Verdict Misbehaviour::judge(std::uint8_t type, bool query) {
    if (framesSeen_ < options_.silentFirst) {
        ++framesSeen_;
        return Verdict::SilentFirst;
    }
    if (options_.silent.count(type) || (!query && options_.silentSet.count(type)))
        return Verdict::Silent;
    if (options_.refuse.count(type))
        return Verdict::Refuse;
    return Verdict::Answer;
}

Bytes Misbehaviour::noiseBytes() {
    std::uniform_int_distribution<int> count(1, 6);
    std::uniform_int_distribution<int> value(0, 0xFE);
    Bytes bytes(static_cast<std::size_t>(count(random_)));
    for (std::uint8_t& b : bytes) {
        const int v = value(random_);
        b = static_cast<std::uint8_t>(v >= 0x55 ? v + 1 : v);
    }
    return bytes;
}
