#pragma once

#include "protocol/Parameters.h"
#include "session/PortSession.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

// Reads and writes settings on one open session, one command at a time, as
// every command of the companion does: what the module holds, what was
// written, or why it stopped. A failure of the session itself (no answer,
// port lost) comes from the session.
class SettingsExchange : public QObject {
    Q_OBJECT
public:
    using Keys = QList<const Parameters::Parameter*>;
    using Values = QList<QPair<const Parameters::Parameter*, QString>>;
    // What the module holds, by key; nothing for an answer that held no
    // valid value.
    using Settings = QMap<QString, std::optional<QString>>;

    explicit SettingsExchange(PortSession& session, QObject* parent = nullptr);

    // Every parameter, in read order.
    static Keys everyKey();
    // Queries each key in turn into settings(); step names it ("reading").
    void read(const Keys& keys, const QString& step, const std::function<void()>& next);
    // Sets each value in turn, adding its key to written().
    void write(const Values& values, const std::function<void()>& next);
    // The values that settings() does not hold already.
    Values differing(const Values& values) const;
    // The first value that settings() holds otherwise, as a reason; nothing
    // when every one holds.
    QString mismatch(const Values& values) const;

    const Settings& settings() const { return held; }
    const QStringList& written() const { return writtenKeys; }

signals:
    void progressed(const QString& step, const QString& key, int done, int total);
    // The module refused a command.
    void refused(const QString& reason);

private:
    void readFrom(const Keys& keys, const QString& step, int index,
                  const std::function<void()>& next);
    void writeFrom(const Values& values, int index, const std::function<void()>& next);

    PortSession& session;
    Settings held;
    QStringList writtenKeys;
};
