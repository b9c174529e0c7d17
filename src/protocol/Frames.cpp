#include "protocol/Frames.h"

namespace Frames {
QByteArray frame(const QByteArray& body) {
    QByteArray bytes;
    bytes.reserve(body.size() + 3);
    bytes.append(char(syncFirst)).append(char(syncSecond));
    bytes.append(static_cast<char>(body.size()));
    bytes.append(body);
    return bytes;
}

QByteArray setCommand(uint8_t CmdType, const QByteArray& Param) {
    return frame(QByteArray(1, static_cast<char>(CmdType)) + Param);
}

QByteArray query(uint8_t CmdType) {
    return frame(QByteArray(1, static_cast<char>(queryMarker)) + static_cast<char>(CmdType));
}

std::optional<Answer> answerOf(const QByteArray& body) {
    if (body.size() < 3 || static_cast<uint8_t>(body[0]) != answerMarker)
        return std::nullopt;
    const bool isQuery = static_cast<uint8_t>(body[2]) == queryMarker;
    if (isQuery && body.size() < 4)
        return std::nullopt;
    const qsizetype typeAt = isQuery ? 3 : 2;
    return Answer{static_cast<uint8_t>(body[1]), isQuery, static_cast<uint8_t>(body[typeAt]),
                  body.mid(typeAt + 1)};
}
} // namespace Frames
