#include "protocol/FrameReassembler.h"

#include "protocol/Frames.h"

void FrameReassembler::ParseData(const QByteArray& dat,
                                 const std::function<void(const QByteArray&)>& deliver) {
    qsizetype pos = 0;
    qsizetype remaining = dat.size();
    while (remaining > 0) {
        const auto b = static_cast<uint8_t>(dat[pos]);
        switch (RecvState) {
        case Hunting:
            RecvState = b == Frames::syncFirst ? ExpectingAA : Hunting;
            ++pos;
            --remaining;
            break;
        case ExpectingAA:
            RecvState = b == Frames::syncSecond ? ExpectingLength : Hunting;
            ++pos;
            --remaining;
            break;
        case ExpectingLength:
            RecvLen = b;
            RecvCount = 0;
            // An empty body carries nothing to hand on.
            if (b == 0 || b > Frames::maxBodyLength) {
                RecvState = Hunting;
            } else {
                RecvPacket = QByteArray(b, '\0');
                RecvState = CollectingBody;
            }
            ++pos;
            --remaining;
            break;
        case CollectingBody: {
            const qsizetype need = RecvLen - RecvCount;
            const qsizetype n = remaining > need ? need : remaining;
            for (qsizetype i = 0; i < n; ++i)
                RecvPacket[RecvCount + i] = dat[pos++];
            RecvCount = static_cast<uint8_t>(RecvCount + n);
            remaining -= n;
            if (RecvCount >= RecvLen) {
                RecvState = Hunting;
                const QByteArray body = RecvPacket;
                deliver(body);
            }
            break;
        }
        default:
            RecvState = Hunting;
            break;
        }
    }
}
