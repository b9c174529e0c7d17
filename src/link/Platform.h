#pragma once

#include "PortNames.h"
#include "SerialPortControl.h"

#include <QString>
#include <functional>
#include <memory>

class QWidget;

enum class BoxIcon { Critical, Exclamation, Information, Question };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

struct BoxRequest {
    QString text;
    QString title;
    BoxIcon icon = BoxIcon::Critical;
    BoxButtons buttons = BoxButtons::Ok;
};

// Everything the window needs from outside: the serial-port control, the
// device each port row stands for, a blocking sleep and modal message boxes.
struct Platform {
    std::unique_ptr<SerialPortControl> port;
    PortNames portNames;
    std::function<void(int ms)> sleep;
    std::function<BoxAnswer(QWidget* parent, const BoxRequest& box)> messageBox;
};

// The real serial port on the given devices, a pause that keeps the window
// painted, and QMessageBox.
Platform productionPlatform(const PortNames& names);

// Lets the toolkit paint and answer the window system (expose, resize, the
// window manager's ping) and run posted events; operator input, timers and
// the port's notifiers wait in their queues.
void serveWindowSystem();
// Blocks for at least ms, serving the window system in slices of at most
// 5 ms.
void pauseServingWindowSystem(int ms);
