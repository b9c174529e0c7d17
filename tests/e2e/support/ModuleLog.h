#pragma once

// What the virtual module prints, read back: its event lines (frames received
// and sent, with time and line rate) and its state line.
#include "ModuleState.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

// "  1234.5 ms  9600  rx  55 AA 02 50 00  (ignored: ...)".
struct ModuleEvent {
    double atMs = 0;
    unsigned rate = 0;
    QString what;     // rx, tx, note, junk, noise, stray
    QByteArray bytes; // the whole frame, for rx and tx
    QString note;     // the text in parentheses after the frame, or the text of a note

    bool isFrame() const { return what == QLatin1String("rx") || what == QLatin1String("tx"); }
    bool isQuery() const;
    // The command type a received frame sets or queries; -1 when there is none.
    int commandType() const;
    // Received at the module's own rate and taken as a command.
    bool heard() const { return what == QLatin1String("rx") && !note.startsWith("ignored"); }
};

std::optional<ModuleEvent> parseModuleEvent(const QString& line);

// The module stamps a frame when it gets to read it, which on a busy machine
// may be this late: two frames written 500 ms apart can look that much closer.
constexpr double noticedLateAtMostMs = 20.0;

// The frames the module received: queries, set commands, or both.
enum class FrameKind { Query, Set, Any };
QList<ModuleEvent> receivedFrames(const QList<ModuleEvent>& events, FrameKind kind);
QList<int> commandTypes(const QList<ModuleEvent>& frames);
// How many events are of this kind ("noise", "stray", ...).
int countOf(const QList<ModuleEvent>& events, const QString& what);
QList<unsigned> rates(const QList<ModuleEvent>& frames);
