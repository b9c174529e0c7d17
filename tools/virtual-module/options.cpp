#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

const char* const kUsage =
    "usage: virtual-module [options]\n"
    "Plays the serial-port module on a pseudo-terminal; prints 'device: /dev/pts/N' first.\n"
    "\n"
    "Line:\n"
    "  --link PATH           symbolic link PATH -> the device (replaced if present, removed on "
    "exit)\n"
    "  --fixture FILE        the module sits on a fixture described by FILE, read at start and\n"
    "                        at every SIGUSR2: 'off' (or nothing) leaves it empty, a line of\n"
    "                        starting values and misbehaviour puts a fresh module on\n"
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
    "  --worn                every setting a Set writes off its factory value, as on a module\n"
    "                        configured before (later options still apply)\n"
    "Misbehaviour:\n"
    "  --silent TYPES        never answer (nor apply) these command types, e.g. 1 or 1,10\n"
    "  --silent-set TYPES    never answer (nor apply) set commands of these types; their\n"
    "                        queries are answered\n"
    "  --refuse TYPES        answer these command types with status 1 and do not apply them\n"
    "  --forget-set TYPES    acknowledge set commands of these types but keep the old value\n"
    "  --silent-first N      ignore the first N frames, then answer\n"
    "  --answer-twice        send every answer twice\n"
    "  --noise               random bytes without 0x55 after every answer\n"
    "  --byte-delay MS       write answers one byte at a time, MS apart\n"
    "  --latency MS          wait MS before answering\n"
    "  --seed N              seed of the noise (default 1)\n"
    "  --stray-body HEX      follow every answer with a frame of this body, which is no answer\n"
    "                        (e.g. 610001: noise forming a frame, a message of the module's own)\n"
    "Signals: SIGHUP resets the module (the stored baud rate takes effect), SIGUSR1 prints the\n"
    "state, SIGUSR2 reads the fixture again, SIGTERM and SIGINT end it.\n";

namespace {
enum LongOnly {
    Link = 256,
    Fixture,
    Rate,
    SwitchAtOnce,
    Name,
    Password,
    BaudCode,
    Firmware,
    MaxConn,
    Worn,
    Silent,
    SilentSet,
    Refuse,
    ForgetSet,
    SilentFirst,
    AnswerTwice,
    Noise,
    ByteDelay,
    Latency,
    StrayBody,
    Seed,
};

const option longOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"link", required_argument, nullptr, Link},
    {"fixture", required_argument, nullptr, Fixture},
    {"rate", required_argument, nullptr, Rate},
    {"switch-at-once", no_argument, nullptr, SwitchAtOnce},
    {"name", required_argument, nullptr, Name},
    {"password", required_argument, nullptr, Password},
    {"baud-code", required_argument, nullptr, BaudCode},
    {"firmware", required_argument, nullptr, Firmware},
    {"max-conn", required_argument, nullptr, MaxConn},
    {"worn", no_argument, nullptr, Worn},
    {"silent", required_argument, nullptr, Silent},
    {"silent-set", required_argument, nullptr, SilentSet},
    {"refuse", required_argument, nullptr, Refuse},
    {"forget-set", required_argument, nullptr, ForgetSet},
    {"silent-first", required_argument, nullptr, SilentFirst},
    {"answer-twice", no_argument, nullptr, AnswerTwice},
    {"noise", no_argument, nullptr, Noise},
    {"byte-delay", required_argument, nullptr, ByteDelay},
    {"latency", required_argument, nullptr, Latency},
    {"stray-body", required_argument, nullptr, StrayBody},
    {"seed", required_argument, nullptr, Seed},
    {nullptr, 0, nullptr, 0},
};

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

bool parseFirmware(const char* text, Settings& settings) {
    const char* dot = std::strchr(text, '.');
    unsigned long major = 0;
    unsigned long minor = 0;
    if (dot == nullptr || !parseUnsigned(std::string(text, dot).c_str(), 255, major) ||
        !parseUnsigned(dot + 1, 255, minor))
        return false;
    settings.firmwareMajor = static_cast<std::uint8_t>(major);
    settings.firmwareMinor = static_cast<std::uint8_t>(minor);
    return true;
}

// Every setting that a Set writes, but the line's baud-rate code, off its
// factory value.
void wearSettings(Settings& settings) {
    settings.name = textBytes("BENCH-WORN");
    settings.password = textBytes("2468");
    settings.security = 0;
    settings.sniff = {0x0010, 0x0008, 0x0002, 0x0001};
    settings.park = {0x0020, 0x0010};
    settings.master = 1;
    settings.classOfDevice = {0x00, 0x1F, 0x00};
    settings.bind = 0;
    settings.scan = {0x0800, 0x0100, 0x0800, 0x0100};
}

