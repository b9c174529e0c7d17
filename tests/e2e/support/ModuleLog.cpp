#include "ModuleLog.h"

#include <QRegularExpression>
#include <algorithm>

namespace {
constexpr uint8_t queryMarker = 0x50;
constexpr int headerSize = 3;

uint8_t byteAt(const QByteArray& bytes, int i) {
    return static_cast<uint8_t>(bytes[i]);
}
} // namespace

bool ModuleEvent::isQuery() const {
    return bytes.size() > headerSize + 1 && byteAt(bytes, headerSize) == queryMarker;
}

int ModuleEvent::commandType() const {
    if (what != QLatin1String("rx") || bytes.size() <= headerSize)
        return -1;
    if (isQuery())
        return byteAt(bytes, headerSize + 1);
    return byteAt(bytes, headerSize);
}

std::optional<ModuleEvent> parseModuleEvent(const QString& line) {
    static const QRegularExpression event(
        QStringLiteral("^\\s*([0-9]+\\.[0-9]) ms  ([0-9]+)  (\\S+)  (.*)$"));
    const auto match = event.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    ModuleEvent parsed;
    parsed.atMs = match.captured(1).toDouble();
    parsed.rate = match.captured(2).toUInt();
    parsed.what = match.captured(3);
    const QString rest = match.captured(4);
    if (!parsed.isFrame()) {
        parsed.note = rest;
        return parsed;
    }
    // The frame's bytes, then two spaces and a note in parentheses, if any.
    const qsizetype noteAt = rest.indexOf(QLatin1String("  ("));
    const QString hex = noteAt < 0 ? rest : rest.left(noteAt);
    if (noteAt >= 0)
        parsed.note = rest.mid(noteAt + 3).chopped(1);
    parsed.bytes = QByteArray::fromHex(hex.toLatin1());
    return parsed;
}

QList<ModuleEvent> receivedFrames(const QList<ModuleEvent>& events, FrameKind kind) {
    QList<ModuleEvent> frames;
    for (const ModuleEvent& e : events) {
        if (e.what != QLatin1String("rx") || e.commandType() < 0)
            continue;
        if (kind == FrameKind::Any || (kind == FrameKind::Query) == e.isQuery())
            frames << e;
    }
    return frames;
}

QList<int> commandTypes(const QList<ModuleEvent>& frames) {
    QList<int> types;
    for (const ModuleEvent& e : frames)
        types << e.commandType();
    return types;
}

int countOf(const QList<ModuleEvent>& events, const QString& what) {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const ModuleEvent& e) { return e.what == what; }));
}

QList<unsigned> rates(const QList<ModuleEvent>& frames) {
    QList<unsigned> all;
    for (const ModuleEvent& e : frames)
        all << e.rate;
    return all;
}
