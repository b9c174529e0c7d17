#pragma once

#include "PortSystem.h"

#include <QString>

// Why the system refused to open a serial device. QSerialPort reports a
// device the user may not open and one that another program holds alike,
// as a permission error; the operator's remedy differs.
struct PortRefusal {
    enum class Cause { Unknown, AccessDenied, InUse, StaleLock };
    Cause cause = Cause::Unknown;
    qint64 holderPid = 0; // from the device's lock file; 0 when it does not say
    QString holderName;   // the holder's program, when the system tells it
    QString lockFile;     // the lock file left behind, for a stale lock
};

// Tells the causes apart by the device's lock file and the user's access
// to the device, after QSerialPort refused it with a permission error.
// Windows refuses a port that another program holds (ERROR_ACCESS_DENIED),
// and has neither lock files nor a group that owns the ports.
PortRefusal explainRefusal(const QString& device, PortSystem system = hostPortSystem());

// The reason the operator reads: what happened and what to do about it.
// Without a known cause, the system's own text.
QString refusalReason(const PortRefusal& refusal, const QString& systemText);

// The lock file QSerialPort takes for the device; empty when it has none,
// as on Windows.
QString portLockFile(const QString& device, PortSystem system = hostPortSystem());
