#pragma once

#include "bytes.h"

#include <cstddef>
#include <vector>

// Frames on the line: 0x55 0xAA, a length byte L, then L body bytes. No checksum, no escaping.
constexpr std::uint8_t kSync1 = 0x55;
constexpr std::uint8_t kSync2 = 0xAA;
constexpr std::size_t kHeaderSize = 3;
constexpr std::size_t kMaxBodyLength = 30;

Bytes encodeFrame(const Bytes& body);

// What the reassembler found in the received bytes, in the order they came.
struct LineEvent {
    enum class Kind {
        Frame,     // bytes: the whole frame, header included
        Oversized, // bytes: the header of a frame whose length byte exceeds kMaxBodyLength
        Junk,      // bytes: a run of bytes that belong to no frame
    };
    Kind kind;
    Bytes bytes;
};

// Byte-at-a-time reassembler. A frame may arrive over any number of reads and several frames may
// arrive in one read; bytes outside frames are reported as junk, not silently lost, so that the log
// shows exactly what came over the line.
class FrameReader {
public:
    void feed(const std::uint8_t* data, std::size_t size, std::vector<LineEvent>& events);
    // Forgets a partly received frame, as a module that restarts would.
    void reset();

private:
    enum class State { Hunting, AfterSync1, ExpectLength, CollectingBody };

    void flushJunk(std::vector<LineEvent>& events);

    State state_ = State::Hunting;
    Bytes frame_;
    std::size_t bodyLength_ = 0;
    Bytes junk_;
};
