#include "ProcessFootprint.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {
long residentKb(const QString& process) {
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression vmRss(QStringLiteral("^VmRSS:\\s+(\\d+) kB$"),
                                          QRegularExpression::MultilineOption);
    const auto match = vmRss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

int openDescriptors(const QString& process) {
    // Listing its own, a process holds one more descriptor while it reads.
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(process));
    return fds.exists() ? int(fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()) : -1;
}
} // namespace

Footprint currentFootprint() {
    return {residentKb(QStringLiteral("self")), openDescriptors(QStringLiteral("self"))};
}

Footprint footprintOf(long long pid) {
    return {residentKb(QString::number(pid)), openDescriptors(QString::number(pid))};
}
