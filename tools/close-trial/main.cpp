// One try of closing the window from the window manager in the middle of a
// Set, on a real X server, as an operator would: the window is started on
// the virtual module, connected and read with the keyboard, four settings
// changed (or, with --defaults, a worn module and Default(D) pressed: a
// burst of nine frames)
// and Set(S) pressed, and some time after Set (1.3 s unless --close-after
// says otherwise) the window manager's close (WM_DELETE_WINDOW) is sent.
// The program must end no later than 0.5 s after the burst: after its last
// frame reached the module, or after the time the whole burst takes when
// the program dropped the rest of it. Prints one line and exits 0 when the
// program ended in time.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <csignal>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {
constexpr qint64 closeAfterSetMs = 1300;
// Each frame of a Set goes out after its 500 ms pause.
constexpr qint64 framePauseMs = 500;
constexpr qint64 changedSettingsFrames = 4;
// The factory values differ from a worn module's in nine settings.
constexpr qint64 factoryValuesFrames = 9;
constexpr qint64 allowedAfterBurstMs = 500;
constexpr qint64 givenUpAfterMs = 15000;

class Display11 {
public:
    Display11() : display(XOpenDisplay(nullptr)) {}
    ~Display11() {
        if (display)
            XCloseDisplay(display);
    }
    bool ok() const { return display != nullptr; }

    Window windowNamed(const QByteArray& name) const {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* title = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display, children[i], &title) && title && name == title &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(title);
        }
        XFree(children);
        return found;
    }

    void focus(Window window) {
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
    }

    void press(KeySym key, KeySym modifier = NoSymbol) {
        if (modifier != NoSymbol)
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, modifier), True, 0);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, 0);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), False, 0);
        if (modifier != NoSymbol)
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, modifier), False, 0);
        XSync(display, False);
    }

    // What a window manager sends when the title bar's close is pressed.
    void askToClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
    }

private:
    Display* display;
};

// The window's program, with the module's frames as it prints them.
class Program {
public:
    Program(const QString& path, bool echo, bool wornModule) {
        process.setProgram(path);
        QStringList arguments{QStringLiteral("--module-verbose")};
        if (wornModule)
            arguments << QStringLiteral("--module-arg=--worn");
        process.setArguments(arguments);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A group of its own, so that a program that must be killed takes
        // its virtual module with it.
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this, echo] {
            while (process.canReadLine()) {
                const QByteArray line = process.readLine();
                lastLineAtMs = clock.elapsed();
                if (echo)
                    std::fprintf(stderr, "%8lld %s", static_cast<long long>(lastLineAtMs),
                                 line.constData());
                if (line.contains("  rx  "))
                    lastReceivedAtMs = clock.elapsed();
                if (line.contains("  tx  "))
                    ++answers;
            }
        });
        clock.start();
        process.start();
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished();
        }
    }

    // Serves the program's output until `done` or the time is up.
    bool waitFor(const std::function<bool()>& done, qint64 timeoutMs) {
        const qint64 until = clock.elapsed() + timeoutMs;
        while (!done()) {
            if (clock.elapsed() > until)
                return false;
            process.waitForReadyRead(20);
            QCoreApplication::processEvents();
        }
        return true;
    }
    bool running() const { return process.state() == QProcess::Running; }
    // The module quiet for this long: the window is idle.
    bool quietFor(qint64 ms) const {
        return lastLineAtMs > 0 && clock.elapsed() - lastLineAtMs > ms;
    }

    QProcess process;
    QElapsedTimer clock;
    qint64 lastLineAtMs = 0;
    qint64 lastReceivedAtMs = 0;
    int answers = 0;
};

