#include "VirtualModuleProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

#include <csignal>

VirtualModuleProcess::VirtualModuleProcess(QObject* parent) : QObject(parent) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&process, &QProcess::readyReadStandardOutput, this, &VirtualModuleProcess::readLines);
}

VirtualModuleProcess::~VirtualModuleProcess() {
    stop();
}

bool VirtualModuleProcess::start(const QString& program, const QString& linkPath,
                                 const QStringList& extraArguments) {
    process.start(program, QStringList{QStringLiteral("--link"), linkPath} + extraArguments);
    if (!process.waitForStarted(5000)) {
        error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(5000);
    while (devicePath.isEmpty() && !deadline.hasExpired() && process.state() == QProcess::Running)
        process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    readLines();
    if (devicePath.isEmpty()) {
        error = QStringLiteral("%1 printed no device").arg(program);
        return false;
    }
    return true;
}

void VirtualModuleProcess::stop() {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(1000);
}

void VirtualModuleProcess::reset() {
    if (process.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process.processId()), SIGHUP);
}

void VirtualModuleProcess::requestState() {
    stateLine.clear();
    if (process.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process.processId()), SIGUSR1);
}

void VirtualModuleProcess::refit() {
    if (process.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process.processId()), SIGUSR2);
}

QString VirtualModuleProcess::processState() const {
    if (process.state() != QProcess::NotRunning)
        return QStringLiteral("running");
    return process.exitStatus() == QProcess::CrashExit
               ? QStringLiteral("ended by a signal (%1)").arg(process.exitCode())
               : QStringLiteral("exited with %1").arg(process.exitCode());
}

void VirtualModuleProcess::readLines() {
    while (process.canReadLine()) {
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        if (line.startsWith(QLatin1String("device: ")))
            devicePath = line.mid(8);
        else if (line.startsWith(QLatin1String("state: ")))
            stateLine = line;
        emit lineRead(line);
    }
}

QString virtualModuleProgram() {
    const QString besideUs =
        QCoreApplication::applicationDirPath() + QStringLiteral("/virtual-module");
    // A directory of that name (the test tree has one) is not the program.
    const QFileInfo beside(besideUs);
    if (beside.isFile() && beside.isExecutable())
        return besideUs;
    return QStringLiteral(VIRTUAL_MODULE_PROGRAM);
}
