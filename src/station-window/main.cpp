// parvex-station: the production station in a window of its own, for the
// operators of a line. With the options of parvex-cli station it starts at
// once; without, it asks for the setup first.
#include "StationBoard.h"
#include "StationForm.h"
#include "cli/Console.h"
#include "cli/station/StationRun.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {
enum ExitStatus { Stopped = 0, RecordFailed = 1, BadInput = 2 };

void complain(const QString& message) {
    std::fprintf(stderr, "parvex-station: %s\n", message.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, QStringLiteral("Parvex station"), message);
}

// The station the command line asks for, or the setup form's; null when
// there is none to run (bad input, or the form cancelled).
std::unique_ptr<StationRun> openStation(Request& request, int& status) {
    auto run = std::make_unique<StationRun>();
    const QStringList given = QCoreApplication::arguments().mid(1);
    if (given.isEmpty()) {
        StationForm form([&run](const Request& asked, QString& field, QString& reason) {
            run = std::make_unique<StationRun>();
            StationRun::Refusal refusal;
            const bool opened = run->open(asked, refusal);
            field = refusal.option;
            reason = refusal.reason;
            return opened;
        });
        if (form.exec() != QDialog::Accepted) {
            status = Stopped;
            return nullptr;
        }
        request = form.request();
        return run;
    }
    const ParsedRequest parsed = parseCommandLine(
        QStringList{QStringLiteral("parvex-station"), QStringLiteral("station")} + given);
    if (parsed.done) {
        status = Stopped;
        return nullptr;
    }
    StationRun::Refusal refusal;
    if (!parsed.error.isEmpty() || !run->open(parsed.request, refusal)) {
        complain(parsed.error.isEmpty() ? refusal.reason : parsed.error);
        status = BadInput;
        return nullptr;
    }
    request = parsed.request;
    return run;
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("parvex-station"));
    QApplication::setOrganizationName(QStringLiteral("Parvex"));
    QApplication::setApplicationVersion(QStringLiteral(PARVEX_VERSION));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("parvex-station")));

    Request request;
    int status = Stopped;
    const std::unique_ptr<StationRun> run = openStation(request, status);
    if (!run)
        return status;
    Station& station = run->station();
    StationBoard board(request.ports);
    board.follow(station, request.quota);
    QString error;
    if (!station.begin(error)) {
        complain(QStringLiteral("cannot write the record: %1").arg(error));
        return RecordFailed;
    }
    QObject::connect(&station, &Station::finished, &app, [&status, &board](int ending) {
        status = ending;
        board.stationEnded();
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
    // The session ending, a terminal's Ctrl+C or SIGTERM: stopped as the
    // button does, without asking.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &station, &Station::stop);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &station, &Station::stop);
    onInterruptCall(&app, [&station] { station.stop(); });
    board.resize(1100, 520);
    board.show();
    QTimer::singleShot(0, &station, &Station::start);
    QApplication::exec();
    interruptSettled();
    if (!station.failure().isEmpty()) {
        complain(QStringLiteral("cannot write the record: %1").arg(station.failure()));
        return RecordFailed;
    }
    return status;
}
