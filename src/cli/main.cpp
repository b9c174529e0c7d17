// parvex-cli: reads, writes and checks modules on many ports at once.
#include "Console.h"
#include "ModuleJob.h"
#include "Report.h"
#include "Request.h"
#include "station/StationCommand.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace {
enum ExitStatus { AllSucceeded = 0, SomeFailed = 1, BadInput = 2, Interrupted = 130 };
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("parvex-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARVEX_VERSION));

    const ParsedRequest parsed = parseCommandLine(QCoreApplication::arguments());
    if (parsed.done)
        return AllSucceeded;
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "parvex-cli: %s\nTry 'parvex-cli --help'.\n",
                     parsed.error.toLocal8Bit().constData());
        return BadInput;
    }
    const Request& request = parsed.request;
    if (request.command == Request::Command::Station)
        return runStation(request);
    if (request.command == Request::Command::Summary)
        return runSummary(request);

    QList<ModuleJob*> jobs;
    QStringList labels;
    for (const QString& port : request.ports) {
        jobs << new ModuleJob(request, port, &app);
        labels << jobs.last()->session().label();
    }
    Progress progress(labels, !request.quiet && !request.verbose);
    int unfinished = static_cast<int>(jobs.size());
    bool interrupted = false;
    for (int i = 0; i < jobs.size(); ++i) {
        ModuleJob* job = jobs[i];
        QObject::connect(job, &ModuleJob::progressed, &app,
                         [&progress, i](const QString& step, const QString& key, int done,
                                        int total) { progress.update(i, step, key, done, total); });
        if (request.verbose)
            QObject::connect(&job->session(), &PortSession::frameSeen, &app,
                             [label = labels[i]](bool out, const QByteArray& frame, qint64 atMs) {
                                 traceFrame(label, out, frame, atMs);
                             });
        QObject::connect(job, &ModuleJob::finished, &app, [&unfinished] {
            if (--unfinished == 0)
                QCoreApplication::quit();
        });
    }
    onInterruptCall(&app, [&] {
        interrupted = true;
        for (ModuleJob* job : jobs)
            job->interrupt();
    });
    QTimer::singleShot(0, &app, [&jobs] {
        for (ModuleJob* job : jobs)
            job->start();
    });
    if (unfinished > 0)
        QCoreApplication::exec();

    printResults(request, jobs);
    interruptSettled();
    if (interrupted)
        return Interrupted;
    for (ModuleJob* job : jobs)
        if (!job->result().ok)
            return SomeFailed;
    return AllSucceeded;
}
