// Randomized operator sessions: a seeded mix of the operator's actions and of
// what the line does, against the module model on the fake port. Invariants
// are checked after every step, and once the line has gone quiet at the end.
//
//   randomized_sessions_test                  the fixed seeds of the suite
//   randomized_sessions_test --seconds N      fresh seeds for N seconds
//   randomized_sessions_test --seed S         one session
//   randomized_sessions_test --replay LIST    one action list, as a failure prints it
//
// SESSION_TRACE=1 prints the window's state after every step of a replay.
// A failure prints its seed and the shortest action list that still fails.
#include "ProductBoxes.h"
#include "ScriptedModule.h"
#include "WindowFrames.h"
#include "WindowHelpers.h"
#include "protocol/BaudCodes.h"
#include "protocol/HexText.h"
#include "ui/TypingLimit.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <optional>
#include <random>
#include <tuple>
#include <utility>

namespace {
struct Step {
    int action;
    uint32_t arg;
};
using Steps = std::vector<Step>;

// A session replays from the seed of its module and its steps.
struct Script {
    uint32_t moduleSeed;
    Steps steps;
};

std::mt19937& moduleSettingsOf(std::mt19937& rng, Settings& s) {
    auto word = [&] { return static_cast<uint16_t>(rng()); };
    auto text = [&](int longest) {
        Bytes bytes(rng() % (longest + 1));
        for (auto& b : bytes)
            b = static_cast<uint8_t>(0x20 + rng() % 0x5F);
        return bytes;
    };
    static const uint16_t codes[] = {0, 5, 10, 20, 39, 79, 157, 236, 472, 944, 40};
    s.name = text(20);
    s.password = text(8);
    if (s.password.empty())
        s.password = {'0'};
    s.security = rng() % 2;
    s.baudCode = codes[rng() % std::size(codes)];
    s.sniff = {word(), word(), word(), word()};
    s.park = {word(), word()};
    s.master = rng() % 2;
    s.classOfDevice = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    s.bind = rng() % 2;
    s.scan = {word(), word(), word(), word()};
    s.maxConnections = static_cast<uint8_t>(rng());
    return rng;
}

Settings randomModule(uint32_t seed) {
    std::mt19937 rng(seed);
    Settings s = factorySettings();
    moduleSettingsOf(rng, s);
    return s;
}

// The settable parameters, as the Set action compares them with the
// snapshot and as the module holds them.
enum class Kind { Flag, Text, Words, ClassOfDevice, Baud };
struct Field {
    const char* name;
    uint8_t type;
    Kind kind;
    QStringList (*shown)(const frmParvex&);
    QStringList (*held)(const ParamSnapshotFields&);
};

QString flag(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

const std::array<Field, 10> fields{{
    {"security", 2, Kind::Flag, [](const frmParvex& w) { return QStringList{flag(w.IsAuth)}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.Auth}; }},
    {"password", 3, Kind::Text, [](const frmParvex& w) { return QStringList{w.txtPwd->text()}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.Pwd}; }},
    {"class of device", 7, Kind::ClassOfDevice,
     [](const frmParvex& w) { return QStringList{w.txtClassOfDevice->text()}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.ClassOfDevice}; }},
    {"device name", 6, Kind::Text,
     [](const frmParvex& w) { return QStringList{w.txtBDName->text()}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.BDName}; }},
    {"role", 8, Kind::Flag, [](const frmParvex& w) { return QStringList{flag(w.IsMaster)}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.Master}; }},
    {"park", 5, Kind::Words,
     [](const frmParvex& w) {
         return QStringList{w.txtParkMaxIntval->text(), w.txtParkMinIntval->text()};
     },
     [](const ParamSnapshotFields& s) { return s.Park; }},
    {"sniff", 4, Kind::Words,
     [](const frmParvex& w) {
         return QStringList{w.txtSniffMaxIntval->text(), w.txtSniffMinIntval->text(),
                            w.txtAttempt->text(), w.txtTimeout->text()};
     },
     [](const ParamSnapshotFields& s) { return s.Sniff; }},
    {"baud rate", 1, Kind::Baud,
     [](const frmParvex& w) { return QStringList{w.paramBaudRate->currentText()}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.BaudRate}; }},
    {"scan", 13, Kind::Words,
     [](const frmParvex& w) {
         return QStringList{w.txtPsInterval->text(), w.txtPsWindow->text(), w.txtIsInterval->text(),
                            w.txtIsWindow->text()};
     },
     [](const ParamSnapshotFields& s) { return s.Scan; }},
    {"bind", 14, Kind::Flag, [](const frmParvex& w) { return QStringList{flag(w.chkIsBind)}; },
     [](const ParamSnapshotFields& s) { return QStringList{s.Bind}; }},
}};

