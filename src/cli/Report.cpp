#include "Report.h"

#include "Console.h"
#include "JsonValues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {
void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QString labelOf(ModuleJob* job) {
    return job->session().label();
}

QString valueText(const std::optional<QString>& value) {
    return value ? *value : QStringLiteral("(no valid value)");
}

void printSettingsTable(const QList<ModuleJob*>& jobs) {
    QList<QStringList> columns;
    QStringList keys{QStringLiteral("")};
    for (const Parameters::Parameter& parameter : Parameters::all())
        keys << QString::fromLatin1(parameter.key);
    columns << keys;
    for (ModuleJob* job : jobs) {
        QStringList column{labelOf(job)};
        for (const QString& key : keys.mid(1))
            column << (job->result().settings.contains(key)
                           ? valueText(job->result().settings.value(key))
                           : QStringLiteral("-"));
        columns << column;
    }
    for (qsizetype row = 0; row < keys.size(); ++row) {
        QString line;
        for (const QStringList& column : columns) {
            qsizetype width = 0;
            for (const QString& cell : column)
                width = std::max(width, cell.size());
            line += column[row].leftJustified(width + 2);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        print(stdout, line + QLatin1Char('\n'));
    }
}

QString resultLine(ModuleJob* job) {
    const PortResult& result = job->result();
    const QString seconds = QString::number(result.elapsedMs / 1000.0, 'f', 1);
    if (!result.ok)
        return QStringLiteral("%1: FAILED: %2 (%3 s)\n").arg(labelOf(job), result.error, seconds);
    const QString wrote =
        result.written.isEmpty()
            ? QStringLiteral("wrote nothing")
            : QStringLiteral("wrote %1").arg(result.written.join(QStringLiteral(", ")));
    return QStringLiteral("%1: ok at %2 baud, %3 (%4 s)\n")
        .arg(labelOf(job))
        .arg(result.rate)
        .arg(wrote, seconds);
}

QJsonObject portJson(ModuleJob* job) {
    const PortResult& result = job->result();
    return {
        {QStringLiteral("port"), result.port},
        {QStringLiteral("device"), result.device},
        {QStringLiteral("rate"), result.rate ? QJsonValue(result.rate) : QJsonValue()},
        {QStringLiteral("ok"), result.ok},
        {QStringLiteral("settings"), settingsJson(result.settings)},
        {QStringLiteral("written"), QJsonArray::fromStringList(result.written)},
        {QStringLiteral("error"), result.ok ? QJsonValue() : QJsonValue(result.error)},
        {QStringLiteral("seconds"), result.elapsedMs / 1000.0},
    };
}
} // namespace

Progress::Progress(const QStringList& portLabels, bool wanted)
    : labels(portLabels), lines(portLabels), drawing(wanted && errorIsDrawableTerminal()) {}

void Progress::update(int port, const QString& step, const QString& key, int done, int total) {
    QString line = QStringLiteral("%1  %2").arg(labels[port], step);
    if (!key.isEmpty())
        line += QLatin1Char(' ') + key;
    if (total > 0)
        line += QStringLiteral("  %1 of %2").arg(done).arg(total);
    lines[port] = line;
    redraw();
}

void Progress::redraw() {
    if (!drawing)
        return;
    QString text;
    if (drawn)
        text += QStringLiteral("\x1b[%1A").arg(lines.size());
    for (const QString& line : lines)
        text += QStringLiteral("\r\x1b[K") + line + QLatin1Char('\n');
    drawn = true;
    print(stderr, text);
    std::fflush(stderr);
}

void traceFrame(const QString& label, bool out, const QByteArray& frame, qint64 atMs) {
    print(stderr, QStringLiteral("%1 s  %2  %3  %4\n")
                      .arg(QString::number(atMs / 1000.0, 'f', 3).rightJustified(8), label,
                           out ? QStringLiteral("->") : QStringLiteral("<-"),
                           QString::fromLatin1(frame.toHex(' ').toUpper())));
}

void printResults(const Request& request, const QList<ModuleJob*>& jobs) {
    if (request.json) {
        QJsonArray ports;
        for (ModuleJob* job : jobs)
            ports << portJson(job);
        print(stdout, QString::fromUtf8(
                          QJsonDocument(QJsonObject{{QStringLiteral("ports"), ports}}).toJson()));
        return;
    }
    if (request.command == Request::Command::Read)
        printSettingsTable(jobs);
    // Quiet leaves only the failures, on standard error.
    for (ModuleJob* job : jobs)
        if (!request.quiet)
            print(stdout, resultLine(job));
        else if (!job->result().ok)
            print(stderr, resultLine(job));
}
