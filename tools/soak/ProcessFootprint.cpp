#include "ProcessFootprint.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {
long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression vmRss(QStringLiteral("^VmRSS:\\s+(\\d+) kB$"),
                                          QRegularExpression::MultilineOption);
    const auto match = vmRss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

int openDescriptors() {
    // The listing itself holds one descriptor while it reads the folder.
    const QDir fds(QStringLiteral("/proc/self/fd"));
    return fds.exists() ? int(fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()) : -1;
}
} // namespace

Footprint currentFootprint() {
    return {residentKb(), openDescriptors()};
}
