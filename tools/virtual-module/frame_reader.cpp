#include "frame_reader.h"

#include <algorithm>
#include <utility>

Bytes encodeFrame(const Bytes& body) {
    Bytes frame(kHeaderSize + body.size());
    frame[0] = kSync1;
    frame[1] = kSync2;
    frame[2] = static_cast<std::uint8_t>(body.size());
    std::copy(body.begin(), body.end(), frame.begin() + kHeaderSize);
    return frame;
}

void FrameReader::feed(const std::uint8_t* data, std::size_t size, std::vector<LineEvent>& events) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        switch (state_) {
        case State::Hunting:
            if (b == kSync1)
                state_ = State::AfterSync1;
            else
                junk_.push_back(b);
            break;
        case State::AfterSync1:
            if (b == kSync2) {
                state_ = State::ExpectLength;
            } else if (b == kSync1) {
                // The earlier 0x55 was noise; this one may still start a frame.
                junk_.push_back(kSync1);
            } else {
                junk_.push_back(kSync1);
                junk_.push_back(b);
                state_ = State::Hunting;
            }
            break;
        case State::ExpectLength:
            flushJunk(events);
            frame_ = {kSync1, kSync2, b};
            bodyLength_ = b;
            if (b > kMaxBodyLength) {
                events.push_back({LineEvent::Kind::Oversized, std::move(frame_)});
                frame_.clear();
                state_ = State::Hunting;
            } else if (b == 0) {
                events.push_back({LineEvent::Kind::Frame, std::move(frame_)});
                frame_.clear();
                state_ = State::Hunting;
            } else {
                state_ = State::CollectingBody;
            }
            break;
        case State::CollectingBody:
            frame_.push_back(b);
            if (frame_.size() == kHeaderSize + bodyLength_) {
                events.push_back({LineEvent::Kind::Frame, std::move(frame_)});
                frame_.clear();
                state_ = State::Hunting;
            }
            break;
        }
    }
    flushJunk(events);
}

void FrameReader::reset() {
    state_ = State::Hunting;
    frame_.clear();
    bodyLength_ = 0;
    junk_.clear();
}

void FrameReader::flushJunk(std::vector<LineEvent>& events) {
    if (junk_.empty())
        return;
    events.push_back({LineEvent::Kind::Junk, std::move(junk_)});
    junk_.clear();
}