// The parameter bytes the window's texts stand for, or nothing when a Set
// would refuse them.
std::optional<QByteArray> bytesShown(Kind kind, const QStringList& texts) {
    QByteArray all;
    for (const QString& text : texts) {
        QByteArray part;
        switch (kind) {
        case Kind::Flag:
            part = QByteArray(1, text == QLatin1String("1") ? '\1' : '\0');
            break;
        case Kind::Text:
            part = text.toLatin1();
            break;
        case Kind::Words:
            if (text.isEmpty() || text.size() > 4 ||
                !StrHexToHex(text.rightJustified(4, QLatin1Char('0')), part))
                return std::nullopt;
            break;
        case Kind::ClassOfDevice:
            if (text.size() > 6 || !StrHexToHex(text.rightJustified(6, QLatin1Char('0')), part))
                return std::nullopt;
            break;
        case Kind::Baud: {
            const auto code = BaudCodes::codeOfText(text);
            if (!code)
                return std::nullopt;
            part = bytes({*code >> 8, *code & 0xFF});
            break;
        }
        }
        all += part;
    }
    return all;
}

// Whether the next Set sends the field: grouped texts box by box, check
// boxes as numbers, everything while no snapshot is held.
bool setWouldSend(const Field& field, const frmParvex& w) {
    if (!ParamSnapshot.Held)
        return true;
    const QStringList shown = field.shown(w);
    const QStringList held = field.held(ParamSnapshot);
    if (field.kind == Kind::Flag)
        return shown[0].toInt() != held.value(0).toInt();
    return shown != held;
}

// Why a field may show a value the module does not hold while the next Set
// would not send it: each is a rule of the product, not a fault.
enum class Excuse {
    // The Set took its snapshot when it sent the command, which the module
    // then refused or never heard.
    SetNotApplied,
    // A read answer refused, cut short or replaced leaves the field as the
    // read's start cleared it, and the snapshot takes that.
    ReadLeftItEmpty,
    // A window that does not fit its scan interval stops the Set after the
    // commands before it went out, and no snapshot records them.
    SetStoppedBeforeSnapshot,
    // A read answer the window was not waiting for (one repeated, or late
    // from an earlier read) runs the rest of the chain all the same; its end
    // takes the snapshot of a read still under way, fields it cleared
    // included, and enables Set until a read that waited for its end ends.
    AnswerNotAwaited,
};

class Session;
struct Action {
    const char* name;
    int weight;
    void (*act)(Session&, uint32_t arg);
};
extern const std::vector<Action> actions;

class Session {
public:
    explicit Session(uint32_t moduleSeed) : module(*w.port, randomModule(moduleSeed)), openings(0) {
        ParamSnapshot.clear();
        module.hearsOnlyAtRate = lineRate;
        module.fateOf = [this](const Command&) { return std::exchange(nextFate, Fate::Answer); };
        module.deliver = [this](const QByteArray& frame, const Command& command,
                                const Outcome& outcome) { heard(frame, command, outcome); };
        w.boxes.whileOpen = [this](const BoxRequest& box) { boxShown(box); };
        QObject::connect(w.window.get(), &frmParvex::statusShown, [this](const QString& msg) {
            if (msg == QLatin1String("Querying the version of Firmware......"))
                readOutstanding = true;
            else if (msg == QStringLiteral("Query complete！"))
                readOutstanding = false;
        });
    }

