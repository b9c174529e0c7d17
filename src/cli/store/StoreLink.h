#pragma once

#include "LineStore.h"
#include "cli/station/SharedStore.h"

#include <QList>
#include <QTimer>

// A station's hold on the line's store on PostgreSQL: the connection, given
// up when it fails and tried again every few seconds, and the results that
// wait in the journal for the store, sent once it answers again. While the
// store cannot be reached no number can be taken. The station's row says
// when it was last seen, every half minute.
class StoreLink : public SharedStore {
    Q_OBJECT
public:
    StoreLink(std::unique_ptr<LineStore> store, const QString& uri, const QString& station,
              const std::optional<NamePattern>& pattern, QObject* parent = nullptr);

    bool reachable() const override { return store != nullptr; }
    QDateTime unreachableSince() const override { return lostAt; }
    QString unreachableBecause() const override { return lostReason; }
    int waitingResults() const override { return static_cast<int>(waiting.size()); }

    QList<qint64> settle(Journal& journal, const QString& host, const QString& version) override;
    Taken reserve(qint64 first, const QString& port) override;
    bool spend(qint64 serial, const QString& name, const QString& port) override;
    void send(const QJsonObject& result) override;
    void stopped() override;

private:
    void failed(const QString& reason);
    void reconnect();
    void sendWaiting();
    void sendWhatTheStoreLacks(Journal& journal);
    void seen();

    std::unique_ptr<LineStore> store;
    QString uri;
    QString station;
    std::optional<NamePattern> pattern;
    QList<QJsonObject> waiting;
    QDateTime lostAt;
    QString lostReason;
    QTimer retry;
    QTimer heartbeat;
};
