#include "protocol/Frames.h"

namespace Frames {
QByteArray setCommand(uint8_t CmdType, const QByteArray& Param) {
    QByteArray frame;
    frame.reserve(Param.size() + 4);
    frame.append(char(syncFirst)).append(char(syncSecond));
    frame.append(static_cast<char>(Param.size() + 1));
    frame.append(static_cast<char>(CmdType));
    frame.append(Param);
    return frame;
}

QByteArray query(uint8_t CmdType) {
    QByteArray frame;
    frame.append(char(syncFirst)).append(char(syncSecond)).append(char(0x02));
    frame.append(static_cast<char>(queryMarker)).append(static_cast<char>(CmdType));
    return frame;
}
} // namespace Frames