    // The first broken invariant, or empty.
    QString run(const Steps& steps) {
        for (const Step& step : steps) {
            stepArg = step.arg;
            boxesThisStep = 0;
            firstFrameOfStep = w.port->written.size();
            scanCheckStoppedSet = false;
            actions[step.action].act(*this, step.arg);
            settleQueuedCalls();
            if (qEnvironmentVariableIsSet("SESSION_TRACE"))
                std::printf("%s:%u -> status \"%s\", set %d, inquiry %d, snapshot %d, line %zu\n",
                            actions[step.action].name, step.arg, qPrintable(w.status()),
                            w->CmdSet->isEnabled(), w->CmdQuery->isEnabled(), ParamSnapshot.Held,
                            line.size());
            checkAfterStep();
            if (!fault.isEmpty())
                return fault;
        }
        checkOnceQuiet();
        return fault;
    }

    frmParvex& window() { return *w.window; }

    // Operator actions.
    void pressConnect(uint32_t arg) {
        if (!portShownOpen()) {
            static const char* rates[] = {"9600", "9600", "9600", "1200", "19200", "115200"};
            w->bAutoDetect->setChecked(arg & 1);
            w->bAutoDetect_Click();
            w->ConnBaudRate->setCurrentText(QString::fromLatin1(rates[(arg >> 1) % 6]));
        }
        w->CmdConn_Click();
    }
    void press(QPushButton* button, void (frmParvex::*handler)()) {
        // The operator reaches only enabled buttons.
        if (button->isEnabled())
            (w.window.get()->*handler)();
    }
    void edit(uint32_t arg) {
        frmParvex& f = *w.window;
        const std::array<QLineEdit*, 13> boxes{f.txtPwd,
                                               f.txtBDName,
                                               f.txtClassOfDevice,
                                               f.txtSniffMaxIntval,
                                               f.txtSniffMinIntval,
                                               f.txtAttempt,
                                               f.txtTimeout,
                                               f.txtParkMaxIntval,
                                               f.txtParkMinIntval,
                                               f.txtPsInterval,
                                               f.txtPsWindow,
                                               f.txtIsInterval,
                                               f.txtIsWindow};
        const std::array<QCheckBox*, 3> checks{f.IsAuth, f.IsMaster, f.chkIsBind};
        const uint32_t controls = boxes.size() + checks.size() + 1;
        const uint32_t which = arg % controls;
        arg /= controls;
        if (which < boxes.size()) {
            const int limit = typingLimitOf(boxes[which]);
            const bool text = boxes[which] == f.txtPwd || boxes[which] == f.txtBDName;
            boxes[which]->setText(editedText(arg, text).left(limit < 0 ? 6 : limit));
        } else if (which < boxes.size() + checks.size()) {
            QCheckBox* box = checks[which - boxes.size()];
            box->setChecked(!box->isChecked());
        } else {
            f.paramBaudRate->setCurrentIndex(static_cast<int>(arg % f.paramBaudRate->count()));
        }
    }
    void moveFocus(uint32_t arg) {
        frmParvex& f = *w.window;
        static const std::array<void (frmParvex::*)(), 5> leaving{
            &frmParvex::txtClassOfDevice_LostFocus, &frmParvex::txtPsInterval_LostFocus,
            &frmParvex::txtPsWindow_LostFocus, &frmParvex::txtIsInterval_LostFocus,
            &frmParvex::txtIsWindow_LostFocus};
        const uint32_t which = arg % (leaving.size() + 2);
        const int position = static_cast<int>(arg >> 3) & 1;
        if (which < leaving.size()) {
            (f.*leaving[which])();
        } else if (which == leaving.size()) {
            f.SniffSlider->setSliderPosition(position);
            f.SniffSlider_Click();
        } else {
            f.ParkSlider->setSliderPosition(position);
            f.ParkSlider_Click();
        }
    }

