#pragma once

#include "NamePattern.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <memory>
#include <optional>

class Journal;

// The line's store as a station sees it: the line's one counter of numbers,
// and the place its results land. It may be away for a while; then no
// number can be taken, and results wait for it in the journal.
class SharedStore : public QObject {
    Q_OBJECT
public:
    struct Taken {
        std::optional<qint64> serial;
        QString error;     // no number: why
        bool away = false; // the store cannot be reached: try again once it is back
    };

    using QObject::QObject;

    virtual bool reachable() const = 0;
    virtual QDateTime unreachableSince() const = 0;
    // What the store said, or the connection, when it was given up.
    virtual QString unreachableBecause() const = 0;
    virtual int waitingResults() const = 0;

    // At a station's start: the journal's results that the store lacks are
    // sent, and every number of this station that neither settled is made
    // void in the store. Returns those the journal has not settled either,
    // to be made void there too.
    virtual QList<qint64> settle(Journal& journal, const QString& host, const QString& version) = 0;
    // The line's next number, at least first, committed in the store.
    virtual Taken reserve(qint64 first, const QString& port) = 0;
    // A number a module carried: never handed out. False when the store is
    // away.
    virtual bool spend(qint64 serial, const QString& name, const QString& port) = 0;
    // A result as written to the journal: sent now, or once the store is back.
    virtual void send(const QJsonObject& result) = 0;
    virtual void stopped() = 0;

signals:
    // Reachable again, or not; results sent.
    void changed();
    // How long a number and a result took, in milliseconds.
    void numberTaken(qint64 serial, double ms);
    void resultLanded(double ms);
};

// The line's store at the URI, its schema made or checked and the station's
// ID taken; null with the reason (a build without libpq has none).
std::unique_ptr<SharedStore> openSharedStore(const QString& uri, const QString& station,
                                             const std::optional<NamePattern>& pattern,
                                             QString& error);

// The store's lines as a record holds them ("reserved", "seen", "void",
// "result", each with its "station" and "pattern"), by pattern and then in
// time, of one station (empty: every one) and the days given (null: open),
// both included. Only reads: a reader's role is enough.
QList<QJsonObject> readSharedStore(const QString& uri, const QString& station, const QDate& since,
                                   const QDate& until, QString& error);