// The option as the user wrote it, for messages.
std::string optionName(int code) {
    for (const option& o : longOptions)
        if (o.name != nullptr && o.val == code)
            return std::string("--") + o.name;
    return "?";
}

// Applies one option and its value; false with a message when the value is bad.
bool apply(int code, const char* text, Options& options, std::string& error, bool& rateGiven,
           bool& codeGiven) {
    MisbehaviourOptions& mis = options.misbehaviour;
    unsigned long n = 0;
    auto number = [&](unsigned long max) {
        if (parseUnsigned(text, max, n))
            return true;
        error = optionName(code) + ": not a number from 0 to " + std::to_string(max) + ": " + text;
        return false;
    };
    switch (code) {
    case 'h':
        options.help = true;
        return true;
    case Link:
        options.linkPath = text;
        return true;
    case Fixture:
        options.fixturePath = text;
        return true;
    case Rate:
        if (!number(0xFFFFFFFF))
            return false;
        if (codeOfRate(static_cast<unsigned>(n)) == 0) {
            error = "--rate: not a rate the module knows: " + std::to_string(n);
            return false;
        }
        options.rate = static_cast<unsigned>(n);
        rateGiven = true;
        return true;
    case SwitchAtOnce:
        options.switchAtOnce = true;
        return true;
    case Name:
        options.settings.name = textBytes(text);
        return true;
    case Password:
        options.settings.password = textBytes(text);
        return true;
    case BaudCode:
        if (!number(0xFFFF))
            return false;
        if (rateOfCode(static_cast<std::uint16_t>(n)) == 0) {
            error = "--baud-code: not a known baud-rate code: " + std::to_string(n);
            return false;
        }
        options.settings.baudCode = static_cast<std::uint16_t>(n);
        codeGiven = true;
        return true;
    case Firmware:
        if (parseFirmware(text, options.settings))
            return true;
        error = "--firmware: expected MAJOR.MINOR (0 to 255 each): " + std::string(text);
        return false;
    case MaxConn:
        if (!number(255))
            return false;
        options.settings.maxConnections = static_cast<std::uint8_t>(n);
        return true;
    case Silent:
    case SilentSet:
    case Refuse:
    case ForgetSet: {
        std::set<std::uint8_t>& types = code == Silent      ? mis.silent
                                        : code == SilentSet ? mis.silentSet
                                        : code == Refuse    ? mis.refuse
                                                            : mis.forgetSet;
        if (parseTypeList(text, types))
            return true;
        error = optionName(code) + ": expected a comma list of command types: " + text;
        return false;
    }
    case SilentFirst:
        if (!number(0xFFFFFFFF))
            return false;
        mis.silentFirst = static_cast<unsigned>(n);
        return true;
    case AnswerTwice:
        mis.answerTwice = true;
        return true;
    case Noise:
        mis.noise = true;
        return true;
    case ByteDelay:
        if (!number(60000))
            return false;
        mis.byteDelayMs = static_cast<unsigned>(n);
        return true;
    case Latency:
        if (!number(60000))
            return false;
        mis.latencyMs = static_cast<unsigned>(n);
        return true;
    case StrayBody: {
        std::string why;
        if (parseStrayBody(text, mis.strayBody, why))
            return true;
        error = "--stray-body: " + why;
        return false;
    }
    case Worn:
        wearSettings(options.settings);
        return true;
    case Seed:
        if (!number(0xFFFFFFFF))
            return false;
        mis.seed = static_cast<unsigned>(n);
        return true;
    default:
        return false;
    }
}
} // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    bool rateGiven = false;
    bool codeGiven = false;
    opterr = 0;
    optind = 1;
    for (;;) {
        const int code = getopt_long(argc, argv, ":h", longOptions, nullptr);
        if (code == -1)
            break;
        if (code == '?' || code == ':') {
            const std::string given = argv[optind - 1];
            error = code == ':' ? given + " needs a value" : "unknown option: " + given;
            return false;
        }
        if (!apply(code, optarg, options, error, rateGiven, codeGiven))
            return false;
    }
    if (optind < argc) {
        error = "unknown option: " + std::string(argv[optind]);
        return false;
    }
    // One of the two alone says both: the line runs at the rate of the stored code.
    if (rateGiven && !codeGiven)
        options.settings.baudCode = codeOfRate(options.rate);
    else if (codeGiven && !rateGiven)
        options.rate = rateOfCode(options.settings.baudCode);
    return true;
}
