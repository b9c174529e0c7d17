#include "Tour.h"

#include "VirtualModuleProcess.h"
#include "ui/frmParvex.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {
const QString newName = QStringLiteral("BENCH-07");
const QString newPassword = QStringLiteral("2468");
const QString queryComplete = QStringLiteral("Query complete！");
} // namespace

Tour::Tour(frmParvex& window, VirtualModuleProcess& module, QString screenshotPath)
    : window(window), module(module), screenshotPath(std::move(screenshotPath)) {
    clock.start();
    QObject::connect(&window, &frmParvex::statusShown, &window,
                     [this](const QString& msg) { print(QStringLiteral("status: ") + msg); });
}

void Tour::print(const QString& line) const {
    std::printf("%8lld ms  %s\n", static_cast<long long>(clock.elapsed()), qPrintable(line));
    std::fflush(stdout);
}

void Tour::reportBox(const QString& title, const QString& text) {
    ++boxes;
    print(QStringLiteral("message box [%1]: %2").arg(title, text));
}

bool Tour::step(const QString& what, bool done) {
    print(
        QStringLiteral("%1: %2").arg(done ? QStringLiteral("ok") : QStringLiteral("FAILED"), what));
    return done;
}

bool Tour::waitFor(const QString& what, const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || waited.elapsed() > timeoutMs || boxes > 0)
            loop.quit();
    });
    poll.start();
    if (!condition())
        loop.exec();
    return step(what, condition() && boxes == 0);
}

bool Tour::waitForStatus(const QString& text, int timeoutMs) {
    return waitFor(
        QStringLiteral("status \"%1\"").arg(text),
        [&] { return window.Status->text() == QStringLiteral("    ") + text; }, timeoutMs);
}

bool Tour::run() {
    window.show();
    print(QStringLiteral("virtual module on %1; COM1 is %2")
              .arg(module.device(), window.portNames().value(1)));

    print(QStringLiteral("connect with baud-rate detection"));
    window.CmdConn->click();
    if (!waitForStatus(queryComplete, 60000) ||
        !step(QStringLiteral("detected 9600"), window.ConnBaudRate->currentText() == "9600") ||
        !step(QStringLiteral("read the factory name"), window.txtBDName->text() == "KAVRO5190"))
        return false;

    print(QStringLiteral("change the device name to %1 and the password to %2, then Set")
              .arg(newName, newPassword));
    window.txtBDName->setText(newName);
    window.txtPwd->setText(newPassword);
    window.CmdSet->click();
    if (!waitForStatus(QStringLiteral("Set device name succeed"), 10000))
        return false;

    print(QStringLiteral("Inquiry again"));
    window.CmdQuery->click();
    if (!waitForStatus(queryComplete, 30000) ||
        !step(QStringLiteral("window reads back the new name"),
              window.txtBDName->text() == newName) ||
        !step(QStringLiteral("window reads back the new password"),
              window.txtPwd->text() == newPassword) ||
        !waitFor(
            QStringLiteral("module holds the new values"),
            [&] {
                const QString state = module.lastState();
                return state.contains(QStringLiteral("name=") + newName + QLatin1Char(' ')) &&
                       state.contains(QStringLiteral("pwd=") + newPassword + QLatin1Char(' '));
            },
            2000))
        return false;

    if (!window.Frame1->isVisible())
        window.cmdAdvanced_Click();
    QCoreApplication::processEvents();
    const bool saved = window.grab().save(screenshotPath);
    return step(QStringLiteral("screenshot saved to ") + screenshotPath, saved);
}
