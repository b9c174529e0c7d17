// The virtual module: plays the module's side of the serial protocol on a pseudo-terminal so that
// the product, its demo, its end-to-end tests and its benchmark run without hardware.

#include "fixture.h"
#include "frame_reader.h"
#include "log.h"
#include "misbehaviour.h"
#include "module.h"
#include "options.h"
#include "pty.h"
#include "transmitter.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

// Even with nothing to do the loop wakes now and then; it never spins.
constexpr int kIdleWakeMs = 1000;

class VirtualModule {
public:
    VirtualModule(const Options& options, PseudoTerminal& pty)
        : options_(options), pty_(pty), module_(Module(options.settings, options.rate)),
          misbehaviour_(options.misbehaviour), transmitter_(pty.masterFd()) {}

    Transmitter& transmitter() { return transmitter_; }

    void onBytes(const std::uint8_t* data, std::size_t size) {
        std::vector<LineEvent> events;
        reader_.feed(data, size, events);
        for (const LineEvent& event : events) {
            switch (event.kind) {
            case LineEvent::Kind::Frame:
                onFrame(event.bytes);
                break;
            case LineEvent::Kind::Oversized:
                logEvent(lineRate(), "rx",
                         hexBytes(event.bytes) + "  (dropped: body longer than 30)");
                break;
            case LineEvent::Kind::Junk:
                logEvent(lineRate(), "junk", hexBytes(event.bytes));
                break;
            }
        }
    }

    // A restart of the module: the stored baud rate takes effect, a half-received frame is lost.
    void reset() {
        reader_.reset();
        if (!module_)
            return;
        const unsigned before = module_->applyStoredRate();
        logEvent(lineRate(), "note",
                 "reset: module rate " + std::to_string(before) + " -> " +
                     std::to_string(module_->lineRate()));
    }

    // On a fixture: the module in place is taken off and, when the fixture says so, a fresh one
    // is put on. The line stays open throughout.
    void refit(const FixtureContents& fixture) {
        reader_.reset();
        if (!fixture.moduleOn) {
            module_.reset();
            logEvent(lineRate(), "note", "fixture: empty");
            return;
        }
        options_ = fixture.module;
        module_ = Module(options_.settings, options_.rate);
        misbehaviour_ = Misbehaviour(options_.misbehaviour);
        logEvent(lineRate(), "note",
                 "fixture: a fresh module at " + std::to_string(module_->lineRate()));
        printState();
    }

    void printState() const {
        logLine(module_ ? describe(module_->settings()) : "state: empty fixture");
    }

private:
    unsigned lineRate() const { return pty_.speed().output; }

    void onFrame(const Bytes& frame) {
        const LineSpeed speed = pty_.speed();
        const std::string text = hexBytes(frame);
        if (!module_) {
            logEvent(speed.output, "rx", text + "  (ignored: no module on the fixture)");
            return;
        }
        // At another rate a real module would see garbage: it neither applies nor answers.
        if (speed.output != module_->lineRate() ||
            (speed.input != 0 && speed.input != speed.output)) {
            logEvent(speed.output, "rx",
                     text + "  (ignored: line at " + std::to_string(speed.output) + ", module at " +
                         std::to_string(module_->lineRate()) + ")");
            return;
        }
        const Bytes body(frame.begin() + kHeaderSize, frame.end());
        const std::optional<Command> command = parseCommand(body);
        if (!command) {
            logEvent(speed.output, "rx", text + "  (ignored: no command in it)");
            return;
        }

        switch (misbehaviour_.judge(command->type, command->query)) {
        case Misbehaviour::Verdict::SilentFirst:
            logEvent(speed.output, "rx", text + "  (not answered: --silent-first)");
            return;
        case Misbehaviour::Verdict::Silent:
            logEvent(speed.output, "rx", text + "  (not answered: silent)");
            return;
        case Misbehaviour::Verdict::Refuse:
            logEvent(speed.output, "rx", text + "  (refused: --refuse)");
            send(Module::refusal(*command), false);
            return;
        case Misbehaviour::Verdict::Forget:
            logEvent(speed.output, "rx", text + "  (acknowledged, not kept: --forget-set)");
            send(Module::acknowledgement(*command), false);
            return;
        case Misbehaviour::Verdict::Answer:
            break;
        }

        const Outcome outcome = module_->handle(*command);
        logEvent(speed.output, "rx",
                 outcome.note.empty() ? text : text + "  (" + outcome.note + ")");
        if (outcome.applied)
            printState();
        send(outcome.answer, outcome.baudCodeSet && options_.switchAtOnce);
    }

