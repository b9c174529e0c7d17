#include "Platform.h"

#include "QtSerialPortControl.h"

#include <QMessageBox>
#include <QThread>

namespace {
QMessageBox::Icon toQtIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

BoxAnswer showMessageBox(QWidget* parent, const BoxRequest& request) {
    const bool yesNo = request.buttons == BoxButtons::YesNo;
    QMessageBox box(toQtIcon(request.icon), request.title, request.text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    const int pressed = box.exec();
    if (!yesNo)
        return BoxAnswer::Ok;
    return pressed == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}
} // namespace

Platform productionPlatform(const PortNames& names) {
    Platform platform;
    platform.port = std::make_unique<QtSerialPortControl>(names);
    platform.portNames = names;
    // Blocks without handling events: nothing else runs during the pause
    // before a frame.
    platform.sleep = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    platform.messageBox = showMessageBox;
    return platform;
}
