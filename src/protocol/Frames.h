#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

// Frames on the line: the two sync bytes, the body length, the body.
namespace Frames {
constexpr uint8_t syncFirst = 0x55;
constexpr uint8_t syncSecond = 0xAA;
constexpr uint8_t queryMarker = 0x50;
constexpr uint8_t answerMarker = 0x60;
// Longest body the receiver accepts.
constexpr int maxBodyLength = 30;

// The command types: one code serves the set command, the query and the
// answer. 11 and 12 are not used.
enum CommandType : uint8_t {
    FirmwareVersion = 0,
    BaudRate = 1,
    Security = 2,
    Password = 3,
    SniffMode = 4,
    ParkMode = 5,
    DeviceName = 6,
    ClassOfDevice = 7,
    MasterSlave = 8,
    MaximumConnections = 9,
    ClearBoundAddress = 10,
    ScanParameters = 13,
    Bind = 14,
};

// The two sync bytes, the body's length, the body (at most 255 bytes).
QByteArray frame(const QByteArray& body);
// Body: the command type, then the parameter bytes (at most 254).
QByteArray setCommand(uint8_t CmdType, const QByteArray& Param);
// Body: the query marker, then the command type.
QByteArray query(uint8_t CmdType);

// An answer body taken apart: the answer marker, the status (0 done), then
// the query marker, the type and the data for a query answer, or the type
// alone for a set answer.
struct Answer {
    uint8_t status = 0;
    bool isQuery = false;
    uint8_t type = 0;
    QByteArray data;
};
std::optional<Answer> answerOf(const QByteArray& body);
} // namespace Frames
