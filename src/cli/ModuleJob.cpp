#include "ModuleJob.h"

namespace {
PortSession::Options sessionOptions(const Request& request) {
    PortSession::Options options;
    options.rate = request.rate;
    options.handshaking = request.handshaking;
    options.paceMs = request.paceMs;
    return options;
}
} // namespace

ModuleJob::ModuleJob(const Request& jobRequest, const QString& portName, QObject* parent)
    : QObject(parent), request(jobRequest), port(portName, sessionOptions(jobRequest)),
      exchange(port) {
    outcome.port = portName;
    outcome.device = port.device();
    connect(&port, &PortSession::failed, this, &ModuleJob::fail);
    connect(&exchange, &SettingsExchange::refused, this, &ModuleJob::fail);
    connect(&exchange, &SettingsExchange::progressed, this, &ModuleJob::progressed);
    connect(&port, &PortSession::rateTried, this, [this](qint32 rate, int n, int total) {
        emit progressed(QStringLiteral("detecting"), QStringLiteral("%1 baud").arg(rate), n, total);
    });
}

void ModuleJob::start() {
    elapsed.start();
    emit progressed(QStringLiteral("opening"), {}, 0, 0);
    port.open([this] { begin(); });
}

void ModuleJob::begin() {
    outcome.rate = port.rate();
    switch (request.command) {
    case Request::Command::Detect:
        succeed();
        return;
    case Request::Command::Read:
        exchange.read(SettingsExchange::everyKey(), QStringLiteral("reading"),
                      [this] { succeed(); });
        return;
    case Request::Command::Set:
        toWrite = request.values;
        exchange.write(toWrite, [this] { readBackAndCompare(); });
        return;
    case Request::Command::Apply:
    case Request::Command::Default:
        exchange.read(SettingsExchange::everyKey(), QStringLiteral("reading"),
                      [this] { writeWhatDiffers(); });
        return;
    case Request::Command::Clear:
        clearBoundAddress();
        return;
    case Request::Command::Station:
    case Request::Command::Summary:
        fail(QStringLiteral("not a command for one port"));
        return;
    }
}

void ModuleJob::writeWhatDiffers() {
    toWrite = exchange.differing(request.values);
    exchange.write(toWrite, [this] { readBackAndCompare(); });
}

void ModuleJob::readBackAndCompare() {
    SettingsExchange::Keys keys;
    for (const auto& value : toWrite)
        keys << value.first;
    exchange.read(keys, QStringLiteral("reading back"), [this] {
        if (const QString reason = exchange.mismatch(toWrite); !reason.isEmpty())
            fail(reason);
        else
            succeed();
    });
}

void ModuleJob::clearBoundAddress() {
    port.setStep(QStringLiteral("clearing the bound address"));
    emit progressed(QStringLiteral("clearing"), {}, 1, 1);
    port.set(Frames::ClearBoundAddress, Parameters::clearBoundAddressBytes(),
             QStringLiteral("the clear command"), [this](const Frames::Answer& answer) {
                 if (answer.status != 0)
                     fail(QStringLiteral("the module refused to clear its bound address"));
                 else
                     succeed();
             });
}

void ModuleJob::succeed() {
    finish({});
}

void ModuleJob::fail(const QString& reason) {
    finish(reason);
}

// The port is closed and the result kept; whatever comes later is too late.
void ModuleJob::finish(const QString& error) {
    if (outcome.finished)
        return;
    port.close();
    outcome.settings = exchange.settings();
    outcome.written = exchange.written();
    outcome.ok = error.isEmpty();
    outcome.error = error;
    outcome.finished = true;
    outcome.elapsedMs = elapsed.elapsed();
    emit progressed(outcome.ok ? QStringLiteral("done") : QStringLiteral("failed: %1").arg(error),
                    {}, 0, 0);
    emit finished();
}

void ModuleJob::interrupt() {
    fail(QStringLiteral("interrupted"));
}
