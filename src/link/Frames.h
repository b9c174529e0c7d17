#pragma once

#include <QByteArray>
#include <cstdint>

// Frames on the line: 0x55 0xAA, the body length, the body.
namespace Frames {
constexpr uint8_t queryMarker = 0x50;
constexpr uint8_t answerMarker = 0x60;
// Longest body the receiver accepts.
constexpr int maxBodyLength = 30;

// Body: the command type, then the parameter bytes (at most 254).
QByteArray setCommand(uint8_t CmdType, const QByteArray& Param);
// Body: the query marker, then the command type.
QByteArray query(uint8_t CmdType);
} // namespace Frames
