#include "RecordHistory.h"

#include <QJsonDocument>
#include <QJsonObject>

RecordText RecordText::parse(const QByteArray& text) {
    RecordText record;
    record.intactLength = text.size();
    qsizetype from = 0;
    for (int number = 1; from < text.size(); ++number) {
        const qsizetype newline = text.indexOf('\n', from);
        if (newline < 0) {
            record.tornLine = number;
            record.intactLength = from;
            break;
        }
        const qsizetype start = from;
        const QByteArray line = text.mid(from, newline - from).trimmed();
        from = newline + 1;
        if (line.isEmpty())
            continue;
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (!document.isObject()) {
            record.error = QStringLiteral("line %1 is not a JSON object%2")
                               .arg(number)
                               .arg(parseError.error == QJsonParseError::NoError
                                        ? QString()
                                        : QStringLiteral(" (%1)").arg(parseError.errorString()));
            return record;
        }
        record.lines << document.object();
        record.lineNumbers << number;
        record.lineStarts << start;
    }
    return record;
}

RecordHistory RecordHistory::read(const QList<QJsonObject>& lines) {
    RecordHistory history;
    for (const QJsonObject& line : lines)
        history.take(line.value(QLatin1String("event")).toString(),
                     line.value(QLatin1String("serial")).toInteger(0));
    return history;
}

void RecordHistory::take(const QString& event, qint64 serial) {
    if (serial <= 0)
        return;
    if (event == QLatin1String("reserved")) {
        highestSerial = std::max(highestSerial, serial);
        unsettled << serial;
    } else if (event == QLatin1String("seen")) {
        highestSerial = std::max(highestSerial, serial);
    } else if (event == QLatin1String("result") || event == QLatin1String("void")) {
        unsettled.removeAll(serial);
        settled << serial;
    }
}
