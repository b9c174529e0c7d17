#pragma once

#include "bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

constexpr std::uint8_t kAnswerMarker = 0x60;
constexpr std::uint8_t kQueryMarker = 0x50;
constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusFailed = 1;

namespace CommandType {
constexpr std::uint8_t Firmware = 0;
constexpr std::uint8_t BaudRate = 1;
constexpr std::uint8_t Security = 2;
constexpr std::uint8_t Password = 3;
constexpr std::uint8_t Sniff = 4;
constexpr std::uint8_t Park = 5;
constexpr std::uint8_t Name = 6;
constexpr std::uint8_t ClassOfDevice = 7;
constexpr std::uint8_t Role = 8;
constexpr std::uint8_t MaxConnections = 9;
constexpr std::uint8_t ClearBound = 10;
constexpr std::uint8_t Scan = 13;
constexpr std::uint8_t Bind = 14;
} // namespace CommandType

// Everything the module remembers. Text fields are raw bytes as they travel on the line.
struct Settings {
    Bytes name;
    Bytes password;
    std::uint8_t security = 1;
    std::uint16_t baudCode = 39;
    std::array<std::uint16_t, 4> sniff{}; // maximum, minimum, attempt, timeout
    std::array<std::uint16_t, 2> park{};  // maximum, minimum
    std::uint8_t master = 0;
    std::array<std::uint8_t, 3> classOfDevice{};
    std::uint8_t bind = 1;
    std::array<std::uint16_t, 4> scan{}; // page interval, page window, inquiry interval, window
    std::uint8_t maxConnections = 1;
    std::uint8_t firmwareMajor = 2;
    std::uint8_t firmwareMinor = 10;
};

Settings factorySettings();

// Baud-rate codes: code 0 means "keep the rate"; 0 is also returned for an unknown code or rate.
unsigned rateOfCode(std::uint16_t code);
std::uint16_t codeOfRate(unsigned rate);

// "state: name=... pwd=... auth=1 baud=39 ...": one line that tests can match.
std::string describe(const Settings& settings);

struct Command {
    bool query = false;
    std::uint8_t type = 0;
    Bytes param; // set: parameter bytes; query: whatever follows the type (normally nothing)
};

// Splits a received body into a command; empty for an empty body or a query without its type.
std::optional<Command> parseCommand(const Bytes& body);

struct Outcome {
    Bytes answer;             // the answer body
    bool applied = false;     // a set command changed (or confirmed) the settings
    bool baudCodeSet = false; // a new baud-rate code is waiting for the next reset
    std::string note;         // why a command failed, or what a command did besides storing
};

// The module's side of the protocol: the settings and the rate its serial line runs at.
class Module {
public:
    Module(Settings settings, unsigned lineRate);

    Outcome handle(const Command& command);
    // The answer to a command the module declines without looking at it.
    static Bytes refusal(const Command& command);
    // The answer to a set command the module acknowledges without applying it.
    static Bytes acknowledgement(const Command& command);

    // Moves the line to the stored baud-rate code, as a restart does. Returns the rate before.
    unsigned applyStoredRate();

    const Settings& settings() const { return settings_; }
    unsigned lineRate() const { return lineRate_; }

private:
    Outcome answerQuery(const Command& command) const;
    Outcome applySet(const Command& command);

    Settings settings_;
    unsigned lineRate_;
};