    // Line events.
    void answer(uint32_t arg) {
        if (line.empty())
            return read();
        const Pending next = takeNext();
        const int copies = arg % 8 == 0 ? 2 : 1;
        const qsizetype split = arg % 3 == 0 ? (arg >> 3) % next.frame.size() : 0;
        for (int copy = 0; copy < copies; ++copy) {
            put(next.frame.left(split));
            read();
            put(next.frame.mid(split));
            read();
        }
    }
    void loseAnswer(uint32_t) {
        if (!line.empty())
            line.pop_front();
    }
    void cutAnswer(uint32_t arg) {
        if (line.empty() || line.front().frame.size() <= 3)
            return;
        Pending& next = line.front();
        const qsizetype body = next.frame.size() - 3;
        next.frame = frameOf(next.frame.mid(3, static_cast<qsizetype>(arg % body)));
        next.intact = false;
        if (next.query)
            excuse(next.type, Excuse::ReadLeftItEmpty);
    }
    void noise(uint32_t arg) {
        QByteArray junk;
        for (uint32_t n = 1 + arg % 5; n > 0; --n, arg = arg * 1103515245u + 12345u)
            junk.append(static_cast<char>(arg >> 24));
        put(junk);
        read();
    }
    void notAnAnswer(uint32_t arg) {
        const QByteArray bodies[] = {bytes({0x61, 0x00, 0x01}), bytes({0x60}),
                                     bytes({0x60, 0x00}),       bytes({0x60, 0x00, 0x50}),
                                     bytes({0x60, 0x00, 0x0B}), {}};
        put(frameOf(bodies[arg % std::size(bodies)]));
        read();
    }
    void nextCommand(ScriptedModule::Fate fate) { nextFate = fate; }
    void vanish() {
        if (w.port->open)
            w.port->vanish(lossText);
    }
    void retryTick() {
        if (w->RetryTimer->isActive())
            w->RetryTimer_Timer();
    }
    void detectionTick() {
        if (w->TimeoutTimer->isActive())
            w->TimeoutTimer_Timer();
    }
    void read() { w->RecvDataSub(); }

private:
    using Fate = ScriptedModule::Fate;
    static constexpr unsigned lineRate = 9600;
    const QString lossText = QStringLiteral("No such device");

    struct Pending {
        QByteArray frame;
        uint8_t type;
        bool query;
        bool intact;
        QByteArray param;
        int serial;
    };

    static QString editedText(uint32_t arg, bool text) {
        static const char* odd[] = {"", " ", "xyz", " 12", "12 ", "12345", "g0", "ffff", "-1"};
        static const char digits[] = "0123456789ABCDEFabcdef";
        const uint32_t form = arg % 4;
        arg /= 4;
        if (form == 0)
            return QString::fromLatin1(odd[arg % std::size(odd)]);
        QString out;
        for (uint32_t n = text ? arg % 15 : 1 + arg % 6; n > 0; --n) {
            arg = arg * 1103515245u + 12345u;
            out += text ? QChar(0x20 + (arg >> 16) % 0x5F) : QChar(digits[(arg >> 16) % 22]);
        }
        return out;
    }

    bool portShownOpen() const { return w.window->CmdConn->text() == QLatin1String("Disconnect"); }

    void put(const QByteArray& bytes) {
        // A closed port hears nothing.
        if (w.port->open)
            w.port->receive(bytes);
    }

    Pending takeNext() {
        Pending next = line.front();
        line.pop_front();
        const bool awaited = w->QueryActive == frmParvex::True && next.type == w->CurCmdType;
        if (next.query && !awaited)
            for (uint8_t type = 0; type < excuses.size(); ++type)
                excuse(type, Excuse::AnswerNotAwaited);
        // Only the end of a read that waited for it takes a snapshot of the
        // module's values again.
        if (next.query && awaited && next.type == 14)
            for (unsigned& held : excuses)
                held &= ~bit(Excuse::AnswerNotAwaited);
        // An answer brings the field in line with the module only when it
        // carries data, and what the module holds now: one made before a Set
        // carries an older value.
        if (next.intact && next.query && next.frame.size() > 7 && w.port->open &&
            next.frame.mid(7) == module.heldData(next.type))
            excuses[next.type] &= bit(Excuse::AnswerNotAwaited);
        if (next.intact && !next.query && next.serial == lastApplied[next.type] &&
            next.type != 10 && !(next.type == 1 && next.param == bytes({0, 0})) &&
            module.heldData(next.type) != next.param)
            fail(QStringLiteral("set %1 answered with status 0 but the module holds %2, not %3")
                     .arg(next.type)
                     .arg(QString::fromLatin1(module.heldData(next.type).toHex(' ')),
                          QString::fromLatin1(next.param.toHex(' '))));
        return next;
    }

