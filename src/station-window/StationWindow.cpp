#include "StationWindow.h"

#include "StationForm.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

bool StationWindow::start(const QStringList& options) {
    if (!(options.isEmpty() ? openFromTheForm() : openFromOptions(options)))
        return false;
    Station& station = run->station();
    shown = std::make_unique<StationBoard>(request.ports);
    shown->follow(station, request.quota);
    QString error;
    if (!station.begin(error)) {
        complain(QStringLiteral("cannot write the record: %1").arg(error));
        ending = RecordFailed;
        return false;
    }
    connect(&station, &Station::finished, this, [this](int stationEnding) {
        ending = stationEnding;
        if (!run->station().failure().isEmpty())
            complain(QStringLiteral("cannot write the record: %1").arg(run->station().failure()));
        shown->stationEnded();
        emit finished(ending);
    });
    // The session ending: stopped as the button does, without asking.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, &station, &Station::stop);
    shown->resize(1100, 520);
    shown->show();
    QTimer::singleShot(0, &station, &Station::start);
    return true;
}

bool StationWindow::openFromTheForm() {
    StationForm form([this](const Request& asked, QString& field, QString& reason) {
        run = std::make_unique<StationRun>();
        StationRun::Refusal refusal;
        const bool opened = run->open(asked, refusal);
        field = refusal.option;
        reason = refusal.reason;
        return opened;
    });
    if (form.exec() != QDialog::Accepted) {
        ending = Stopped;
        return false;
    }
    request = form.request();
    return true;
}

bool StationWindow::openFromOptions(const QStringList& options) {
    const ParsedRequest parsed = parseCommandLine(
        QStringList{QStringLiteral("parvex-station"), QStringLiteral("station")} + options);
    if (parsed.done) {
        ending = Stopped;
        return false;
    }
    run = std::make_unique<StationRun>();
    StationRun::Refusal refusal;
    if (!parsed.error.isEmpty() || !run->open(parsed.request, refusal)) {
        complain(parsed.error.isEmpty() ? refusal.reason : parsed.error);
        ending = BadInput;
        return false;
    }
    request = parsed.request;
    return true;
}

// On standard error for a line that starts the station from a script, and
// in a message box for the operator.
void StationWindow::complain(const QString& message) {
    std::fprintf(stderr, "parvex-station: %s\n", message.toLocal8Bit().constData());
    if (qEnvironmentVariableIsEmpty("PARVEX_STATION_NO_BOXES"))
        QMessageBox::critical(shown.get(), QStringLiteral("Parvex station"), message);
}