int fail(const char* what) {
    std::printf("FAILED: %s\n", what);
    return 1;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Closes the window in the middle of a Set."));
    options.addHelpOption();
    options.addOption({QStringLiteral("echo"), QStringLiteral("Print the module's frames.")});
    options.addOption({QStringLiteral("defaults"),
                       QStringLiteral("Set the factory values (Default(D)): the long burst.")});
    const QCommandLineOption closeAfter(QStringLiteral("close-after"),
                                        QStringLiteral("Close this long after Set (ms)."),
                                        QStringLiteral("ms"), QString::number(closeAfterSetMs));
    options.addOption(closeAfter);
    options.addPositionalArgument(QStringLiteral("demo"),
                                  QStringLiteral("The parvex-demo program."));
    options.process(app);
    bool closeAfterOk = false;
    const qint64 closeAfterMs = options.value(closeAfter).toLongLong(&closeAfterOk);
    if (options.positionalArguments().size() != 1 || !closeAfterOk || closeAfterMs < 0)
        options.showHelp(2);
    const bool factoryValues = options.isSet(QStringLiteral("defaults"));
    const qint64 burstMs =
        (factoryValues ? factoryValuesFrames : changedSettingsFrames) * framePauseMs;

    Display11 x;
    if (!x.ok())
        return fail("no X display");
    Program program(options.positionalArguments().first(), options.isSet(QStringLiteral("echo")),
                    factoryValues);
    Window window = 0;
    if (!program.waitFor([&] { return (window = x.windowNamed("Parvex2.0")) != 0; }, 10000))
        return fail("the window did not show");
    x.focus(window);
    // The port row, the flow control, the detection box, then Connect.
    for (int tab = 0; tab < 3; ++tab)
        x.press(XK_Tab);
    x.press(XK_space);
    // Detection's answer and the twelve of the read.
    constexpr int answersOfARead = 13;
    if (!program.waitFor(
            [&] { return program.answers >= answersOfARead && program.quietFor(1000); }, 30000))
        return fail("the read did not end");

    if (factoryValues) {
        // The module is worn: Default(D) changes nine settings. An access
        // key clicks its button a moment later.
        constexpr qint64 accessKeyClickMs = 400;
        x.press(XK_d, XK_Alt_L);
        const qint64 defaultAtMs = program.clock.elapsed();
        program.waitFor([&] { return program.clock.elapsed() - defaultAtMs >= accessKeyClickMs; },
                        accessKeyClickMs + 100);
        x.press(XK_s, XK_Alt_L);
    } else {
        // From Connect along the tab order: Encryption, Password, Master and
        // Bind changed, then on past the baud rate and Advanced and Inquiry
        // to Set: four frames, two seconds of a burst.
        x.press(XK_Tab);
        x.press(XK_space);
        x.press(XK_Tab);
        x.press(XK_a, XK_Control_L);
        for (KeySym digit : {XK_4, XK_3, XK_2, XK_1})
            x.press(digit);
        for (int toggled = 0; toggled < 2; ++toggled) {
            x.press(XK_Tab);
            x.press(XK_space);
        }
        for (int tab = 0; tab < 4; ++tab)
            x.press(XK_Tab);
        x.press(XK_space);
    }
    const qint64 setAtMs = program.clock.elapsed();
    program.waitFor([&] { return program.clock.elapsed() - setAtMs >= closeAfterMs; },
                    closeAfterMs + 100);
    const qint64 closedAtMs = program.clock.elapsed();
    x.askToClose(window);
    const bool ended = program.waitFor([&] { return !program.running(); }, givenUpAfterMs);
    const qint64 endedAtMs = program.clock.elapsed();
    // The burst ends with its last frame, or when it would have ended had
    // the program not dropped the rest of it.
    const qint64 burstEndMs = std::max(program.lastReceivedAtMs, setAtMs + burstMs);
    const qint64 burstLeftMs = std::max<qint64>(0, burstEndMs - closedAtMs);
    if (!ended)
        return fail("the close was lost: the program still runs 15 s after it");
    const qint64 tookMs = endedAtMs - closedAtMs;
    std::printf("%s: ended %lld ms after the close, %lld ms after the burst\n",
                tookMs <= burstLeftMs + allowedAfterBurstMs ? "ok" : "LATE",
                static_cast<long long>(tookMs), static_cast<long long>(tookMs - burstLeftMs));
    return tookMs <= burstLeftMs + allowedAfterBurstMs ? 0 : 1;
}
