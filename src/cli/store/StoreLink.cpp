#include "StoreLink.h"

#include <QElapsedTimer>

namespace {
constexpr int reconnectMs = 2000;
} // namespace

StoreLink::StoreLink(std::unique_ptr<LineStore> lineStore, const QString& storeUri,
                     const QString& stationId, const QString& namePattern, QObject* parent)
    : QObject(parent), store(std::move(lineStore)), uri(storeUri), station(stationId),
      pattern(namePattern) {
    retry.setInterval(reconnectMs);
    connect(&retry, &QTimer::timeout, this, &StoreLink::reconnect);
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

void StoreLink::send(const QJsonObject& result) {
    waiting << result;
    sendWaiting();
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

// In the order written; the first that fails keeps itself and the rest.
void StoreLink::sendWaiting() {
    while (store && !waiting.isEmpty()) {
        QElapsedTimer clock;
        clock.start();
        const QString error = store->upload(waiting.first(), pattern);
        // A connection still there refused the line itself: it waits, the
        // numbers do not.
        if (!error.isEmpty() && store->alive())
            return;
        if (!error.isEmpty()) {
            failed(error);
            return;
        }
        waiting.removeFirst();
        emit resultLanded(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
}
