#include "misbehaviour.h"

#include "frame_reader.h"
#include "module.h"

#include <algorithm>
#include <cctype>
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

bool parseStrayBody(const std::string& text, Bytes& body, std::string& error) {
    std::string digits;
    for (const char c : text)
        if (c != ' ')
            digits += c;
    const bool allHex = std::all_of(digits.begin(), digits.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (digits.empty() || !allHex || digits.size() % 2 != 0 || digits.size() / 2 > kMaxBodyLength) {
        error = "expected 1 to 30 bytes in hex digits: " + text;
        return false;
    }
    body.clear();
    for (std::size_t i = 0; i < digits.size(); i += 2)
        body.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    if (body.front() == kAnswerMarker) {
        error = "a body starting with 60 is an answer: " + text;
        return false;
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
    if (!query && options_.forgetSet.count(type))
        return Verdict::Forget;
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