    void heard(const QByteArray& frame, const Command& command, const Outcome& outcome) {
        const QByteArray param(reinterpret_cast<const char*>(command.param.data()),
                               static_cast<qsizetype>(command.param.size()));
        if (outcome.applied) {
            lastApplied[command.type] = ++serials;
            appliedWrites.insert(w.port->written.size() - 1);
        }
        if (command.query && static_cast<uint8_t>(frame[4]) != 0)
            excuse(command.type, Excuse::ReadLeftItEmpty);
        const bool answeredWhole = static_cast<uint8_t>(frame[4]) == 0;
        line.push_back({frame, command.type, command.query, answeredWhole, param, serials});
    }

    void boxShown(const BoxRequest& box) {
        if (!isProductBox(box, lossText))
            fail(QStringLiteral("a box the product does not define: ") + describeBox(box));
        if (boxOpen)
            fail(QStringLiteral("a second box opened over ") + describeBox(box));
        if (box.text.contains(QLatin1String("can not be larger than")))
            scanCheckStoppedSet = true;
        if (box.buttons == BoxButtons::YesNo)
            w.boxes.answers.push_back((stepArg >> (20 + boxesThisStep % 11)) & 1 ? BoxAnswer::Yes
                                                                                 : BoxAnswer::No);
        ++boxesThisStep;
        if (!(stepArg & 0x80000000u))
            return;
        // The line and the timers go on while the box is open; none of it
        // may act before the box closes.
        boxOpen = true;
        const qsizetype writtenBefore = w.port->written.size();
        answer(stepArg >> 8);
        retryTick();
        detectionTick();
        if (w.port->written.size() != writtenBefore)
            fail(QStringLiteral("written while a box is open"));
        boxOpen = false;
    }

    void settleQueuedCalls() {
        // The timers tick only as the steps say, however slow the run.
        for (int round = 0; round < 4; ++round)
            QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
        // Answers on their way when the port closed or opened anew are lost.
        if (w.port->openedWith.size() != openings || !w.port->open) {
            openings = w.port->openedWith.size();
            if (!w.port->open)
                line.clear();
        }
    }

    static unsigned bit(Excuse excuse) { return 1u << static_cast<unsigned>(excuse); }
    void excuse(uint8_t type, Excuse why) { excuses[type] |= bit(why); }

    void fail(const QString& what) {
        if (fault.isEmpty())
            fault = what;
    }

    void checkAfterStep() {
        for (; checkedFrames < w.port->written.size(); ++checkedFrames) {
            const FakePort::Written& written = w.port->written[checkedFrames];
            if (!written.whilePortOpen)
                fail(QStringLiteral("written while the port is closed"));
            if (const QString frameFault = faultOfWrittenFrame(written.bytes);
                !frameFault.isEmpty())
                fail(frameFault);
            else if (static_cast<uint8_t>(written.bytes[3]) != 0x50 &&
                     !appliedWrites.contains(checkedFrames))
                excuse(static_cast<uint8_t>(written.bytes[3]), Excuse::SetNotApplied);
        }
        for (qsizetype i = firstFrameOfStep; scanCheckStoppedSet && i < checkedFrames; ++i)
            if (static_cast<uint8_t>(w.port->written[i].bytes[3]) != 0x50)
                excuse(static_cast<uint8_t>(w.port->written[i].bytes[3]),
                       Excuse::SetStoppedBeforeSnapshot);
        if (w->handlersHeld())
            fail(QStringLiteral("handlers still held after the step"));
        checkFieldsReachTheModule();
    }