    // Queues one answer with whatever misbehaviour asks for; with switchAfter the module moves to
    // the stored rate once the (last copy of the) answer is on the line.
    void send(const Bytes& body, bool switchAfter) {
        const MisbehaviourOptions& mis = misbehaviour_.options();
        const Bytes frame = encodeFrame(body);
        const auto notBefore = Clock::now() + std::chrono::milliseconds(mis.latencyMs);
        const std::chrono::milliseconds byteGap(mis.byteDelayMs);
        const int copies = mis.answerTwice ? 2 : 1;
        for (int copy = 0; copy < copies; ++copy) {
            const bool last = copy + 1 == copies;
            auto written = [this, frame, switchAfter = switchAfter && last] {
                logEvent(lineRate(), "tx", hexBytes(frame));
                if (switchAfter)
                    switchRate();
            };
            if (mis.byteDelayMs > 0) {
                for (std::size_t i = 0; i < frame.size(); ++i) {
                    Transmitter::Chunk chunk{{frame[i]},
                                             notBefore,
                                             i == 0 ? std::chrono::milliseconds(0) : byteGap,
                                             nullptr};
                    if (i + 1 == frame.size())
                        chunk.written = written;
                    transmitter_.push(std::move(chunk));
                }
            } else {
                transmitter_.push({frame, notBefore, std::chrono::milliseconds(0), written});
            }
            if (mis.noise) {
                Bytes noise = misbehaviour_.noiseBytes();
                auto logNoise = [this, noise] { logEvent(lineRate(), "noise", hexBytes(noise)); };
                transmitter_.push({noise, notBefore, byteGap, logNoise});
            }
        }
        if (!mis.strayBody.empty()) {
            const Bytes stray = encodeFrame(mis.strayBody);
            auto logStray = [this, stray] { logEvent(lineRate(), "stray", hexBytes(stray)); };
            transmitter_.push({stray, notBefore, byteGap, logStray});
        }
    }

    void switchRate() {
        pty_.drain();
        if (!module_)
            return;
        const unsigned before = module_->applyStoredRate();
        logEvent(lineRate(), "note",
                 "switched at once: module rate " + std::to_string(before) + " -> " +
                     std::to_string(module_->lineRate()));
    }

    Options options_;
    PseudoTerminal& pty_;
    std::optional<Module> module_; // none while the fixture is empty
    Misbehaviour misbehaviour_;
    FrameReader reader_;
    Transmitter transmitter_;
};

int openSignalFd() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGHUP, SIGUSR1, SIGUSR2, SIGTERM, SIGINT})
        sigaddset(&signals, s);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0)
        return -1;
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

// What the fixture's control file says now; a bad file leaves the fixture as it is.
void refitFromFile(const std::string& path, VirtualModule& module) {
    FixtureContents fixture;
    std::string error;
    if (!readFixture(path, fixture, error)) {
        std::fprintf(stderr, "virtual-module: %s\n", error.c_str());
        return;
    }
    module.refit(fixture);
}

// Returns false when the module is told to end.
bool handleSignals(int signalFd, VirtualModule& module, const Options& options) {
    signalfd_siginfo info{};
    while (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        switch (info.ssi_signo) {
        case SIGHUP:
            module.reset();
            break;
        case SIGUSR1:
            module.printState();
            break;
        case SIGUSR2:
            if (!options.fixturePath.empty())
                refitFromFile(options.fixturePath, module);
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "virtual-module: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    const int signalFd = openSignalFd();
    if (signalFd < 0) {
        std::perror("virtual-module: signalfd");
        return 1;
    }
    logStart();
    PseudoTerminal pty;
    if (!pty.open(options.rate, error) ||
        (!options.linkPath.empty() && !pty.link(options.linkPath, error))) {
        std::fprintf(stderr, "virtual-module: %s\n", error.c_str());
        return 1;
    }
    logLine("device: " + pty.slaveName());
    if (!options.linkPath.empty())
        logLine("link: " + options.linkPath);

    VirtualModule module(options, pty);
    if (!options.fixturePath.empty())
        refitFromFile(options.fixturePath, module);
    else
        module.printState();
    logEvent(options.rate, "note", "module rate " + std::to_string(options.rate));

    std::uint8_t buffer[512];
    for (;;) {
        const auto now = Clock::now();
        Transmitter& tx = module.transmitter();
        const int due = tx.timeoutMs(now);
        pollfd fds[2] = {
            {pty.masterFd(), static_cast<short>(POLLIN | (tx.waitingForRoom() ? POLLOUT : 0)), 0},
            {signalFd, POLLIN, 0},
        };
        const int ready = poll(fds, 2, due < 0 ? kIdleWakeMs : std::min(due, kIdleWakeMs));
        if (ready < 0 && errno != EINTR) {
            std::perror("virtual-module: poll");
            return 1;
        }
        if ((fds[1].revents & POLLIN) && !handleSignals(signalFd, module, options))
            break;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(pty.masterFd(), buffer, sizeof buffer);
            if (n > 0) {
                module.onBytes(buffer, static_cast<std::size_t>(n));
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                std::perror("virtual-module: reading the line");
                return 1;
            }
        }
        if (!tx.service(Clock::now())) {
            std::perror("virtual-module: writing the line");
            return 1;
        }
    }
    logEvent(pty.speed().output, "note", "ending");
    return 0;
}
