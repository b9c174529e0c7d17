#include "PortSession.h"

#include "link/Failure.h"
#include "protocol/BaudCodes.h"
#include "protocol/SerialSettings.h"

namespace {
PortNames namesFor(const QString& port) {
    return portRowOf(port) != 0 ? defaultPortNames() : PortNames{{0, port}};
}
} // namespace

PortSession::PortSession(const QString& port, const Options& sessionOptions, QObject* parent)
    : QObject(parent), portText(port), options(sessionOptions), serial(namesFor(port)) {
    serial.setCommPort(portRowOf(port));
    serial.setHandshaking(options.handshaking);
    serial.setInputMode(1);
    pause.setSingleShot(true);
    pause.setTimerType(Qt::PreciseTimer);
    answerWait.setSingleShot(true);
    answerWait.setTimerType(Qt::PreciseTimer);
    connect(&pause, &QTimer::timeout, this, &PortSession::writeAfterPause);
    connect(&answerWait, &QTimer::timeout, this, &PortSession::onAnswerMissing);
    connect(&serial, &SerialPortControl::OnComm, this, &PortSession::onComm);
    clock.start();
}

QString PortSession::device() const {
    return namesFor(portText).value(portRowOf(portText));
}

QString PortSession::label() const {
    return portRowLabel(portRowOf(portText), namesFor(portText));
}

void PortSession::open(const std::function<void()>& ready) {
    whenReady = ready;
    if (options.rate != 0) {
        openAt(options.rate);
        if (!finished)
            whenReady();
        return;
    }
    currentStep = QStringLiteral("detecting the rate");
    detecting = true;
    rateIndex = 0;
    probeNextRate();
}

void PortSession::openAt(qint32 rate) {
    try {
        serial.setPortOpen(false);
        serial.setSettings(lineSettingsAt(QString::number(rate)));
        serial.setPortOpen(true);
        receiver.reset();
        lineRate = rate;
    } catch (const Failure& failure) {
        lost = true;
        fail(withoutLabel(failure.description()));
    }
}

void PortSession::probeNextRate() {
    const QStringList& rates = BaudCodes::lineRates();
    if (rateIndex >= rates.size()) {
        fail(
            QStringLiteral("no answer at any rate from %1 to %2").arg(rates.first(), rates.last()));
        return;
    }
    openAt(rates[rateIndex++].toInt());
    if (finished)
        return;
    emit rateTried(lineRate, rateIndex, static_cast<int>(rates.size()));
    // Detection tries each rate once: its probe is not resent.
    Exchange probe;
    probe.frame = Frames::query(Frames::FirmwareVersion);
    probe.isQuery = true;
    probe.type = Frames::FirmwareVersion;
    probe.what = QStringLiteral("the probe");
    start(probe);
}

void PortSession::query(Frames::CommandType type, const QString& what, const Answered& answered) {
    start({Frames::query(type), true, type, what, answered, 0, -1, {}});
}

void PortSession::set(Frames::CommandType type, const QByteArray& param, const QString& what,
                      const Answered& answered) {
    start({Frames::setCommand(type, param), false, type, what, answered, 0, -1, {}});
}

void PortSession::probe(const Answered& answered, const std::function<void()>& missing,
                        Frames::CommandType type) {
    start({Frames::query(type), true, type, QStringLiteral("the probe"), answered, 0, 0, missing});
}

void PortSession::start(Exchange exchange) {
    if (finished)
        return;
    pending = std::move(exchange);
    awaiting = false;
    pause.start(options.paceMs);
}

void PortSession::writeAfterPause() {
    if (finished)
        return;
    ++pending.attempts;
    awaiting = true;
    emit frameSeen(true, pending.frame, clock.elapsed());
    serial.Output(pending.frame);
    answerWait.start(options.answerMs);
}

void PortSession::onAnswerMissing() {
    if (finished || !awaiting)
        return;
    awaiting = false;
    if (detecting) {
        probeNextRate();
        return;
    }
    const int resends = pending.resends < 0 ? options.resends : pending.resends;
    if (pending.attempts <= resends) {
        pause.start(options.paceMs);
        return;
    }
    if (pending.missing) {
        const std::function<void()> missing = pending.missing;
        missing();
        return;
    }
    fail(QStringLiteral("no answer to %1 after %2 resends").arg(pending.what).arg(options.resends));
}

void PortSession::onComm(SerialPortControl::CommEvent event, const QString& description) {
    if (finished)
        return;
    if (event == SerialPortControl::CommEvent::Error) {
        lost = true;
        fail(
            QStringLiteral("port lost during %1 (%2)").arg(currentStep, withoutLabel(description)));
        return;
    }
    const QByteArray bytes = serial.Input();
    receiver.ParseData(bytes, [this](const QByteArray& body) {
        emit frameSeen(false, Frames::frame(body), clock.elapsed());
        takeBody(body);
    });
}

void PortSession::takeBody(const QByteArray& body) {
    if (finished || !awaiting)
        return;
    const auto answer = Frames::answerOf(body);
    // Detection takes any query answer; a command only its own.
    if (!answer || answer->isQuery != pending.isQuery ||
        (!detecting && answer->type != pending.type))
        return;
    awaiting = false;
    answerWait.stop();
    if (detecting) {
        detecting = false;
        whenReady();
        return;
    }
    // The continuation may start the next exchange, which replaces pending.
    const Answered answered = pending.answered;
    answered(*answer);
}

// The port's failures name it first, as the window shows them; the
// session's report names the port on its own.
QString PortSession::withoutLabel(const QString& description) const {
    const QString prefix = label() + QStringLiteral(": ");
    return description.startsWith(prefix) ? description.mid(prefix.size()) : description;
}

void PortSession::fail(const QString& reason) {
    if (finished)
        return;
    close();
    emit failed(reason);
}

void PortSession::close() {
    finished = true;
    pause.stop();
    answerWait.stop();
    serial.setPortOpen(false);
}
