#pragma once

#include "link/QtSerialPortControl.h"
#include "protocol/FrameReassembler.h"
#include "protocol/Frames.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// One module on one serial port, without a window: opens the port, finds the
// line rate by the window's probe (or takes the rate given), then runs one
// command at a time, paced as the window paces them: a pause before every
// frame, a second for the answer, two resends, then it gives up. Every
// session runs on the one event loop; a session that fails stops itself only.
class PortSession : public QObject {
    Q_OBJECT
public:
    struct Options {
        qint32 rate = 0; // 0: find it
        int handshaking = 0;
        int paceMs = 500;
        int answerMs = 1000;
        int resends = 2;
    };

    using Answered = std::function<void(const Frames::Answer&)>;

    // port: a row name ("COM1" to "COM12", mapped as the window maps it) or
    // a device's path.
    PortSession(const QString& port, const Options& options, QObject* parent = nullptr);

    QString port() const { return portText; }
    QString device() const;
    // "COM1 (/dev/ttyUSB0)", or the device's path alone.
    QString label() const;
    qint32 rate() const { return lineRate; }

    // Opens the port and finds or takes the rate, then calls ready; failed()
    // otherwise.
    void open(const std::function<void()>& ready);
    // One command; what names it in a failure ("the name query").
    void query(Frames::CommandType type, const QString& what, const Answered& answered);
    void set(Frames::CommandType type, const QByteArray& param, const QString& what,
             const Answered& answered);
    // One query, never resent (the firmware version unless another is
    // asked for): is a module there? A missing answer is no failure;
    // missing is called instead.
    void probe(const Answered& answered, const std::function<void()>& missing,
               Frames::CommandType type = Frames::FirmwareVersion);
    // What the session is doing now, for a failure: "reading name".
    void setStep(const QString& step) { currentStep = step; }
    void close();
    // The port itself failed (could not be opened, or was lost), as opposed
    // to the module not answering.
    bool portLost() const { return lost; }

signals:
    void failed(const QString& reason);
    // Detection tries the n-th of total rates.
    void rateTried(qint32 rate, int n, int total);
    // Every frame written (out) or received (in), for tracing.
    void frameSeen(bool out, const QByteArray& frame, qint64 atMs);

private:
    struct Exchange {
        QByteArray frame;
        bool isQuery = false;
        uint8_t type{};
        QString what;
        Answered answered;
        int attempts = 0;
        int resends = -1; // -1: the session's
        std::function<void()> missing;
    };

    void start(Exchange exchange);
    void writeAfterPause();
    void onAnswerMissing();
    void onComm(SerialPortControl::CommEvent event, const QString& description);
    void takeBody(const QByteArray& body);
    void openAt(qint32 rate);
    void probeNextRate();
    void fail(const QString& reason);
    QString withoutLabel(const QString& description) const;

    QString portText;
    Options options;
    QtSerialPortControl serial;
    FrameReassembler receiver;
    QTimer pause;
    QTimer answerWait;
    QElapsedTimer clock;
    Exchange pending;
    bool awaiting = false;
    bool detecting = false;
    bool finished = false;
    bool lost = false;
    int rateIndex = 0;
    qint32 lineRate = 0;
    QString currentStep = QStringLiteral("opening");
    std::function<void()> whenReady;
};
