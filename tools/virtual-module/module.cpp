#include "module.h"

#include <cstdio>
#include <utility>

namespace {

struct BaudRow {
    std::uint16_t code;
    unsigned rate;
};

// The code is the rate times 4096 / 1 000 000, rounded.
constexpr BaudRow kBaudTable[] = {
    {5, 1200},    {10, 2400},    {20, 4800},    {39, 9600},     {79, 19200},    {157, 38400},
    {236, 57600}, {472, 115200}, {944, 230400}, {1887, 460800}, {3775, 921600}, {5662, 1382400},
};

// Password and name answers must fit in the largest body the other side accepts (30 bytes, four of
// which are the answer header).
constexpr std::size_t kMaxTextLength = 26;

Bytes okQueryAnswer(std::uint8_t type, const Bytes& data) {
    Bytes answer{kAnswerMarker, kStatusOk, kQueryMarker, type};
    answer.insert(answer.end(), data.begin(), data.end());
    return answer;
}

Bytes failedQueryAnswer(std::uint8_t type) {
    return {kAnswerMarker, kStatusFailed, kQueryMarker, type};
}

Bytes setAnswer(std::uint8_t status, std::uint8_t type) {
    return {kAnswerMarker, status, type};
}

template <std::size_t N> Bytes wordsToBytes(const std::array<std::uint16_t, N>& words) {
    Bytes bytes;
    for (std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    }
    return bytes;
}

template <std::size_t N> std::array<std::uint16_t, N> bytesToWords(const Bytes& bytes) {
    std::array<std::uint16_t, N> words{};
    for (std::size_t i = 0; i < N; ++i)
        words[i] = static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    return words;
}

std::string wordList(const std::uint16_t* words, std::size_t count) {
    std::string text;
    char buffer[8];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%04X", i ? "," : "", words[i]);
        text += buffer;
    }
    return text;
}

// Printable ASCII as is; anything else as \xNN so the state line stays one readable line.
std::string printableText(const Bytes& bytes) {
    std::string text;
    char buffer[8];
    for (std::uint8_t b : bytes) {
        if (b >= 0x20 && b <= 0x7E && b != '\\') {
            text += static_cast<char>(b);
        } else {
            std::snprintf(buffer, sizeof buffer, "\\x%02X", b);
            text += buffer;
        }
    }
    return text;
}

Outcome malformed(std::uint8_t type, const char* why) {
    Outcome outcome;
    outcome.answer = setAnswer(kStatusFailed, type);
    outcome.note = why;
    return outcome;
}

} // namespace

Settings factorySettings() {
    Settings s;
    const std::string name = "KAVRO5190";
    const std::string password = "5807";
    s.name.assign(name.begin(), name.end());
    s.password.assign(password.begin(), password.end());
    s.security = 1;
    s.baudCode = 39;
    s.sniff = {0, 0, 0, 0};
    s.park = {0, 0};
    s.master = 0;
    s.classOfDevice = {0, 0, 0};
    s.bind = 1;
    s.scan = {0x0400, 0x0200, 0x0400, 0x0200};
    s.maxConnections = 1;
    s.firmwareMajor = 2;
    s.firmwareMinor = 10;
    return s;
}

unsigned rateOfCode(std::uint16_t code) {
    for (const BaudRow& row : kBaudTable)
        if (row.code == code)
            return row.rate;
    return 0;
}

std::uint16_t codeOfRate(unsigned rate) {
    for (const BaudRow& row : kBaudTable)
        if (row.rate == rate)
            return row.code;
    return 0;
}

std::string describe(const Settings& s) {
    char cod[8];
    std::snprintf(cod, sizeof cod, "%02X%02X%02X", s.classOfDevice[0], s.classOfDevice[1],
                  s.classOfDevice[2]);
    return "state: name=" + printableText(s.name) + " pwd=" + printableText(s.password) +
           " auth=" + std::to_string(s.security) + " baud=" + std::to_string(s.baudCode) +
           " sniff=" + wordList(s.sniff.data(), s.sniff.size()) +
           " park=" + wordList(s.park.data(), s.park.size()) +
           " master=" + std::to_string(s.master) + " cod=" + cod +
           " bind=" + std::to_string(s.bind) + " scan=" + wordList(s.scan.data(), s.scan.size()) +
           " maxconn=" + std::to_string(s.maxConnections);
}

std::optional<Command> parseCommand(const Bytes& body) {
    if (body.empty())
        return std::nullopt;
    Command command;
    if (body[0] == kQueryMarker) {
        if (body.size() < 2)
            return std::nullopt;
        command.query = true;
        command.type = body[1];
        command.param.assign(body.begin() + 2, body.end());
    } else {
        command.type = body[0];
        command.param.assign(body.begin() + 1, body.end());
    }
    return command;
}

Module::Module(Settings settings, unsigned lineRate)
    : settings_(std::move(settings)), lineRate_(lineRate) {}

