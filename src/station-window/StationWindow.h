#pragma once

#include "StationBoard.h"
#include "cli/Request.h"
#include "cli/station/StationRun.h"

#include <QObject>
#include <memory>

// The station's window program: the station the options ask for (or the
// setup form, given none) on a board, until it is stopped.
class StationWindow : public QObject {
    Q_OBJECT
public:
    enum Status { Stopped = 0, RecordFailed = 1, BadInput = 2 };

    // options: those of parvex-cli station, without the command. False when
    // there is nothing to run: the status says why (the form cancelled, or
    // bad input, shown).
    bool start(const QStringList& options);
    int status() const { return ending; }
    StationBoard* board() const { return shown.get(); }
    Station* station() const { return run ? &run->station() : nullptr; }

signals:
    // The station has ended and its record is settled (or failed).
    void finished(int status);

private:
    bool openFromTheForm();
    bool openFromOptions(const QStringList& options);
    void complain(const QString& message);

    std::unique_ptr<StationRun> run;
    std::unique_ptr<StationBoard> shown;
    Request request;
    int ending = Stopped;
};
