#include "ModuleJob.h"

namespace {
using Parameters::Parameter;

PortSession::Options sessionOptions(const Request& request) {
    PortSession::Options options;
    options.rate = request.rate;
    options.handshaking = request.handshaking;
    options.paceMs = request.paceMs;
    return options;
}

QList<const Parameter*> everyParameter() {
    QList<const Parameter*> keys;
    for (const Parameter& parameter : Parameters::all())
        keys << &parameter;
    return keys;
}

QString keyOf(const Parameter* parameter) {
    return QString::fromLatin1(parameter->key);
}
} // namespace

ModuleJob::ModuleJob(const Request& jobRequest, const QString& portName, QObject* parent)
    : QObject(parent), request(jobRequest), port(portName, sessionOptions(jobRequest)) {
    outcome.port = portName;
    outcome.device = port.device();
    connect(&port, &PortSession::failed, this, &ModuleJob::fail);
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
        read(everyParameter(), QStringLiteral("reading"), 0, [this] { succeed(); });
        return;
    case Request::Command::Set:
        toWrite = request.values;
        write(0, [this] { readBackAndCompare(); });
        return;
    case Request::Command::Apply:
    case Request::Command::Default:
        read(everyParameter(), QStringLiteral("reading"), 0, [this] { writeWhatDiffers(); });
        return;
    case Request::Command::Clear:
        clearBoundAddress();
        return;
    }
}

void ModuleJob::read(const QList<const Parameter*>& keys, const QString& step, int index,
                     const std::function<void()>& next) {
    if (index >= keys.size()) {
        next();
        return;
    }
    const Parameter* parameter = keys[index];
    port.setStep(QStringLiteral("%1 %2").arg(step, keyOf(parameter)));
    emit progressed(step, keyOf(parameter), index + 1, static_cast<int>(keys.size()));
    port.query(parameter->type, QStringLiteral("the %1 query").arg(keyOf(parameter)),
               [this, keys, step, index, next, parameter](const Frames::Answer& answer) {
                   if (answer.status != 0) {
                       fail(
                           QStringLiteral("the module refused the %1 query").arg(keyOf(parameter)));
                       return;
                   }
                   outcome.settings[keyOf(parameter)] = Parameters::decode(*parameter, answer.data);
                   read(keys, step, index + 1, next);
               });
}

void ModuleJob::write(int index, const std::function<void()>& next) {
    if (index >= toWrite.size()) {
        next();
        return;
    }
    const auto& [parameter, value] = toWrite[index];
    port.setStep(QStringLiteral("writing %1").arg(keyOf(parameter)));
    emit progressed(QStringLiteral("writing"), keyOf(parameter), index + 1,
                    static_cast<int>(toWrite.size()));
    port.set(parameter->type, Parameters::encode(*parameter, value),
             QStringLiteral("the %1 set command").arg(keyOf(parameter)),
             [this, index, next, parameter = parameter](const Frames::Answer& answer) {
                 if (answer.status != 0) {
                     fail(QStringLiteral("the module refused %1").arg(keyOf(parameter)));
                     return;
                 }
                 outcome.written << keyOf(parameter);
                 write(index + 1, next);
             });
}

void ModuleJob::writeWhatDiffers() {
    Values differing;
    for (const auto& value : request.values)
        if (outcome.settings.value(keyOf(value.first)) != value.second)
            differing << value;
    toWrite = differing;
    write(0, [this] { readBackAndCompare(); });
}

void ModuleJob::readBackAndCompare() {
    QList<const Parameter*> keys;
    for (const auto& value : toWrite)
        keys << value.first;
    read(keys, QStringLiteral("reading back"), 0, [this] {
        for (const auto& [parameter, value] : toWrite) {
            const auto held = outcome.settings.value(keyOf(parameter));
            if (held != value) {
                fail(QStringLiteral("%1 reads back as %2, not \"%3\"")
                         .arg(keyOf(parameter),
                              held ? QStringLiteral("\"%1\"").arg(*held)
                                   : QStringLiteral("no valid value"),
                              value));
                return;
            }
        }
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
