#include "StationCommand.h"

#include "Journal.h"
#include "StationRun.h"
#include "StationView.h"
#include "cli/Console.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>

namespace {
constexpr int recordFailed = 1;
constexpr int badInput = 2;

void printError(const QString& message) {
    std::fprintf(stderr, "parvex-cli: %s\n", message.toLocal8Bit().constData());
}

// --verbose: how long the store takes, on standard error.
void traceStore(SharedStore& store) {
    QObject::connect(&store, &SharedStore::numberTaken, &store, [](qint64 serial, double ms) {
        std::fprintf(stderr, "store: number %lld taken in %.2f ms\n",
                     static_cast<long long>(serial), ms);
    });
    QObject::connect(&store, &SharedStore::resultLanded, &store, [](double ms) {
        std::fprintf(stderr, "store: a result landed in %.2f ms\n", ms);
    });
}

} // namespace

int runStation(const Request& request) {
    StationRun run;
    StationRun::Refusal refusal;
    if (!run.open(request, refusal)) {
        printError(refusal.reason);
        return badInput;
    }
    if (!run.warning().isEmpty())
        printError(QStringLiteral("warning: %1").arg(run.warning()));
    Station& station = run.station();
    SharedStore* store = run.store();
    QString error;
    StationView::Choices choices{request.json, request.quiet, {}};
    if (store)
        choices.storeState = [&station] { return station.storeState(); };
    StationView view(station.lanes(), station.counts(), choices);
    QObject::connect(&station, &Station::storeChanged, &view, &StationView::redraw);
    if (store && request.verbose)
        traceStore(*store);
    QObject::connect(&station, &Station::lineWritten, &view, &StationView::onLineWritten);
    int status = 0;
    if (station.begin(error)) {
        QObject::connect(&station, &Station::finished, qApp, [&status](int ending) {
            status = ending;
            QCoreApplication::quit();
        });
        onInterruptCall(qApp, [&station] { station.stop(); });
        QTimer::singleShot(0, &station, &Station::start);
        QCoreApplication::exec();
    }
    view.printSummary();
    interruptSettled();
    if (!station.failure().isEmpty()) {
        printError(QStringLiteral("cannot write the record: %1").arg(station.failure()));
        return recordFailed;
    }
    return status;
}

namespace {
// A record read whole for the summary; why it cannot be, naming nothing of
// its path.
QString readRecord(const QString& path, RecordText& record) {
    // A pipe or a device is never opened: it may never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QString error;
    const QByteArray text = readWholeRecord(file, error);
    if (!error.isEmpty())
        return error;
    record = RecordText::parse(text);
    return record.error;
}
} // namespace

// The store's lines, summed up as records are, a record per name pattern.
int summaryOfTheStore(const Request& request, RecordSummary& summary) {
    QString error;
    const QList<QJsonObject> lines =
        readSharedStore(request.store, request.stationId, request.since, request.until, error);
    if (!error.isEmpty()) {
        printError(QStringLiteral("--store: %1").arg(error));
        return badInput;
    }
    QJsonValue pattern = QJsonValue::Undefined;
    for (const QJsonObject& line : lines) {
        if (line.value(QLatin1String("pattern")) != pattern) {
            pattern = line.value(QLatin1String("pattern"));
            summary.beginRecord();
        }
        summary.add(line);
    }
    return 0;
}

int runSummary(const Request& request) {
    RecordSummary summary;
    if (!request.store.isEmpty()) {
        if (const int status = summaryOfTheStore(request, summary); status != 0)
            return status;
    }
    for (const QString& path : request.files) {
        RecordText record;
        const QString unreadable = readRecord(path, record);
        if (!unreadable.isEmpty()) {
            printError(QStringLiteral("%1: %2").arg(path, unreadable));
            return badInput;
        }
        if (record.tornLine > 0)
            printError(QStringLiteral("warning: %1: line %2 was cut short (no newline): it is "
                                      "not counted")
                           .arg(path)
                           .arg(record.tornLine));
        summary.beginRecord();
        for (qsizetype i = 0; i < record.lines.size(); ++i) {
            const QString wrong = summary.add(record.lines[i]);
            if (!wrong.isEmpty()) {
                printError(QStringLiteral("%1: line %2: %3")
                               .arg(path)
                               .arg(record.lineNumbers[i])
                               .arg(wrong));
                return badInput;
            }
        }
    }
    const QString text =
        request.json ? QString::fromUtf8(QJsonDocument(summary.json()).toJson()) : summary.text();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}
