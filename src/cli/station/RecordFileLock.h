#pragma once

#include <QString>

// The record's file on the platform's own calls: an exclusive lock held for
// as long as the file stays open, and a sync that returns once the written
// lines are on the disk.

// Takes the lock without waiting. When another process holds it: false,
// with holder its process id where the system tells it (0 otherwise).
bool lockExclusively(int fd, qint64& holder, QString& error);
// False with the system's reason when the data could not be made durable.
bool syncToDisk(int fd, QString& error);
