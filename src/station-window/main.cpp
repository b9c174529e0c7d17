// parvex-station: the production station in a window of its own, for the
// operators of a line. With the options of parvex-cli station it starts at
// once; without, it asks for the setup first.
#include "StationWindow.h"
#include "cli/Console.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("parvex-station"));
    QApplication::setOrganizationName(QStringLiteral("Parvex"));
    QApplication::setApplicationVersion(QStringLiteral(PARVEX_VERSION));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("parvex-station")));

    StationWindow window;
    if (!window.start(QCoreApplication::arguments().mid(1)))
        return window.status();
    QObject::connect(&window, &StationWindow::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Ctrl+C in the terminal it was started from, SIGTERM, a closed terminal:
    // stopped as the button does, without asking.
    onInterruptCall(&app, [&window] { window.station()->stop(); });
    QApplication::exec();
    interruptSettled();
    return window.status();
}
