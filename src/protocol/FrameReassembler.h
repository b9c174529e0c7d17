#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>

// Reassembles frame bodies from the received byte stream, one byte at a time
// while hunting for a frame start and a run at a time while collecting a body.
struct FrameReassembler {
    enum State : int32_t { Hunting = 0, ExpectingAA = 1, ExpectingLength = 2, CollectingBody = 3 };

    State RecvState = Hunting;
    uint8_t RecvLen = 0;
    uint8_t RecvCount = 0;
    QByteArray RecvPacket;

    // Feeds one chunk; every completed body is handed to deliver at once,
    // before the rest of the chunk is looked at. The reassembler is back to
    // hunting before deliver runs, so a body that fails in deliver is never
    // handed on twice and the next frame is still found.
    void ParseData(const QByteArray& dat, const std::function<void(const QByteArray&)>& deliver);

    // Forgets any partial frame.
    void reset() { RecvState = Hunting; }
};
