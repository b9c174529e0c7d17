#include "Journal.h"

#include "RecordFileLock.h"

#include <QFileInfo>
#include <QJsonDocument>

QByteArray readWholeRecord(QFile& file, QString& error) {
    const qint64 size = file.size();
    file.seek(0);
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        error = QStringLiteral("cannot be read whole: %1").arg(file.errorString());
    else if (text.size() != size)
        error = QStringLiteral("cannot be read whole: %1 of its %2 bytes read")
                    .arg(text.size())
                    .arg(size);
    return error.isEmpty() ? text : QByteArray();
}

Journal::Opening Journal::open(const QString& path) {
    Opening opening;
    file.setFileName(path);
    const bool created = !QFileInfo(path).exists();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        opening.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return opening;
    }
    const QString unfit = unfitAsRecord(file.handle(), path);
    if (!unfit.isEmpty()) {
        opening.error = QStringLiteral("%1: %2; a record belongs to one PC, and the stations of "
                                       "a line share their numbers through a shared store")
                            .arg(path, unfit);
        return opening;
    }
    qint64 holder = 0;
    QString lockError;
    if (!lockExclusively(file.handle(), holder, lockError)) {
        opening.error =
            holder > 0
                ? QStringLiteral("%1: in use by process %2 (another station)").arg(path).arg(holder)
                : QStringLiteral("%1: in use by another station (%2)").arg(path, lockError);
        return opening;
    }
    QString reason;
    if (created && !syncFolderOf(path, reason)) {
        opening.error = QStringLiteral("%1: %2").arg(path, reason);
        return opening;
    }
    const QByteArray text = readWholeRecord(file, reason);
    if (!reason.isEmpty()) {
        opening.error = QStringLiteral("%1: %2").arg(path, reason);
        return opening;
    }
    const RecordText record = RecordText::parse(text);
    if (!record.error.isEmpty()) {
        opening.error = QStringLiteral("%1: %2").arg(path, record.error);
        return opening;
    }
    past = RecordHistory::read(record.lines);
    for (qsizetype i = 0; i < record.lines.size(); ++i)
        if (record.lines[i].value(QLatin1String("event")).toString() == QLatin1String("result")) {
            const qsizetype start = record.lineStarts[i];
            resultPlaces << Place{start, text.indexOf('\n', start) - start};
        }
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

QJsonObject Journal::earlierResult(qsizetype index) {
    const Place place = resultPlaces.value(index, Place{-1, 0});
    QByteArray line;
    if (place.offset >= 0 && file.seek(place.offset))
        line = file.read(place.length);
    // Appending goes on at the end.
    file.seek(file.size());
    return QJsonDocument::fromJson(line).object();
}

QString Journal::append(const QJsonObject& line) {
    if (!failure.isEmpty())
        return failure;
    const qint64 intact = file.size();
    failure = writeWhole(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    if (!failure.isEmpty()) {
        // What part of the line reached the file goes, so that no later
        // start finds a fragment in the middle of the record. Should that
        // fail too, the fragment is the record's torn last line.
        QString ignored;
        if (file.resize(intact))
            syncToDisk(file.handle(), ignored);
        return failure;
    }
    past.take(line.value(QLatin1String("event")).toString(),
              line.value(QLatin1String("serial")).toInteger(0));
    return {};
}

// A write that took part of the line is tried again for the rest, so that
// the system says why it stops; the line counts once it is on the disk.
QString Journal::writeWhole(const QByteArray& text) {
    for (qsizetype done = 0; done < text.size();) {
        const qint64 written = file.write(text.constData() + done, text.size() - done);
        if (written <= 0)
            return file.errorString();
        done += written;
    }
    QString reason;
    syncToDisk(file.handle(), reason);
    return reason;
}
