#pragma once

#include "Request.h"
#include "SettingsExchange.h"
#include "session/PortSession.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <optional>

// What one port came to.
struct PortResult {
    QString port;
    QString device;
    qint32 rate = 0;
    bool ok = false;
    bool finished = false;
    // What the module holds, by key; nothing for an answer that held no
    // valid value.
    QMap<QString, std::optional<QString>> settings;
    QStringList written;
    QString error;
    qint64 elapsedMs = 0;
};

// The request carried out on one port: open it, then read, write and read
// back, clear or only detect, one command at a time.
class ModuleJob : public QObject {
    Q_OBJECT
public:
    ModuleJob(const Request& request, const QString& port, QObject* parent = nullptr);

    void start();
    // Ctrl+C: the port is closed and the job ends as interrupted.
    void interrupt();
    const PortResult& result() const { return outcome; }
    PortSession& session() { return port; }

signals:
    // step: "reading", "writing", "checking"...; key may be empty.
    void progressed(const QString& step, const QString& key, int done, int total);
    void finished();

private:
    void begin();
    void readBackAndCompare();
    void writeWhatDiffers();
    void clearBoundAddress();
    void succeed();
    void fail(const QString& reason);
    void finish(const QString& error);

    const Request& request;
    PortSession port;
    SettingsExchange exchange;
    PortResult outcome;
    QElapsedTimer elapsed;
    SettingsExchange::Values toWrite;
};
