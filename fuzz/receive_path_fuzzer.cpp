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
// outgrow a frame, or when the window writes a malformed frame.
#include "FakePlatform.h"
#include "protocol/Frames.h"
#include "query/ParamSnapshot.h"
#include "ui/frmParvex.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSet>
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

QString describe(const BoxRequest& box) {
    return QStringLiteral("[title \"%1\", text \"%2\", icon %3, buttons %4]")
        .arg(box.title, box.text)
        .arg(static_cast<int>(box.icon))
        .arg(static_cast<int>(box.buttons));
}

QString key(const QString& title, BoxIcon icon, BoxButtons buttons, const QString& text) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(title)
        .arg(static_cast<int>(icon))
        .arg(static_cast<int>(buttons))
        .arg(text);
}

// Every message box the product can show, with its exact title, icon,
// buttons and text. Failures to open a port carry the system's text; the
// fake port never fails to open, so none of those may appear here.
QSet<QString> productBoxes() {
    QSet<QString> all;
    auto add = [&](const char* title, BoxIcon icon, BoxButtons buttons, const QString& text) {
        all.insert(key(QString::fromLatin1(title), icon, buttons, text));
    };
    const auto ok = BoxButtons::Ok;
    for (const QString& text : {
             QStringLiteral("Port is not opened！"),
             QStringLiteral("Serial port is not opened！"),
             QStringLiteral("Current command execute fail,please try again after reset！！"),
             // A body too short for the answer header: 1 to 3 bytes.
             QStringLiteral("Answer too short: 1 byte"),
             QStringLiteral("Answer too short: 2 bytes"),
             QStringLiteral("Answer too short: 3 bytes"),
         })
        add("Error", BoxIcon::Critical, ok, text);
    add("Information", BoxIcon::Information, ok,
        QStringLiteral("Can not find the current baud rate,please set it manually!"));
    add("Warn", BoxIcon::Exclamation, ok, QStringLiteral("Please input the password！"));
    add("Warn", BoxIcon::Exclamation, ok,
        QStringLiteral("Class of Device must be 6 hexadecimal digits!"));
    for (const char* field : {"Sniff Maximum", "Sniff Minimum", "Sniff attempt", "Sniff timeout",
                              "Park Maximum", "Park Minimum", "Page Scan interval",
                              "Page Scan window", "Inquiry Scan interval", "Inquiry Scan window"})
        add("Warn", BoxIcon::Exclamation, ok,
            QString::fromLatin1(field) + QStringLiteral(" must be 1 to 4 hexadecimal digits!"));
    add("Warn", BoxIcon::Critical, ok,
        QStringLiteral("Page Scan window can not be larger than Page Scan interval!"));
    add("Warn", BoxIcon::Critical, ok,
        QStringLiteral("Inquiry Scan window can not be larger than Inquiry Scan interval!"));
    for (const char* subject :
         {"Baud Rate", "Encryption", "Password", "Sniff Mode Parameter", "Park Mode Parameter",
          "Device Name", "Class of Device", "Master/Slave", "Maximum", "page/inquiry scan", "Bind"})
        add("Confirm", BoxIcon::Information, BoxButtons::YesNo,
            QStringLiteral("Set [%1] timeout,continue?").arg(QString::fromLatin1(subject)));
    return all;
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
    for (qsizetype i = from; i < port.written.size(); ++i) {
        const QByteArray& frame = port.written[i].bytes;
        if (frame.size() < 4 || static_cast<uint8_t>(frame[0]) != 0x55 ||
            static_cast<uint8_t>(frame[1]) != 0xAA ||
            static_cast<uint8_t>(frame[2]) != frame.size() - 3)
            reject("malformed frame written", QString::fromLatin1(frame.toHex(' ')));
    }
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
    static const QSet<QString> allowed = productBoxes();
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
        if (!allowed.contains(key(box.title, box.icon, box.buttons, box.text)))
            reject("message box the product does not define:", describe(box));
        if (boxOpen)
            reject("a second message box opened while one is open:", describe(box));
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
