#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

class frmParvex;
class VirtualModuleProcess;

// The scripted tour: connect with detection, read, change the device name
// and the password, write them, read again and check that the module holds
// them. Prints every status text with its time.
class Tour {
public:
    Tour(frmParvex& window, VirtualModuleProcess& module, QString screenshotPath);

    // True when every step happened.
    bool run();

    // Message boxes are not expected on the tour; each one is reported.
    void reportBox(const QString& title, const QString& text);

private:
    bool step(const QString& what, bool done);
    bool waitFor(const QString& what, const std::function<bool()>& condition, int timeoutMs);
    bool waitForStatus(const QString& text, int timeoutMs);
    void print(const QString& line) const;

    frmParvex& window;
    VirtualModuleProcess& module;
    QString screenshotPath;
    QElapsedTimer clock;
    int boxes = 0;
};
