#pragma once

#include "LineStore.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>

// A station's hold on the line's store: the connection, given up when it
// fails and tried again every few seconds, and the results that wait in the
// journal for the store, sent once it answers again. While the store cannot
// be reached no number can be taken.
class StoreLink : public QObject {
    Q_OBJECT
public:
    StoreLink(std::unique_ptr<LineStore> store, const QString& uri, const QString& station,
              const QString& pattern, QObject* parent = nullptr);

    bool reachable() const { return store != nullptr; }
    QDateTime unreachableSince() const { return lostAt; }
    // What the store said, or the connection, when it was given up.
    QString unreachableBecause() const { return lostReason; }
    int waitingResults() const { return static_cast<int>(waiting.size()); }
    // Null when unreachable; a failure gives the store up until it answers.
    LineStore* use() { return store.get(); }
    void failed(const QString& reason);
    // A result as written to the journal: sent now, or once the store is back.
    void send(const QJsonObject& result);

signals:
    // Reachable again, or not; results sent.
    void changed();
    // How long a result took to land, in milliseconds.
    void resultLanded(double ms);

private:
    void reconnect();
    void sendWaiting();

    std::unique_ptr<LineStore> store;
    QString uri;
    QString station;
    QString pattern;
    QList<QJsonObject> waiting;
    QDateTime lostAt;
    QString lostReason;
    QTimer retry;
};