Outcome Module::handle(const Command& command) {
    return command.query ? answerQuery(command) : applySet(command);
}

Bytes Module::refusal(const Command& command) {
    return command.query ? failedQueryAnswer(command.type) : setAnswer(kStatusFailed, command.type);
}

Bytes Module::acknowledgement(const Command& command) {
    return setAnswer(kStatusOk, command.type);
}

unsigned Module::applyStoredRate() {
    const unsigned before = lineRate_;
    if (const unsigned rate = rateOfCode(settings_.baudCode))
        lineRate_ = rate;
    return before;
}

Outcome Module::answerQuery(const Command& command) const {
    const Settings& s = settings_;
    const std::uint8_t type = command.type;
    Outcome outcome;
    if (!command.param.empty()) {
        outcome.answer = failedQueryAnswer(type);
        outcome.note = "query with extra bytes";
        return outcome;
    }
    Bytes data;
    switch (type) {
    case CommandType::Firmware:
        data = {s.firmwareMajor, s.firmwareMinor};
        break;
    case CommandType::BaudRate:
        data = {static_cast<std::uint8_t>(s.baudCode >> 8),
                static_cast<std::uint8_t>(s.baudCode & 0xFF)};
        break;
    case CommandType::Security:
        data = {s.security};
        break;
    case CommandType::Password:
        data = s.password;
        break;
    case CommandType::Sniff:
        data = wordsToBytes(s.sniff);
        break;
    case CommandType::Park:
        data = wordsToBytes(s.park);
        break;
    case CommandType::Name:
        data = s.name;
        break;
    case CommandType::ClassOfDevice:
        data.assign(s.classOfDevice.begin(), s.classOfDevice.end());
        break;
    case CommandType::Role:
        data = {s.master};
        break;
    case CommandType::MaxConnections:
        data = {s.maxConnections};
        break;
    case CommandType::Scan:
        data = wordsToBytes(s.scan);
        break;
    case CommandType::Bind:
        data = {s.bind};
        break;
    default:
        outcome.answer = failedQueryAnswer(type);
        outcome.note = "unknown query type";
        return outcome;
    }
    outcome.answer = okQueryAnswer(type, data);
    return outcome;
}

Outcome Module::applySet(const Command& command) {
    Settings& s = settings_;
    const std::uint8_t type = command.type;
    const Bytes& p = command.param;
    Outcome outcome;
    switch (type) {
    case CommandType::BaudRate: {
        if (p.size() != 2)
            return malformed(type, "baud rate needs 2 bytes");
        const auto code = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
        if (code != 0 && rateOfCode(code) == 0)
            return malformed(type, "unknown baud-rate code");
        if (code != 0) {
            s.baudCode = code;
            outcome.baudCodeSet = true;
            outcome.note = "baud-rate code " + std::to_string(code) + " stored (" +
                           std::to_string(rateOfCode(code)) + ")";
        } else {
            outcome.note = "baud-rate code 0: no change";
        }
        break;
    }
    case CommandType::Security:
    case CommandType::Role:
    case CommandType::Bind: {
        if (p.size() != 1)
            return malformed(type, "needs 1 byte");
        if (p[0] > 1)
            return malformed(type, "value must be 0 or 1");
        std::uint8_t& field = type == CommandType::Security ? s.security
                              : type == CommandType::Role   ? s.master
                                                            : s.bind;
        field = p[0];
        break;
    }
    case CommandType::Password:
        if (p.empty() || p.size() > kMaxTextLength)
            return malformed(type, "password needs 1 to 26 bytes");
        s.password = p;
        break;
    case CommandType::Name:
        if (p.size() > kMaxTextLength)
            return malformed(type, "name takes at most 26 bytes");
        s.name = p;
        break;
    case CommandType::Sniff:
        if (p.size() != 8)
            return malformed(type, "sniff parameters need 8 bytes");
        s.sniff = bytesToWords<4>(p);
        break;
    case CommandType::Park:
        if (p.size() != 4)
            return malformed(type, "park parameters need 4 bytes");
        s.park = bytesToWords<2>(p);
        break;
    case CommandType::ClassOfDevice:
        if (p.size() != 3)
            return malformed(type, "class of device needs 3 bytes");
        s.classOfDevice = {p[0], p[1], p[2]};
        break;
    case CommandType::Scan:
        if (p.size() != 8)
            return malformed(type, "scan parameters need 8 bytes");
        s.scan = bytesToWords<4>(p);
        break;
    case CommandType::ClearBound:
        if (p.size() != 1)
            return malformed(type, "clear needs 1 byte");
        outcome.note = "bound address cleared";
        break;
    case CommandType::Firmware:
    case CommandType::MaxConnections:
        return malformed(type, "read-only parameter");
    default:
        return malformed(type, "unknown set type");
    }
    outcome.applied = true;
    outcome.answer = setAnswer(kStatusOk, type);
    return outcome;
}
