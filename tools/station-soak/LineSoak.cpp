#include "LineSoak.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int tickMs = 200;
constexpr qint64 outageAtMostMs = 20000;
// No outage begins so late that a station could still be waiting for the
// store when the soak ends.
constexpr qint64 calmAtTheEndMs = 30000;
constexpr const char* database = "line";

void waitMs(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString joined(QList<qint64> numbers) {
    std::sort(numbers.begin(), numbers.end());
    QStringList texts;
    for (qint64 number : numbers)
        texts << QString::number(number);
    return texts.join(QLatin1Char(','));
}
} // namespace

LineSoak::LineSoak(const StationSoakOptions& soakOptions, int stations)
    : options(soakOptions), stationCount(stations), random(soakOptions.seed) {}

bool LineSoak::run() {
    QString error;
    if (!server.start(error) ||
        !server.sql(QStringLiteral("CREATE DATABASE %1").arg(QLatin1String(database)))) {
        std::fprintf(stderr, "cannot start the line's server: %s\n", qPrintable(error));
        return false;
    }
    for (int i = 0; i < stationCount; ++i) {
        StationSoakOptions one = options;
        one.seed = options.seed + static_cast<unsigned>(i);
        one.stationId = QStringLiteral("line-%1").arg(i + 1);
        one.store = server.uri(QLatin1String(database));
        one.ownResultWithinMs = options.ownResultWithinMs + outageAtMostMs;
        soaks.push_back(std::make_unique<StationSoak>(one));
        if (!soaks.back()->begin())
            return false;
    }
    QElapsedTimer clock;
    clock.start();
    nextOutageMs = std::uniform_int_distribution<qint64>(20000, 60000)(random);
    while (clock.elapsed() < options.durationMs) {
        outagesAt(clock.elapsed());
        for (auto& soak : soaks)
            soak->step(clock.elapsed());
        waitMs(tickMs);
    }
    if (serverDown)
        outagesAt(backAtMs);
    for (auto& soak : soaks)
        soak->finish();
    checkTheLine();
    return true;
}

// Down for up to 20 s while every station holds the store (a station does
// not start without it), then up again.
void LineSoak::outagesAt(qint64 clockMs) {
    if (serverDown && clockMs >= backAtMs) {
        if (!server.startAgain())
            finding(QStringLiteral("the server did not start again"));
        serverDown = false;
        counts.outageMs += clockMs - downSinceMs;
        setStoreAway(false);
        std::printf("line: the server is back after %lld ms\n",
                    static_cast<long long>(clockMs - downSinceMs));
        std::fflush(stdout);
        nextOutageMs = clockMs + std::uniform_int_distribution<qint64>(30000, 90000)(random);
        return;
    }
    if (serverDown || clockMs < nextOutageMs ||
        clockMs > options.durationMs - outageAtMostMs - calmAtTheEndMs || !everyStationSettled())
        return;
    setStoreAway(true);
    serverDown = true;
    downSinceMs = clockMs;
    backAtMs = clockMs + std::uniform_int_distribution<qint64>(3000, outageAtMostMs)(random);
    ++counts.outages;
    server.stop();
}

bool LineSoak::everyStationSettled() const {
    return std::all_of(soaks.begin(), soaks.end(),
                       [](const auto& soak) { return soak->settledInMs(3000); });
}

void LineSoak::setStoreAway(bool away) {
    for (auto& soak : soaks)
        soak->setStoreAway(away);
}

void LineSoak::checkTheLine() {
    QMap<qint64, QString> handedTo;
    for (const auto& soak : soaks) {
        const QString id = soak->stationId();
        QList<qint64> reserved, resulted;
        QMap<QString, int> outcomes;
        for (const QJsonObject& line : soak->recordLines()) {
            const QString event = line["event"].toString();
            const qint64 serial = line["serial"].toInteger();
            if (event == QLatin1String("reserved")) {
                if (handedTo.contains(serial))
                    finding(QStringLiteral("number %1 handed to %2 and to %3")
                                .arg(serial)
                                .arg(handedTo[serial], id));
                handedTo[serial] = id;
                reserved << serial;
            }
            if (event == QLatin1String("result")) {
                ++outcomes[line["outcome"].toString()];
                if (serial > 0)
                    resulted << serial;
            }
        }
        for (const char* outcome : {"pass", "fail", "already", "aborted"})
            compare(QStringLiteral("%1 results").arg(outcome), id,
                    QString::number(outcomes.value(QLatin1String(outcome))),
                    QStringLiteral("SELECT count(*) FROM parvex_results "
                                   "WHERE station = '%1' AND outcome = '%2'")
                        .arg(id, QLatin1String(outcome)));
        compare(QStringLiteral("numbers of results"), id, joined(resulted),
                QStringLiteral("SELECT string_agg(serial::text, ',' ORDER BY serial) "
                               "FROM parvex_results WHERE station = '%1' AND serial > 0")
                    .arg(id));
        // Every journal reservation is the store's, for this station; the
        // store may hold more: numbers taken by a station killed before its
        // journal's line, voided at its next start.
        compare(QStringLiteral("reservations of the journal"), id, joined(reserved),
                QStringLiteral("SELECT string_agg(serial::text, ',' ORDER BY serial) "
                               "FROM parvex_reservations WHERE station = '%1' AND serial IN (%2)")
                    .arg(id, reserved.isEmpty() ? QStringLiteral("0") : joined(reserved)));
    }
    compare(QStringLiteral("numbers unsettled at the end"), QStringLiteral("the line"),
            QStringLiteral("0"),
            QStringLiteral("SELECT count(*) FROM parvex_reservations r WHERE NOT EXISTS "
                           "(SELECT 1 FROM parvex_results s WHERE s.serial = r.serial) AND NOT "
                           "EXISTS (SELECT 1 FROM parvex_voids v WHERE v.serial = r.serial)"));
    std::printf("line: %lld numbers in the journals, each handed out once\n",
                static_cast<long long>(handedTo.size()));
}

void LineSoak::compare(const QString& what, const QString& station, const QString& inJournal,
                       const QString& query) {
    QString inStore;
    if (!server.sql(query, QLatin1String(database), &inStore))
        finding(QStringLiteral("%1: %2: the store cannot be asked").arg(station, what));
    else if (inStore.trimmed() != inJournal)
        finding(QStringLiteral("%1: %2: the journal holds [%3], the store [%4]")
                    .arg(station, what, inJournal.left(200), inStore.trimmed().left(200)));
}

void LineSoak::finding(const QString& text) {
    ++counts.findings;
    std::printf("FINDING: line: %s\n", qPrintable(text));
    std::fflush(stdout);
}
