#pragma once

#include <QString>

// The record's file on the platform's own calls: an exclusive lock held for
// as long as the file stays open, a sync that returns once the written
// lines are on the disk, and the checks that the file can serve as a record.

// Takes the lock without waiting. When another process holds it: false,
// with holder its process id where the system tells it (0 otherwise).
bool lockExclusively(int fd, qint64& holder, QString& error);
// False with the system's reason when the data could not be made durable.
bool syncToDisk(int fd, QString& error);
// Why the open file cannot hold a record, empty when it can: it is not a
// regular file (a pipe would never end, a device never be appended to), or
// it is on a network file system, whose locks may hold on this host only.
QString unfitAsRecord(int fd, const QString& path);
// Makes a file just created durable in its folder: without it, a crash may
// lose the file with every line synced into it.
bool syncFolderOf(const QString& path, QString& error);
