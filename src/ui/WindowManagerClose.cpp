#include "WindowManagerClose.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif QT_CONFIG(xcb)
#include <xcb/xcb.h>

namespace {
xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

struct CloseAtoms {
    xcb_atom_t protocols;
    xcb_atom_t deleteWindow;
};

const CloseAtoms& closeAtoms(xcb_connection_t* connection) {
    static const CloseAtoms atoms{atomNamed(connection, "WM_PROTOCOLS"),
                                  atomNamed(connection, "WM_DELETE_WINDOW")};
    return atoms;
}
} // namespace
#endif

WindowManagerClose::WindowManagerClose(QWidget* window) : window(window) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool WindowManagerClose::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!QApplication::activeModalWidget() || !isCloseRequest(eventType, message))
        return false;
    // Outside the toolkit's own handling of the window system's events.
    QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    return true;
}

bool WindowManagerClose::isCloseRequest(const QByteArray& eventType, void* message) const {
    const WId id = window->internalWinId();
    if (!id)
        return false;
#if defined(Q_OS_WIN)
    if (eventType != "windows_generic_MSG")
        return false;
    const auto* msg = static_cast<const MSG*>(message);
    return msg->message == WM_CLOSE && msg->hwnd == reinterpret_cast<HWND>(id);
#elif QT_CONFIG(xcb)
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || client->format != 32 || client->window != id)
        return false;
    const CloseAtoms& atoms = closeAtoms(x11->connection());
    return client->type == atoms.protocols && client->data.data32[0] == atoms.deleteWindow;
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
#endif
}
