#include "StationRun.h"

#include <QCoreApplication>
#include <csignal>

namespace {
StationSetup setupOf(const Request& request, const std::optional<NamePattern>& pattern) {
    StationSetup setup;
    setup.ports = request.ports;
    setup.plan.session.rate = request.rate;
    setup.plan.session.handshaking = request.handshaking;
    setup.plan.session.paceMs = request.paceMs;
    setup.plan.profile = request.values;
    setup.plan.pattern = pattern;
    setup.identity = {request.stationId, QString::fromLatin1(request.profileDigest)};
    setup.version = QCoreApplication::applicationVersion();
    setup.first = request.first;
    setup.quota = request.quota;
    return setup;
}
} // namespace

bool StationRun::open(const Request& request, Refusal& refusal) {
    std::optional<NamePattern> pattern;
    QString error;
    if (!request.namePattern.isEmpty() &&
        !(pattern = NamePattern::parse(request.namePattern, error))) {
        refusal = {QStringLiteral("name-pattern"), error};
        return false;
    }
    const Journal::Opening opening = journal.open(request.record);
    if (!opening.error.isEmpty()) {
        refusal = {QStringLiteral("record"), opening.error};
        return false;
    }
    openingWarning = opening.warning;
    const qint64 next = journal.history().nextSerial(request.first);
    if (pattern && !pattern->holds(next)) {
        refusal = {QStringLiteral("name-pattern"),
                   QStringLiteral("--name-pattern: %1 cannot hold %2, the next number")
                       .arg(pattern->text())
                       .arg(next)};
        return false;
    }
#ifdef SIGXFSZ
    // A record past the size the system allows is a write that fails, not
    // a process killed.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (!request.store.isEmpty() &&
        !(lineStore = openSharedStore(request.store, request.stationId, pattern, error))) {
        refusal = {QStringLiteral("store"), QStringLiteral("--store: %1").arg(error)};
        return false;
    }
    setup = setupOf(request, pattern);
    made = std::make_unique<Station>(setup, journal, lineStore.get());
    return true;
}