    // A field that shows what the module does not hold is sent by the next
    // Set, unless an excuse of its own explains it.
    void checkFieldsReachTheModule() {
        if (!portShownOpen() || !w->CmdSet->isEnabled())
            return;
        for (const Field& field : fields) {
            if (excuses[field.type] != 0 || setWouldSend(field, *w.window))
                continue;
            const auto shown = bytesShown(field.kind, field.shown(*w.window));
            const QByteArray held = module.heldData(field.type);
            // "No Change" is sent as code 0, which the module takes as keeping its
            // rate; a code the list has no row for keeps the row shown before.
            if (field.kind == Kind::Baud &&
                (shown == bytes({0, 0}) || !BaudCodes::textOfCode(static_cast<uint16_t>(
                                               uint8_t(held[0]) * 256 + uint8_t(held[1])))))
                continue;
            if (shown != held)
                fail(QStringLiteral("%1 shows %2, the module holds %3, and Set would not send it")
                         .arg(QString::fromLatin1(field.name),
                              field.shown(*w.window).join(QLatin1Char('|')),
                              QString::fromLatin1(held.toHex(' '))));
        }
    }

    // Lets the line run dry: every answer on its way arrives, every tick due
    // runs, every box is answered No.
    bool quieten() {
        stepArg = 0;
        for (int round = 0; round < 200; ++round) {
            if (line.empty() && !w->RetryTimer->isActive() && !w->TimeoutTimer->isActive())
                return true;
            if (!line.empty()) {
                answer(1);
            } else if (w->TimeoutTimer->isActive()) {
                detectionTick();
            } else {
                // With no sequence started the clock ticks on without
                // sending anything: that is quiet too.
                const auto before =
                    std::tuple(w.port->written.size(), w.boxes.shown.size(), w->RetryCount);
                retryTick();
                if (before ==
                    std::tuple(w.port->written.size(), w.boxes.shown.size(), w->RetryCount))
                    return true;
            }
            settleQueuedCalls();
            checkAfterStep();
        }
        return false;
    }

    void checkOnceQuiet() {
        nextFate = Fate::Answer;
        if (!quieten())
            return fail(QStringLiteral("the line never went quiet"));
        if (!w->CmdConn->isEnabled() || portShownOpen() != w.port->open)
            return fail(QStringLiteral("Connect shows %1 on a port %2")
                            .arg(w->CmdConn->text(), w.port->open ? "open" : "closed"));
        if (w.port->open && (w->CmdSet->isEnabled() == readOutstanding ||
                             w->CmdQuery->isEnabled() == readOutstanding))
            return fail(QStringLiteral("Set %1 and Inquiry %2 with a read %3")
                            .arg(w->CmdSet->isEnabled() ? "enabled" : "disabled",
                                 w->CmdQuery->isEnabled() ? "enabled" : "disabled",
                                 readOutstanding ? "outstanding" : "done"));
        checkTheOperatorCanLeave();
    }

    // Disconnect and Connect at the module's rate read it whole.
    void checkTheOperatorCanLeave() {
        if (w.port->open)
            w->CmdConn_Click();
        settleQueuedCalls();
        if (w.port->open || portShownOpen())
            return fail(QStringLiteral("Disconnect left the port open"));
        pressConnect(0);
        if (!quieten() || readOutstanding || !w->CmdSet->isEnabled())
            return fail(
                QStringLiteral("Connect at the module's rate did not read it whole: %1 %2 %3 %4")
                    .arg(w.status())
                    .arg(readOutstanding)
                    .arg(w->CmdSet->isEnabled())
                    .arg(w.port->Settings()));
        for (const Field& field : fields)
            if (field.kind != Kind::Baud &&
                bytesShown(field.kind, field.shown(*w.window)) != module.heldData(field.type))
                return fail(QStringLiteral("after a fresh read %1 shows %2")
                                .arg(QString::fromLatin1(field.name),
                                     field.shown(*w.window).join(QLatin1Char('|'))));
    }

