// A close from the window manager (WM_DELETE_WINDOW, as the title bar's
// close button and Alt+F4 send it) ends the program whatever the window is
// doing: in the pauses of a Set, a read, a detection step or a resend, and
// under a message box. The window runs on a real X server with the real
// pause, and the close travels through the server like any window
// manager's; the program ends, its port closed, and writes nothing more.
#include "WindowHelpers.h"
#include "link/Platform.h"

#include <QApplication>
#include <QtTest>
#include <xcb/xcb.h>

namespace {
constexpr int shortPauseMs = 20;
// Long enough for the close to travel through the X server and be read
// inside the pause.
constexpr int pauseAroundTheCloseMs = 300;
constexpr int lostAfterMs = 3000;
constexpr int lostExitCode = 7;

// Asks the window to close from a connection of its own, as a window
// manager does.
void sendWindowManagerClose(WId window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(connection));
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    // Both atoms asked for at once, then both answers taken.
    const char* const names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW"};
    xcb_intern_atom_cookie_t asked[2];
    for (int i = 0; i < 2; ++i)
        asked[i] = xcb_intern_atom(connection, 0, uint16_t(strlen(names[i])), names[i]);
    xcb_atom_t atoms[2];
    for (int i = 0; i < 2; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, asked[i], nullptr);
        QVERIFY(reply);
        atoms[i] = reply->atom;
        free(reply);
    }
    message.type = atoms[0];
    message.data.data32[0] = atoms[1];
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    // A round trip: the server has sent the message on before this leaves.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

// Where the close arrives: inside the given pause (1 for the first) of what
// `act` starts, or under the box `act` opens when pause is 0.
struct CloseCase {
    std::function<void(WindowUnderTest&)> prepare;
    std::function<void(WindowUnderTest&)> act;
    int pause;
};

// Counts the frames written when the window took the close.
class CloseWatch : public QObject {
public:
    explicit CloseWatch(WindowUnderTest& w) : w(w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close)
            writtenWhenClosed = w.port->written.size();
        return false;
    }
    WindowUnderTest& w;
    qsizetype writtenWhenClosed = -1;
};
} // namespace

Q_DECLARE_METATYPE(CloseCase)

class WindowCloseTest : public QObject {
    Q_OBJECT
private slots:
    void windowManagersCloseEndsTheProgram_data() {
        QTest::addColumn<CloseCase>("closing");
        const auto nothing = [](WindowUnderTest&) {};
        QTest::newRow("in a pause of a Set")
            << CloseCase{[](WindowUnderTest& w) {
                             readKnownModule(w);
                             w->CmdSetDefault_Click();
                         },
                         [](WindowUnderTest& w) { w->CmdSet_Click(); }, 2};
        QTest::newRow("in a pause of a read") << CloseCase{readKnownModule,
                                                           [](WindowUnderTest& w) {
                                                               w->CmdQuery_Click();
                                                               w.answer(queryAnswer(0, {2, 10}));
                                                           },
                                                           2};
        QTest::newRow("in a pause of a detection step")
            << CloseCase{nothing, [](WindowUnderTest& w) { w->CmdConn_Click(); }, 1};
        QTest::newRow("in the pause of a resend")
            << CloseCase{[](WindowUnderTest& w) {
                             readKnownModule(w);
                             startRetryClockByClearing(w);
                         },
                         [](WindowUnderTest& w) { w->RetryTimer_Timer(); }, 1};
        // The pause itself, with nothing of the window's after it to stir
        // the event loop.
        QTest::newRow("in a pause, nothing after it")
            << CloseCase{nothing, [](WindowUnderTest& w) { w.duringPause(); }, 1};
        // A turn of the event loop that keeps input back, after the pause's
        // last one: it takes the wake-up the pause left for the kept-back
        // close, and nothing else of the window stirs the loop afterwards.
        QTest::newRow("in a pause, its wake-up taken after it")
            << CloseCase{nothing,
                         [](WindowUnderTest& w) {
                             w.duringPause();
                             QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                                             QEventLoop::ExcludeSocketNotifiers |
                                                             QEventLoop::X11ExcludeTimers);
                         },
                         1};
        QTest::newRow("under a box") << CloseCase{[](WindowUnderTest& w) {
                                                      readKnownModule(w);
                                                      w->txtClassOfDevice->setText("12345G");
                                                  },
                                                  [](WindowUnderTest& w) { w->CmdSet_Click(); }, 0};
    }

    void windowManagersCloseEndsTheProgram() {
        QFETCH(CloseCase, closing);
        WindowUnderTest w;
        closing.prepare(w);
        w.port->written.clear();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));

        int pauses = 0;
        bool closeSent = false;
        w.duringPause = [&] {
            const bool closeNow = ++pauses == closing.pause;
            if (closeNow) {
                sendWindowManagerClose(w->winId());
                closeSent = true;
            }
            pauseServingWindowSystem(closeNow ? pauseAroundTheCloseMs : shortPauseMs);
        };
        // Every box is a real one, over the window, and the close comes
        // while it is open.
        if (closing.pause == 0)
            w.boxes.whileOpen = [&](const BoxRequest& box) {
                QTimer::singleShot(100, [&] {
                    sendWindowManagerClose(w->winId());
                    closeSent = true;
                });
                productionPlatform({}).messageBox(w.window.get(), box);
            };
        CloseWatch watch(w);
        QTimer::singleShot(0, [&] { closing.act(w); });
        QTimer::singleShot(lostAfterMs, [] { QCoreApplication::exit(lostExitCode); });

        const int exitCode = QCoreApplication::exec();
        QVERIFY2(closeSent, qPrintable(QStringLiteral("%1 pauses, %2 boxes, %3 frames")
                                           .arg(pauses)
                                           .arg(w.boxes.shown.size())
                                           .arg(w.port->written.size())));
        QCOMPARE(exitCode, 0);
        QVERIFY(!w->isVisible());
        QVERIFY(!w.port->PortOpen());
        QCOMPARE(w.port->written.size(), watch.writtenWhenClosed);
    }
};

QTEST_MAIN(WindowCloseTest)
#include "window_close_test.moc"
