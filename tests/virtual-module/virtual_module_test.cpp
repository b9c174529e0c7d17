// End-to-end checks of the virtual module: the built binary is started and driven through its
// pseudo-terminal with the same termios calls a serial-port program makes.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#ifndef VIRTUAL_MODULE_PATH
#error "VIRTUAL_MODULE_PATH must name the virtual-module binary"
#endif

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

int passed = 0;
int failed = 0;

std::string hex(const Bytes& bytes) {
    std::string text;
    char buffer[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        text += buffer;
    }
    return text.empty() ? "(nothing)" : text;
}

void check(bool ok, const std::string& what, int line) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("FAIL (line %d): %s\n", line, what.c_str());
}
#define CHECK(cond, what) check((cond), (what), __LINE__)

void expectBody(const std::optional<Bytes>& got, const Bytes& want, const std::string& what,
                int line) {
    check(got && *got == want,
          what + ": want " + hex(want) + "got " + (got ? hex(*got) : "no answer"), line);
}
#define EXPECT_BODY(got, want, what) expectBody((got), (want), (what), __LINE__)

int msSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The module as a child process whose stdout the test reads.
class ModuleProcess {
public:
    explicit ModuleProcess(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv{const_cast<char*>(VIRTUAL_MODULE_PATH)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(VIRTUAL_MODULE_PATH, argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
        fcntl(out_, F_SETFL, O_NONBLOCK);
        if (waitFor("device: ", 3000) && waitFor("\n", 1000))
            device_ = output_.substr(output_.find("device: ") + 8,
                                     output_.find('\n') - output_.find("device: ") - 8);
    }

    ~ModuleProcess() {
        if (pid_ > 0)
            stop();
        if (out_ >= 0)
            close(out_);
    }

    const std::string& device() const { return device_; }
    pid_t pid() const { return pid_; }

    // Waits until needle appears in the output after everything matched so far.
    bool waitFor(const std::string& needle, int timeoutMs) {
        const auto start = Clock::now();
        for (;;) {
            const std::size_t at = output_.find(needle, cursor_);
            if (at != std::string::npos) {
                cursor_ = at + needle.size();
                return true;
            }
            const int left = timeoutMs - msSince(start);
            if (left <= 0)
                return false;
            pollfd fd{out_, POLLIN, 0};
            if (poll(&fd, 1, left) > 0) {
                char buffer[4096];
                const ssize_t n = read(out_, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                output_.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }

    void signal(int sig) const { kill(pid_, sig); }

    // Ends the module with SIGTERM; returns its exit status, or -1 if it did not exit normally.
    int stop() {
        kill(pid_, SIGTERM);
        int status = 0;
        const pid_t done = waitpid(pid_, &status, 0);
        pid_ = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // User plus system CPU time in clock ticks, from /proc.
    long cpuTicks() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        long utime = 0;
        long stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                utime = std::stol(field);
            if (i == 15)
                stime = std::stol(field);
        }
        return utime + stime;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string output_;
    std::size_t cursor_ = 0;
    std::string device_;
};

// The product's side of the line: raw mode, a chosen rate, whole frames out, answer bodies in.
class Port {
public:
    Port(const std::string& device, speed_t speed) {
        fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0)
            setSpeed(speed);
    }
    ~Port() { closePort(); }

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void setSpeed(speed_t speed) {
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
        tcsetattr(fd_, TCSANOW, &settings);
    }

    void closePort() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

    void send(const Bytes& body) {
        Bytes frame{0x55, 0xAA, static_cast<std::uint8_t>(body.size())};
        frame.insert(frame.end(), body.begin(), body.end());
        if (write(fd_, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            std::printf("short write to the line\n");
    }

    // The next answer body, or nothing within the timeout. Bytes outside frames are counted.
    std::optional<Bytes> receive(int timeoutMs = 1000) {
        const auto start = Clock::now();
        for (;;) {
            if (std::optional<Bytes> body = takeFrame())
                return body;
            const int left = timeoutMs - msSince(start);
            if (left <= 0)
                return std::nullopt;
            pollfd fd{fd_, POLLIN, 0};
            if (poll(&fd, 1, left) > 0) {
                std::uint8_t buffer[256];
                const ssize_t n = read(fd_, buffer, sizeof buffer);
                if (n > 0)
                    pending_.insert(pending_.end(), buffer, buffer + n);
            }
        }
    }

    std::optional<Bytes> ask(const Bytes& body, int timeoutMs = 1000) {
        send(body);
        return receive(timeoutMs);
    }

    std::size_t skippedBytes() const { return skipped_; }

private:
    std::optional<Bytes> takeFrame() {
        while (!pending_.empty() && pending_[0] != 0x55) {
            pending_.erase(pending_.begin());
            ++skipped_;
        }
        if (pending_.size() < 3 || pending_.size() < 3u + pending_[2])
            return std::nullopt;
        Bytes body(pending_.begin() + 3, pending_.begin() + 3 + pending_[2]);
        pending_.erase(pending_.begin(), pending_.begin() + 3 + pending_[2]);
        return body;
    }

    int fd_ = -1;
    Bytes pending_;
    std::size_t skipped_ = 0;
};

Bytes query(std::uint8_t type) {
    return {0x50, type};
}
Bytes queryAnswer(std::uint8_t type, const Bytes& data) {
    return concat({0x60, 0x00, 0x50, type}, data);
}

constexpr int kSilenceMs = 600;

void testQueriesAndSets() {
    ModuleProcess module({});
    Port port(module.device(), B9600);
    CHECK(port.isOpen(), "the printed device opens: '" + module.device() + "'");

    const struct {
        std::uint8_t type;
        Bytes data;
    } factory[] = {
        {0, {2, 10}},
        {1, {0x00, 0x27}},
        {2, {1}},
        {3, text("5807")},
        {4, {0, 0, 0, 0, 0, 0, 0, 0}},
        {5, {0, 0, 0, 0}},
        {6, text("KAVRO5190")},
        {7, {0, 0, 0}},
        {8, {0}},
        {9, {1}},
        {13, {0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00}},
        {14, {1}},
    };
    for (const auto& row : factory)
        EXPECT_BODY(port.ask(query(row.type)), queryAnswer(row.type, row.data),
                    "factory query " + std::to_string(row.type));
    EXPECT_BODY(port.ask(query(11)), Bytes({0x60, 0x01, 0x50, 0x0B}), "query of an unused type");

    // Every settable parameter round-trips through its query in the same layout.
    const struct {
        std::uint8_t type;
        Bytes data;
    } sets[] = {
        {2, {0}},
        {3, text("12 34")},
        {4, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}},
        {5, {0x08, 0x00, 0x01, 0x00}},
        {6, text("BENCH-7")},
        {7, {0x5A, 0x02, 0x0C}},
        {8, {1}},
        {13, {0x08, 0x00, 0x00, 0x12, 0x08, 0x00, 0x00, 0x12}},
        {14, {0}},
    };
    for (const auto& row : sets) {
        const std::string name = "set type " + std::to_string(row.type);
        EXPECT_BODY(port.ask(concat({row.type}, row.data)), Bytes({0x60, 0x00, row.type}), name);
        EXPECT_BODY(port.ask(query(row.type)), queryAnswer(row.type, row.data),
                    name + " then query");
    }
    CHECK(module.waitFor("state: name=BENCH-7 pwd=12 34 auth=0 baud=39 "
                         "sniff=0102,0304,0506,0708 park=0800,0100 master=1 cod=5A020C bind=0 "
                         "scan=0800,0012,0800,0012 maxconn=1",
                         1000),
          "state line after the last set");

    EXPECT_BODY(port.ask({0x06}), Bytes({0x60, 0x00, 0x06}), "set an empty name");
    EXPECT_BODY(port.ask(query(6)), queryAnswer(6, {}), "query the empty name");
    EXPECT_BODY(port.ask({0x0A, 0x00}), Bytes({0x60, 0x00, 0x0A}), "clear the bound address");

    // Refused without being applied: wrong lengths, values out of range, read-only and unknown.
    const struct {
        Bytes body;
        std::uint8_t type;
    } refused[] = {
        {{0x04, 1, 2, 3, 4, 5, 6, 7}, 4},
        {{0x05, 1, 2, 3, 4, 5}, 5},
        {{0x07, 1, 2}, 7},
        {{0x02}, 2},
        {{0x08, 2}, 8},
        {{0x01, 0x00, 0x28}, 1},
        {{0x01, 0x27}, 1},
        {{0x03}, 3},
        {{0x09, 4}, 9},
        {{0x0D, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 13},
        {{0x0B, 0x00}, 11},
    };
    for (const auto& row : refused)
        EXPECT_BODY(port.ask(row.body), Bytes({0x60, 0x01, row.type}), "refused " + hex(row.body));
    EXPECT_BODY(port.ask(query(4)), queryAnswer(4, {1, 2, 3, 4, 5, 6, 7, 8}),
                "sniff unchanged by the short set");
    EXPECT_BODY(port.ask(query(1)), queryAnswer(1, {0x00, 0x27}), "baud code unchanged");
    EXPECT_BODY(port.ask(query(9)), queryAnswer(9, {1}), "maximum connections unchanged");

    // A frame split over several writes, after noise, is still one command.
    const Bytes pieces[] = {{0x00, 0x13, 0x55}, {0xAA}, {0x02, 0x50}, {0x00}};
    for (const Bytes& piece : pieces) {
        write(port.fd(), piece.data(), piece.size());
        usleep(20000);
    }
    EXPECT_BODY(port.receive(), queryAnswer(0, {2, 10}), "frame split over four writes");
}

void testLineRate() {
    ModuleProcess module({});
    Port port(module.device(), B4800);
    CHECK(!port.ask(query(0), kSilenceMs), "no answer at 4800 while the module runs at 9600");
    CHECK(module.waitFor("4800  rx  55 AA 02 50 00  (ignored", 1000), "ignored frame logged");
    port.send({0x06, 'X'});
    CHECK(!port.receive(kSilenceMs), "no answer to a set at the wrong rate");
    port.setSpeed(B9600);
    EXPECT_BODY(port.ask(query(6)), queryAnswer(6, text("KAVRO5190")),
                "a set at the wrong rate is not applied");

    // A new rate is reported at once but the line keeps the old one until a reset.
    EXPECT_BODY(port.ask({0x01, 0x00, 0x14}), Bytes({0x60, 0x00, 0x01}), "set 4800, at 9600");
    EXPECT_BODY(port.ask(query(1)), queryAnswer(1, {0x00, 0x14}), "new code reported at 9600");
    module.signal(SIGHUP);
    CHECK(module.waitFor("reset: module rate 9600 -> 4800", 1000), "reset logged");
    CHECK(!port.ask(query(0), kSilenceMs), "no answer at 9600 after the reset");
    port.setSpeed(B4800);
    EXPECT_BODY(port.ask(query(0)), queryAnswer(0, {2, 10}), "answer at 4800 after the reset");
}

void testSwitchAtOnce() {
    ModuleProcess module({"--switch-at-once", "--name", "Lab unit", "--firmware", "3.7"});
    Port port(module.device(), B9600);
    EXPECT_BODY(port.ask(query(6)), queryAnswer(6, text("Lab unit")), "--name");
    EXPECT_BODY(port.ask(query(0)), queryAnswer(0, {3, 7}), "--firmware");
    EXPECT_BODY(port.ask({0x01, 0x00, 0x4F}), Bytes({0x60, 0x00, 0x01}),
                "set 19200 answered at 9600");
    CHECK(!port.ask(query(1), kSilenceMs), "no answer at 9600 after the switch");
    port.setSpeed(B19200);
    EXPECT_BODY(port.ask(query(1)), queryAnswer(1, {0x00, 0x4F}), "answer at 19200");
    EXPECT_BODY(port.ask({0x01, 0x00, 0x00}), Bytes({0x60, 0x00, 0x01}), "code 0: no change");
    EXPECT_BODY(port.ask(query(1)), queryAnswer(1, {0x00, 0x4F}), "still 19200 after code 0");
}

void testRefuseAndMisbehaviour() {
    {
        ModuleProcess module({"--refuse", "2,3", "--forget-set", "6"});
        Port port(module.device(), B9600);
        EXPECT_BODY(port.ask(query(3)), Bytes({0x60, 0x01, 0x50, 0x03}), "refused query");
        EXPECT_BODY(port.ask(concat({0x03}, text("1234"))), Bytes({0x60, 0x01, 0x03}),
                    "refused set");
        EXPECT_BODY(port.ask({0x02, 0x00}), Bytes({0x60, 0x01, 0x02}), "second refused type");
        EXPECT_BODY(port.ask(query(8)), queryAnswer(8, {0}), "other types still answered");
        EXPECT_BODY(port.ask(concat({0x06}, text("NEW"))), Bytes({0x60, 0x00, 0x06}),
                    "forgotten set acknowledged");
        module.signal(SIGUSR1);
        CHECK(module.waitFor("state: name=KAVRO5190 pwd=5807 auth=1 ", 1000),
              "refused and forgotten sets were not applied");
    }
    {
        ModuleProcess module({"--silent", "1", "--silent-first", "1", "--answer-twice", "--noise",
                              "--byte-delay", "3", "--latency", "150"});
        Port port(module.device(), B9600);
        CHECK(!port.ask(query(0), kSilenceMs), "first frame ignored");
        const auto start = Clock::now();
        EXPECT_BODY(port.ask(query(0)), queryAnswer(0, {2, 10}), "answered after the first");
        const int elapsed = msSince(start);
        CHECK(elapsed >= 150 + 8 * 3, "latency and byte delay: " + std::to_string(elapsed));
        EXPECT_BODY(port.receive(), queryAnswer(0, {2, 10}), "the same answer once more");
        port.receive(200);
        CHECK(port.skippedBytes() > 0, "noise between answers");
        CHECK(!port.ask(query(1), kSilenceMs), "silent type never answered");
    }
    {
        ModuleProcess module({"--stray-body", "61 00 01", "--refuse", "2"});
        Port port(module.device(), B9600);
        // After an answer and after a refusal alike.
        const struct {
            Bytes command;
            Bytes answer;
        } rows[] = {{query(8), queryAnswer(8, {0})}, {{0x02, 0x00}, {0x60, 0x01, 0x02}}};
        for (const auto& row : rows) {
            EXPECT_BODY(port.ask(row.command), row.answer, "answer before the stray body");
            EXPECT_BODY(port.receive(), Bytes({0x61, 0x00, 0x01}), "stray body after the answer");
            CHECK(!port.receive(kSilenceMs), "one stray body per answer");
        }
    }
}

void testClosedPortAndLink() {
    const std::string link = "/tmp/virtual-module-test-" + std::to_string(getpid());
    ModuleProcess module({"--link", link});
    char target[256] = {};
    CHECK(readlink(link.c_str(), target, sizeof target - 1) > 0 && module.device() == target,
          "link points at the device");
    {
        Port port(link, B9600);
        EXPECT_BODY(port.ask(query(0)), queryAnswer(0, {2, 10}), "answer through the link");
        port.setSpeed(B19200);
    }

    // Nobody has the port open: the module must sleep, not poll the line at full speed.
    const long before = module.cpuTicks();
    usleep(2000 * 1000);
    const long used = module.cpuTicks() - before;
    CHECK(used <= 1, "CPU ticks while the port is closed: " + std::to_string(used));

    // The line keeps its settings across close and reopen, and the module still answers.
    for (int round = 0; round < 3; ++round) {
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        termios settings{};
        tcgetattr(fd, &settings);
        CHECK(cfgetospeed(&settings) == B19200 && !(settings.c_lflag & ECHO),
              "settings kept across close and reopen");
        close(fd);
    }
    Port port(link, B9600);
    EXPECT_BODY(port.ask(query(9)), queryAnswer(9, {1}), "answer after reopening");

    CHECK(module.stop() == 0, "exits cleanly on SIGTERM");
    struct stat info {};
    CHECK(lstat(link.c_str(), &info) != 0, "link removed on exit");
}

} // namespace

int main() {
    testQueriesAndSets();
    testLineRate();
    testSwitchAtOnce();
    testRefuseAndMisbehaviour();
    testClosedPortAndLink();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
