#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>

class QWidget;

// The window manager's request to close the window (its title bar's close
// button, Alt+F4) while a message box is open over it. The toolkit drops a
// close that comes to a window a modal box blocks; the operator asked for
// the program to end, so the request is taken here and given to the window
// as its own close, which ends the program as any close does.
class WindowManagerClose : public QAbstractNativeEventFilter {
public:
    explicit WindowManagerClose(QWidget* window);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool isCloseRequest(const QByteArray& eventType, void* message) const;

    QWidget* window;
};
