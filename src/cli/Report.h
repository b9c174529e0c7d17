#pragma once

#include "ModuleJob.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the companion prints: a progress line per port on a terminal, every
// frame with --verbose, and at the end the results as text or JSON.
class Progress {
public:
    // Draws only when standard error is a terminal and drawing is wanted.
    Progress(const QStringList& labels, bool wanted);
    void update(int port, const QString& step, const QString& key, int done, int total);

private:
    void redraw();

    QStringList labels;
    QStringList lines;
    bool drawing = false;
    bool drawn = false;
};

void traceFrame(const QString& label, bool out, const QByteArray& frame, qint64 atMs);

// The results: for a read, the settings of every port as a table, then one
// line per port; or the whole as one JSON document.
void printResults(const Request& request, const QList<ModuleJob*>& jobs);
