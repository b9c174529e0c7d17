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
} // namespace Frames