    WindowUnderTest w;
    ScriptedModule module;
    std::deque<Pending> line;
    Fate nextFate = Fate::Answer;
    // The excuses each command type holds, one bit each.
    std::array<unsigned, 16> excuses{};
    std::array<int, 16> lastApplied{};
    QSet<qsizetype> appliedWrites;
    int serials = 0;
    qsizetype openings;
    qsizetype checkedFrames = 0;
    uint32_t stepArg = 0;
    qsizetype firstFrameOfStep = 0;
    bool scanCheckStoppedSet = false;
    int boxesThisStep = 0;
    bool boxOpen = false;
    bool readOutstanding = false;
    QString fault;
};

// The one table of actions: the operator's and the line's, with weights.
const std::vector<Action> actions = {
    {"Connect", 3, [](Session& s, uint32_t a) { s.pressConnect(a); }},
    {"Inquiry", 2,
     [](Session& s, uint32_t) { s.press(s.window().CmdQuery, &frmParvex::CmdQuery_Click); }},
    {"Set", 4, [](Session& s, uint32_t) { s.press(s.window().CmdSet, &frmParvex::CmdSet_Click); }},
    {"Default", 1,
     [](Session& s, uint32_t) {
         s.press(s.window().CmdSetDefault, &frmParvex::CmdSetDefault_Click);
     }},
    {"Clear", 1,
     [](Session& s, uint32_t) {
         s.press(s.window().CmdClearAddr, &frmParvex::CmdClearAddr_Click);
     }},
    {"Edit", 8, [](Session& s, uint32_t a) { s.edit(a); }},
    {"Focus", 2, [](Session& s, uint32_t a) { s.moveFocus(a); }},
    {"Answer", 16, [](Session& s, uint32_t a) { s.answer(a); }},
    {"Lose", 1, [](Session& s, uint32_t a) { s.loseAnswer(a); }},
    {"Cut", 1, [](Session& s, uint32_t a) { s.cutAnswer(a); }},
    {"Noise", 1, [](Session& s, uint32_t a) { s.noise(a); }},
    {"NotAnAnswer", 1, [](Session& s, uint32_t a) { s.notAnAnswer(a); }},
    {"Refuse", 2, [](Session& s, uint32_t) { s.nextCommand(ScriptedModule::Fate::Refuse); }},
    {"Unheard", 1, [](Session& s, uint32_t) { s.nextCommand(ScriptedModule::Fate::Unheard); }},
    {"Vanish", 1, [](Session& s, uint32_t) { s.vanish(); }},
    {"RetryTick", 3, [](Session& s, uint32_t) { s.retryTick(); }},
    {"DetectionTick", 4, [](Session& s, uint32_t) { s.detectionTick(); }},
    {"Read", 1, [](Session& s, uint32_t) { s.read(); }},
};

Steps randomSteps(std::mt19937& rng) {
    std::vector<int> weights;
    for (const Action& action : actions)
        weights.push_back(action.weight);
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    Steps steps(10 + rng() % 110);
    for (Step& step : steps)
        step = {pick(rng), static_cast<uint32_t>(rng())};
    return steps;
}

Script scriptOf(uint32_t seed) {
    std::mt19937 rng(seed);
    const uint32_t moduleSeed = rng();
    return {moduleSeed, randomSteps(rng)};
}

QString run(const Script& script) {
    return Session(script.moduleSeed).run(script.steps);
}

QString kindOf(const QString& fault) {
    return fault.section(QLatin1Char(' '), 0, 1);
}

// Drops ever smaller runs of steps while the session still fails the same
// way.
Script shortest(Script script, const QString& fault) {
    for (size_t chunk = script.steps.size() / 2; chunk >= 1; chunk /= 2) {
        for (size_t from = 0; from + chunk <= script.steps.size();) {
            Script fewer = script;
            fewer.steps.erase(fewer.steps.begin() + static_cast<long>(from),
                              fewer.steps.begin() + static_cast<long>(from + chunk));
            if (kindOf(run(fewer)) == kindOf(fault))
                script = fewer;
            else
                from += chunk;
        }
    }
    return script;
}

