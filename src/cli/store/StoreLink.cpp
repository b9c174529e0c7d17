#include "StoreLink.h"

#include "cli/station/Journal.h"

#include <QElapsedTimer>

namespace {
constexpr int reconnectMs = 2000;
constexpr int heartbeatMs = 30000;
// The journal's results are checked against the store from the newest back,
// this many at a time, until a whole batch is there: results land in the
// order they were written.
constexpr qsizetype checkedAtOnce = 200;

double millisecondsOf(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}
} // namespace

std::unique_ptr<SharedStore> openSharedStore(const QString& uri, const QString& station,
                                             const std::optional<NamePattern>& pattern,
                                             QString& error) {
    std::unique_ptr<LineStore> line = LineStore::open(uri, station, error);
    if (!line)
        return nullptr;
    return std::make_unique<StoreLink>(std::move(line), uri, station, pattern);
}

QList<QJsonObject> readSharedStore(const QString& uri, const QString& station, const QDate& since,
                                   const QDate& until, QString& error) {
    const std::unique_ptr<LineStore> store = LineStore::openToRead(uri, error);
    return store ? store->lines(station, since, until, error) : QList<QJsonObject>();
}

StoreLink::StoreLink(std::unique_ptr<LineStore> lineStore, const QString& storeUri,
                     const QString& stationId, const std::optional<NamePattern>& namePattern,
                     QObject* parent)
    : SharedStore(parent), store(std::move(lineStore)), uri(storeUri), station(stationId),
      pattern(namePattern) {
    retry.setInterval(reconnectMs);
    connect(&retry, &QTimer::timeout, this, &StoreLink::reconnect);
    heartbeat.setInterval(heartbeatMs);
    connect(&heartbeat, &QTimer::timeout, this, &StoreLink::seen);
    heartbeat.start();
}

QList<qint64> StoreLink::settle(Journal& journal, const QString& host, const QString& version) {
    sendWhatTheStoreLacks(journal);
    QList<qint64> voidInTheJournal;
    if (!store)
        return voidInTheJournal;
    store->started(host, version);
    if (!pattern)
        return voidInTheJournal;
    QString error;
    for (qint64 serial : store->unsettled(*pattern, error)) {
        store->voidNumber(*pattern, serial);
        if (!journal.history().settled.contains(serial))
            voidInTheJournal << serial;
    }
    for (qint64 serial : journal.history().unsettled)
        store->voidNumber(*pattern, serial);
    return voidInTheJournal;
}

// The newest first, a batch at a time, until a batch is all in the store;
// then what is missing is sent in the journal's order. Should the store go
// away meanwhile, every result not yet checked waits for it.
void StoreLink::sendWhatTheStoreLacks(Journal& journal) {
    qsizetype unchecked = journal.earlierResultCount();
    QList<QJsonObject> lacking;
    while (unchecked > 0 && store) {
        const qsizetype begin = std::max<qsizetype>(0, unchecked - checkedAtOnce);
        QList<QJsonObject> batch;
        for (qsizetype i = begin; i < unchecked; ++i)
            batch << journal.earlierResult(i);
        QString error;
        const QList<int> missing = store->lacking(batch, error);
        if (!error.isEmpty()) {
            failed(error);
            break;
        }
        QList<QJsonObject> missed;
        for (int i : missing)
            missed << batch[i];
        lacking = missed + lacking;
        unchecked = missing.isEmpty() ? 0 : begin;
    }
    for (qsizetype i = 0; i < unchecked; ++i)
        waiting << journal.earlierResult(i);
    waiting << lacking;
    sendWaiting();
}

SharedStore::Taken StoreLink::reserve(qint64 first, const QString& port) {
    if (!store)
        return {std::nullopt, lostReason, true};
    QElapsedTimer clock;
    clock.start();
    const LineStore::Taken taken = store->reserve(*pattern, first, port);
    if (taken.serial) {
        emit numberTaken(*taken.serial, millisecondsOf(clock));
        return {taken.serial, {}, false};
    }
    if (store->alive())
        return {std::nullopt, taken.error, false};
    failed(taken.error);
    return {std::nullopt, taken.error, true};
}

bool StoreLink::spend(qint64 serial, const QString& name, const QString& port) {
    const QString error = store ? store->spend(*pattern, serial, name, port) : lostReason;
    if (!error.isEmpty())
        failed(error);
    return error.isEmpty();
}

void StoreLink::send(const QJsonObject& result) {
    waiting << result;
    sendWaiting();
    emit changed();
}

void StoreLink::stopped() {
    if (store)
        store->stopped();
}

void StoreLink::failed(const QString& reason) {
    if (!store)
        return;
    store.reset();
    lostAt = QDateTime::currentDateTime();
    lostReason = reason.section(QLatin1Char('\n'), 0, 0);
    retry.start();
    emit changed();
}

void StoreLink::reconnect() {
    QString error;
    store = LineStore::open(uri, station, error);
    if (!store)
        return;
    retry.stop();
    lostAt = {};
    sendWaiting();
    emit changed();
}

void StoreLink::seen() {
    if (store && !store->seen() && !store->alive())
        failed(QStringLiteral("the store stopped answering"));
}

// In the order written; the first that fails keeps itself and the rest.
void StoreLink::sendWaiting() {
    while (store && !waiting.isEmpty()) {
        QElapsedTimer clock;
        clock.start();
        const QString error = store->upload(waiting.first(), pattern ? pattern->text() : QString());
        // A connection still there refused the line itself: it waits, the
        // numbers do not.
        if (!error.isEmpty() && store->alive())
            return;
        if (!error.isEmpty()) {
            failed(error);
            return;
        }
        waiting.removeFirst();
        emit resultLanded(millisecondsOf(clock));
    }
}
