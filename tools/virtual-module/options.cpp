#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char* const kUsage =
    "usage: virtual-module [options]\n"
    "Plays the serial-port module on a pseudo-terminal; prints 'device: /dev/pts/N' first.\n"
    "\n"
    "Line:\n"
    "  --link PATH           symbolic link PATH -> the device (replaced if present, removed on "
    "exit)\n"
    "  --rate N              rate the module's line starts at (default 9600, or the rate of\n"
    "                        --baud-code)\n"
    "  --switch-at-once      a new baud rate takes effect right after its answer, not at reset\n"
    "                        (SIGHUP)\n"
    "Starting values (default: the factory values):\n"
    "  --name TEXT           device name (KAVRO5190)\n"
    "  --password TEXT       pairing password (5807)\n"
    "  --baud-code N         stored baud-rate code (39; the code of --rate when that is given)\n"
    "  --firmware MAJ.MIN    firmware version (2.10)\n"
    "  --max-conn N          maximum number of connections (1)\n"
    "Misbehaviour:\n"
    "  --silent TYPES        never answer (nor apply) these command types, e.g. 1 or 1,10\n"
    "  --silent-set TYPES    never answer (nor apply) set commands of these types; their\n"
    "                        queries are answered\n"
    "  --refuse TYPES        answer these command types with status 1 and do not apply them\n"
    "  --silent-first N      ignore the first N frames, then answer\n"
    "  --answer-twice        send every answer twice\n"
    "  --noise               random bytes without 0x55 after every answer\n"
    "  --byte-delay MS       write answers one byte at a time, MS apart\n"
    "  --latency MS          wait MS before answering\n"
    "  --seed N              seed of the noise (default 1)\n"
    "  --stray-body HEX      follow every answer with a frame of this body, which is no answer\n"
    "                        (e.g. 610001: noise forming a frame, a message of the module's own)\n"
    "Signals: SIGHUP resets the module (the stored baud rate takes effect), SIGUSR1 prints the\n"
    "state, SIGTERM and SIGINT end it.\n";

namespace {

bool parseUnsigned(const char* text, unsigned long max, unsigned long& value) {
    if (*text < '0' || *text > '9')
        return false;
    char* rest = nullptr;
    errno = 0;
    value = std::strtoul(text, &rest, 10);
    return errno == 0 && *rest == '\0' && value <= max;
}

Bytes textBytes(const char* text) {
    return Bytes(text, text + std::strlen(text));
}

} // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    bool rateGiven = false;
    bool codeGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string inlineValue;
        bool hasInlineValue = false;
        if (const std::size_t eq = name.find('=');
            name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
            hasInlineValue = true;
        }
        const auto value = [&](const char*& out) {
            if (hasInlineValue) {
                out = argv[i] + (std::strlen(argv[i]) - inlineValue.size());
                return true;
            }
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        const auto number = [&](unsigned long max, unsigned long& out) {
            const char* text = nullptr;
            if (!value(text))
                return false;
            if (!parseUnsigned(text, max, out)) {
                error = name + ": not a number from 0 to " + std::to_string(max) + ": " + text;
                return false;
            }
            return true;
        };
        const auto flag = [&](bool& out) {
            if (hasInlineValue) {
                error = name + " takes no value";
                return false;
            }
            out = true;
            return true;
        };

        const char* text = nullptr;
        unsigned long n = 0;
        MisbehaviourOptions& mis = options.misbehaviour;
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--link") {
            if (!value(text))
                return false;
            options.linkPath = text;
        } else if (name == "--rate") {
            if (!number(0xFFFFFFFF, n))
                return false;
            if (codeOfRate(static_cast<unsigned>(n)) == 0) {
                error = "--rate: not a rate the module knows: " + std::to_string(n);
                return false;
            }
            options.rate = static_cast<unsigned>(n);
            rateGiven = true;
        } else if (name == "--switch-at-once") {
            if (!flag(options.switchAtOnce))
                return false;
        } else if (name == "--name") {
            if (!value(text))
                return false;
            options.settings.name = textBytes(text);
        } else if (name == "--password") {
            if (!value(text))
                return false;
            options.settings.password = textBytes(text);
        } else if (name == "--baud-code") {
            if (!number(0xFFFF, n))
                return false;
            if (rateOfCode(static_cast<std::uint16_t>(n)) == 0) {
                error = "--baud-code: not a known baud-rate code: " + std::to_string(n);
                return false;
            }
            options.settings.baudCode = static_cast<std::uint16_t>(n);
            codeGiven = true;
        } else if (name == "--firmware") {
            if (!value(text))
                return false;
            const char* dot = std::strchr(text, '.');
            unsigned long major = 0;
            unsigned long minor = 0;
            if (dot == nullptr || !parseUnsigned(std::string(text, dot).c_str(), 255, major) ||
                !parseUnsigned(dot + 1, 255, minor)) {
                error = "--firmware: expected MAJOR.MINOR (0 to 255 each): " + std::string(text);
                return false;
            }
            options.settings.firmwareMajor = static_cast<std::uint8_t>(major);
            options.settings.firmwareMinor = static_cast<std::uint8_t>(minor);
        } else if (name == "--max-conn") {
            if (!number(255, n))
                return false;
            options.settings.maxConnections = static_cast<std::uint8_t>(n);
        } else if (name == "--silent" || name == "--silent-set" || name == "--refuse") {
            if (!value(text))
                return false;
            std::set<std::uint8_t>& types = name == "--silent"       ? mis.silent
                                            : name == "--silent-set" ? mis.silentSet
                                                                     : mis.refuse;
            if (!parseTypeList(text, types)) {
                error = name + ": expected a comma list of command types: " + text;
                return false;
            }
        } else if (name == "--silent-first") {
            if (!number(0xFFFFFFFF, n))
                return false;
            mis.silentFirst = static_cast<unsigned>(n);
        } else if (name == "--answer-twice") {
            if (!flag(mis.answerTwice))
                return false;
        } else if (name == "--noise") {
            if (!flag(mis.noise))
                return false;
        } else if (name == "--byte-delay") {
            if (!number(60000, n))
                return false;
            mis.byteDelayMs = static_cast<unsigned>(n);
        } else if (name == "--latency") {
            if (!number(60000, n))
                return false;
            mis.latencyMs = static_cast<unsigned>(n);
        } else if (name == "--stray-body") {
            if (!value(text))
                return false;
            std::string why;
            if (!parseStrayBody(text, mis.strayBody, why)) {
                error = name + ": " + why;
                return false;
            }
        } else if (name == "--seed") {
            if (!number(0xFFFFFFFF, n))
                return false;
            mis.seed = static_cast<unsigned>(n);
        } else {
            error = "unknown option: " + std::string(argv[i]);
            return false;
        }
    }
    // One of the two alone says both: the line runs at the rate of the stored code.
    if (rateGiven && !codeGiven)
        options.settings.baudCode = codeOfRate(options.rate);
    else if (codeGiven && !rateGiven)
        options.rate = rateOfCode(options.settings.baudCode);
    return true;
}
