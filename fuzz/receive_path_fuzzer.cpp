// Feeds arbitrary bytes through the window's receive path and dispatcher, on
// the fake port with the fake sleep and scripted message boxes.
//
// Input layout:
//   byte 0      setup: bit 0 connects with baud-rate detection on (the first
//               firmware-version answer ends it), else with it off (the read
//               starts at once); bit 1 answers the first Yes/No box Yes, else
//               No; the answers alternate from there.
//   then chunks: a header byte h and up to h & 0x3F bytes that arrive on the
//               line together and are read at once. Bit 6 of h presses
//               Default before the chunk, else every text field is emptied
//               first; bit 7 lets a due retry tick run after the chunk. A
//               due detection step always runs. While a message box is open,
//               the next chunk arrives and the ticks fall due inside it.
//
// Every input gets a fresh window, so a finding replays alone. Besides the
// sanitizers, the input is rejected (abort) when a message box the product
// does not define is shown, when a box opens while another is open, when
// anything is written while a box is open, when the reassembler or the command buffers
// outgrow a frame, or when the window writes a frame that is malformed or not one of its
// commands.
#include "FakePlatform.h"
#include "ProductBoxes.h"
#include "WindowFrames.h"
#include "protocol/Frames.h"
#include "query/ParamSnapshot.h"
#include "ui/frmParvex.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
QApplication* application = nullptr;

[[noreturn]] void reject(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "receive_path_fuzzer: %s %s\n", what, qPrintable(detail));
    std::abort();
}

void emptyTextFields(frmParvex& w) {
    for (QLineEdit* box :
         {w.txtPwd, w.txtMaxConnNum, w.txtBDName, w.txtClassOfDevice, w.txtPsInterval,
          w.txtPsWindow, w.txtIsInterval, w.txtIsWindow, w.txtSniffMaxIntval, w.txtSniffMinIntval,
          w.txtAttempt, w.txtTimeout, w.txtParkMaxIntval, w.txtParkMinIntval})
        box->clear();
}

void checkBounded(const frmParvex& w) {
    const FrameReassembler& r = w.receiver;
    if (r.RecvState < FrameReassembler::Hunting || r.RecvState > FrameReassembler::CollectingBody)
        reject("reassembler in an unknown state", QString::number(r.RecvState));
    if (r.RecvPacket.size() > Frames::maxBodyLength)
        reject("reassembler body outgrew a frame", QString::number(r.RecvPacket.size()));
    if (r.RecvState == FrameReassembler::CollectingBody &&
        (r.RecvCount >= r.RecvLen || r.RecvLen != r.RecvPacket.size()))
        reject("reassembler collecting past its length",
               QStringLiteral("%1/%2").arg(r.RecvCount).arg(r.RecvLen));
    if (w.ParamBuf.size() > Frames::maxBodyLength || w.CurCmdParam.size() > Frames::maxBodyLength)
        reject("command bytes outgrew a frame",
               QStringLiteral("%1 %2").arg(w.ParamBuf.size()).arg(w.CurCmdParam.size()));
    if (w.handlersHeld())
        reject("receive path still closed after the read");
}

void checkWritten(const FakePort& port, qsizetype from) {
    for (qsizetype i = from; i < port.written.size(); ++i)
        if (const QString fault = faultOfWrittenFrame(port.written[i].bytes); !fault.isEmpty())
            reject("frame the window cannot send:", fault);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QApplication(*argc, *argv);
    return 0;
}

namespace {
// The chunks of an input, taken one by one by the main loop and by boxes
// that open meanwhile.
struct Chunks {
    const uint8_t* data;
    size_t size;
    size_t pos = 1;

    bool next(uint8_t& header, QByteArray& bytes) {
        if (pos >= size)
            return false;
        header = data[pos++];
        const size_t length = std::min<size_t>(header & 0x3F, size - pos);
        bytes =
            QByteArray(reinterpret_cast<const char*>(data + pos), static_cast<qsizetype>(length));
        pos += length;
        return true;
    }
};

// The ticks that fall due while the window waits, and the events posted
// meanwhile.
void tickAndProcess(WindowUnderTest& w, bool retryTick) {
    if (retryTick && w->RetryTimer->isActive())
        w->RetryTimer_Timer();
    if (w->TimeoutTimer->isActive())
        w->TimeoutTimer_Timer();
    deliverQueuedCalls();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t setup = data[0];
    // The snapshot outlives windows; a fresh window stands for a fresh run.
    ParamSnapshot.clear();
    WindowUnderTest w;
    Chunks chunks{data, size};
    bool answerYes = (setup & 0x02) != 0;
    bool boxOpen = false;
    // While a box is open the next chunk arrives and the timers fall due, as
    // in the nested event loop of a real box; none of it may act before the
    // box is closed.
    w.boxes.whileOpen = [&](const BoxRequest& box) {
        if (!isProductBox(box))
            reject("message box the product does not define:", describeBox(box));
        if (boxOpen)
            reject("a second message box opened while one is open:", describeBox(box));
        if (box.buttons == BoxButtons::YesNo) {
            w.boxes.answers.push_back(answerYes ? BoxAnswer::Yes : BoxAnswer::No);
            answerYes = !answerYes;
        }
        uint8_t header = 0;
        QByteArray bytes;
        if (!chunks.next(header, bytes))
            return;
        boxOpen = true;
        const qsizetype writtenBefore = w.port->written.size();
        w.port->receive(bytes);
        w->RecvDataSub();
        tickAndProcess(w, header & 0x80);
        if (w.port->written.size() != writtenBefore)
            reject("written while a box is open");
        boxOpen = false;
    };

    if (setup & 0x01) {
        w->bAutoDetect->setChecked(true);
        w->bAutoDetect_Click();
        w->CmdConn_Click();
    } else {
        w.connectWithoutDetection();
    }

    uint8_t header = 0;
    QByteArray bytes;
    while (chunks.next(header, bytes)) {
        if (header & 0x40)
            w->CmdSetDefault_Click();
        else
            emptyTextFields(*w.window);
        const qsizetype writtenBefore = w.port->written.size();
        w.port->receive(bytes);
        w->RecvDataSub();
        tickAndProcess(w, header & 0x80);
        // What a box held back is handed back once it closed; a read handed
        // back may open a box in which more arrives, handed back in the next
        // turn of the event loop.
        for (int turn = 0; turn < 256 && !w.port->waiting.isEmpty(); ++turn)
            deliverQueuedCalls();
        if (!w.port->waiting.isEmpty())
            reject("bytes left unread on the line");
        checkBounded(*w.window);
        checkWritten(*w.port, writtenBefore);
    }
    return 0;
}
