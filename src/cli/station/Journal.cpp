#include "Journal.h"

#include "RecordFileLock.h"

#include <QJsonDocument>

Journal::Opening Journal::open(const QString& path) {
    Opening opening;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        opening.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return opening;
    }
    qint64 holder = 0;
    QString reason;
    if (!lockExclusively(file.handle(), holder, reason)) {
        opening.error =
            holder > 0
                ? QStringLiteral("%1: in use by process %2 (another station)").arg(path).arg(holder)
                : QStringLiteral("%1: in use by another station (%2)").arg(path, reason);
        return opening;
    }
    file.seek(0);
    const RecordText record = RecordText::parse(file.readAll());
    if (!record.error.isEmpty()) {
        opening.error = QStringLiteral("%1: %2").arg(path, record.error);
        return opening;
    }
    past = RecordHistory::read(record.lines);
    if (record.tornLine > 0) {
        if (!file.resize(record.intactLength)) {
            opening.error = QStringLiteral("%1: %2").arg(path, file.errorString());
            return opening;
        }
        opening.warning = QStringLiteral("%1: line %2 was cut short by a write that did not "
                                         "end; it is removed")
                              .arg(path)
                              .arg(record.tornLine);
    }
    return opening;
}

QString Journal::append(const QJsonObject& line) {
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    // A write that took part of the line is tried again for the rest, so
    // that the system says why it stops.
    for (qsizetype done = 0; done < text.size();) {
        const qint64 written = file.write(text.constData() + done, text.size() - done);
        if (written <= 0)
            return file.errorString();
        done += written;
    }
    QString reason;
    if (!syncToDisk(file.handle(), reason))
        return reason;
    past.take(line.value(QLatin1String("event")).toString(),
              line.value(QLatin1String("serial")).toInteger(0));
    return {};
}
