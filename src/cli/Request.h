#pragma once

#include "protocol/Parameters.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What the command line asks for, every value checked.
struct Request {
    enum class Command { Read, Set, Apply, Default, Clear, Detect, Station, Summary };

    Command command = Command::Read;
    QStringList ports;
    // The values to write, canonical, in read order whatever order they were
    // given in (set, apply, default).
    QList<QPair<const Parameters::Parameter*, QString>> values;
    qint32 rate = 0; // 0: find it
    int handshaking = 0;
    int paceMs = 500;
    bool json = false;
    bool verbose = false;
    bool quiet = false;

    // The station's own.
    QString record = QStringLiteral("parvex-station.jsonl");
    QString namePattern; // empty: no number is taken
    QString store;       // the line's store (a libpq URI); empty: the record alone
    QDate since;         // summary --store: the days summed up (null: open)
    QDate until;
    qint64 first = 1;
    int quota = 0; // 0: none
    QString stationId;
    QByteArray profileDigest; // SHA-256 of the profile as given, in hex
    // The records a summary reads.
    QStringList files;
};

// The command line's verdict: a request, or the message for a bad one.
struct ParsedRequest {
    Request request;
    QString error;
    bool done = false; // --help or --version was answered
};

ParsedRequest parseCommandLine(const QStringList& arguments);
