#include "WindowFrames.h"

#include <QList>
#include <cstdint>

namespace {
constexpr uint8_t queryMarker = 0x50;
constexpr int longestBody = 30;

// The parameter lengths of the set commands the window sends. A text box
// can hold up to what the module reports, 26 bytes, though less is typed.
struct SetCommandShape {
    uint8_t type;
    int minLength;
    int maxLength;
};

const QList<SetCommandShape> setCommands = {
    {1, 2, 2}, {2, 1, 1}, {3, 0, 26}, {4, 8, 8},  {5, 4, 4},  {6, 0, 26},
    {7, 3, 3}, {8, 1, 1}, {10, 1, 1}, {13, 8, 8}, {14, 1, 1},
};

const QList<uint8_t> queryTypes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14};

QString hex(const QByteArray& frame) {
    return QString::fromLatin1(frame.toHex(' '));
}

bool isFlag(uint8_t type) {
    return type == 2 || type == 8 || type == 10 || type == 14;
}
} // namespace

QString faultOfWrittenFrame(const QByteArray& frame) {
    if (frame.size() < 4 || static_cast<uint8_t>(frame[0]) != 0x55 ||
        static_cast<uint8_t>(frame[1]) != 0xAA ||
        static_cast<uint8_t>(frame[2]) != frame.size() - 3 || frame.size() - 3 > longestBody)
        return QStringLiteral("malformed frame ") + hex(frame);
    const QByteArray body = frame.mid(3);
    if (static_cast<uint8_t>(body[0]) == queryMarker) {
        if (body.size() == 2 && queryTypes.contains(static_cast<uint8_t>(body[1])))
            return {};
        return QStringLiteral("no such query ") + hex(frame);
    }
    const auto type = static_cast<uint8_t>(body[0]);
    const int length = static_cast<int>(body.size() - 1);
    for (const SetCommandShape& shape : setCommands) {
        if (shape.type != type)
            continue;
        if (length < shape.minLength || length > shape.maxLength)
            break;
        // Flags carry 0 or 1; the clear command always 0.
        if (!isFlag(type) || static_cast<uint8_t>(body[1]) <= (type == 10 ? 0 : 1))
            return {};
    }
    return QStringLiteral("no such set command ") + hex(frame);
}