QString textOf(const Script& script) {
    QStringList words{QString::number(script.moduleSeed)};
    for (const Step& step : script.steps)
        words << QStringLiteral("%1:%2")
                     .arg(QString::fromLatin1(actions[step.action].name))
                     .arg(step.arg);
    return words.join(QLatin1Char(' '));
}

std::optional<Script> scriptFromText(const QString& text) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    Script script{words[0].toUInt(), {}};
    for (const QString& word : words.mid(1)) {
        const QString name = word.section(QLatin1Char(':'), 0, 0);
        const auto found = std::find_if(actions.begin(), actions.end(), [&](const Action& a) {
            return name == QLatin1String(a.name);
        });
        if (found == actions.end())
            return std::nullopt;
        script.steps.push_back({static_cast<int>(found - actions.begin()),
                                word.section(QLatin1Char(':'), 1).toUInt()});
    }
    return script;
}

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+)"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLong();
}

bool reportFailure(const QString& what, const Script& script, const QString& fault) {
    std::printf("FAIL %s: %s\n", qPrintable(what), qPrintable(fault));
    const Script least = shortest(script, fault);
    std::printf("  shortest (%zu of %zu steps), fails with: %s\n", least.steps.size(),
                script.steps.size(), qPrintable(run(least)));
    std::printf("  replay: randomized_sessions_test --replay '%s'\n", qPrintable(textOf(least)));
    return false;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool residentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool residentSizeMeaningful = false;
#else
constexpr bool residentSizeMeaningful = true;
#endif
#else
constexpr bool residentSizeMeaningful = true;
#endif

// Growth of the resident size allowed from the end of the warm-up to the
// last session, whatever the number of sessions: windows, timers and the
// module are made anew for each session and must all go.
constexpr long residentGrowthBoundKb = 4096;
constexpr int warmUpSessions = 200;

struct Totals {
    long sessions = 0;
    long steps = 0;
    long warmKb = 0;
};

bool runSeed(uint32_t seed, Totals& totals) {
    const Script script = scriptOf(seed);
    const QString fault = run(script);
    totals.steps += static_cast<long>(script.steps.size());
    if (++totals.sessions == warmUpSessions)
        totals.warmKb = residentKb();
    return fault.isEmpty() || reportFailure(QStringLiteral("seed %1").arg(seed), script, fault);
}

bool residentSizeBounded(const Totals& totals) {
    const long endKb = residentKb();
    if (!residentSizeMeaningful || totals.sessions < 2 * warmUpSessions) {
        std::printf("resident size %ld kB (not bounded here)\n", endKb);
        return true;
    }
    const long growth = endKb - totals.warmKb;
    std::printf("resident size %ld kB after the warm-up, %ld kB at the end (bound +%ld kB)\n",
                totals.warmKb, endKb, residentGrowthBoundKb);
    return growth <= residentGrowthBoundKb;
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    auto option = [&](const char* name) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? std::optional<QString>(args[at + 1]) : std::nullopt;
    };
    if (const auto text = option("--replay")) {
        const auto script = scriptFromText(*text);
        if (!script)
            return std::printf("unreadable action list\n"), 2;
        const QString fault = run(*script);
        std::printf("%s\n", fault.isEmpty() ? "passed" : qPrintable(fault));
        return fault.isEmpty() ? 0 : 1;
    }
    Totals totals;
    bool passed = true;
    if (const auto seed = option("--seed")) {
        passed = runSeed(seed->toUInt(), totals);
    } else if (const auto seconds = option("--seconds")) {
        // Seeds from the clock, printed, so that a run can be told apart.
        const auto first = static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch());
        std::printf("seeds from %u on\n", first);
        QElapsedTimer clock;
        clock.start();
        for (uint32_t seed = first; clock.elapsed() < seconds->toLong() * 1000; ++seed)
            passed = runSeed(seed, totals) && passed;
    } else {
        // The suite's fixed seeds.
        for (uint32_t seed = 1; seed <= 600; ++seed)
            passed = runSeed(seed, totals) && passed;
    }
    passed = residentSizeBounded(totals) && passed;
    std::printf("%ld sessions, %ld actions: %s\n", totals.sessions, totals.steps,
                passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}
