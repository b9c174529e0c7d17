#pragma once

#include "bytes.h"

#include <cstdint>
#include <random>
#include <set>
#include <string>

// Ways the module can be told to behave badly, so the product's retries, timeouts and receive path
// can be exercised without a faulty module at hand.
struct MisbehaviourOptions {
    std::set<std::uint8_t> silent;    // command types never answered (nor applied)
    std::set<std::uint8_t> silentSet; // set commands never answered (nor applied); queries are
    std::set<std::uint8_t> refuse;    // command types answered with status 1 and not applied
    std::set<std::uint8_t> forgetSet; // set commands acknowledged but not applied
    unsigned silentFirst = 0;         // frames ignored before the module starts answering
    bool answerTwice = false;         // every answer goes out twice
    bool noise = false;               // random non-frame bytes follow every answer
    unsigned byteDelayMs = 0;         // answers written one byte at a time with this pause
    unsigned latencyMs = 0;           // pause before an answer starts
    unsigned seed = 1;                // for the noise
    Bytes strayBody;                  // sent in a frame of its own after every answer, if any
};

// Parses "1" or "1,10,13" (decimal, or hexadecimal with 0x) into command types.
bool parseTypeList(const std::string& text, std::set<std::uint8_t>& types);

// Parses a body that is no answer, e.g. "610001" or "61 00 01": 1 to 30 bytes, the first not 0x60.
bool parseStrayBody(const std::string& text, Bytes& body, std::string& error);

class Misbehaviour {
public:
    enum class Verdict { Answer, SilentFirst, Silent, Refuse, Forget };

    explicit Misbehaviour(MisbehaviourOptions options);

    // Decides what to do with a command the module has received at its own rate.
    Verdict judge(std::uint8_t type, bool query);
    const MisbehaviourOptions& options() const { return options_; }
    // One to six random bytes, none of them 0x55, so they can never start a frame.
    Bytes noiseBytes();

private:
    MisbehaviourOptions options_;
    unsigned framesSeen_ = 0;
    std::mt19937 random_;
};
