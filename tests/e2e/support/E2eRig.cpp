#include "E2eRig.h"

#include "WindowFields.h"
#include "WiredPlatform.h"
#include "link/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

namespace {
qint64 cpuTimeMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}
} // namespace

const QStringList& E2eRig::parameterKeys = parameterFieldKeys;

E2eRig::E2eRig() : linkPath(linkDir.filePath(QStringLiteral("COM1"))) {
    Platform platform = platformWiredTo(linkPath);
    platform.messageBox = [this](QWidget*, const BoxRequest& box) { return boxes.answer(box); };
    platform.sleep = [this, blockingSleep = platform.sleep](int ms) {
        if (beforePause)
            beforePause();
        blockingSleep(ms);
    };
    win = std::make_unique<frmParvex>(std::move(platform));
    connect(win.get(), &frmParvex::statusShown, this, [this](const QString& msg) {
        statuses << msg;
        ++progress;
    });
    win->show();
}

E2eRig::~E2eRig() {
    // The window goes first, so that it never sees its module vanish.
    win.reset();
    endModule();
}

bool E2eRig::startModule(const QStringList& arguments) {
    endModule();
    events.clear();
    module = std::make_unique<VirtualModuleProcess>();
    connect(module.get(), &VirtualModuleProcess::lineRead, this, [this](const QString& line) {
        if (const auto event = parseModuleEvent(line))
            events << *event;
        ++progress;
    });
    if (module->start(virtualModuleProgram(), linkPath, arguments))
        return true;
    error = module->errorText();
    return false;
}

void E2eRig::endModule() {
    if (module)
        module->stop();
}

void E2eRig::connectAt(const QString& rate) {
    if (win->bAutoDetect->isChecked())
        win->bAutoDetect->click();
    win->ConnBaudRate->setCurrentText(rate);
    win->CmdConn->click();
}

void E2eRig::connectDetecting() {
    if (!win->bAutoDetect->isChecked())
        win->bAutoDetect->click();
    win->CmdConn->click();
}

bool E2eRig::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    quint64 progressSeen = progress;
    while (!condition()) {
        if (progress != progressSeen) {
            progressSeen = progress;
            sinceProgress.restart();
        }
        const bool stalled = waited.hasExpired(timeoutMs) && sinceProgress.hasExpired(stallMs);
        if (stalled || waited.hasExpired(capMs)) {
            reportWhereItStopped(waited.elapsed(), sinceProgress.elapsed());
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

void E2eRig::reportWhereItStopped(qint64 waitedMs, qint64 sinceProgressMs) const {
    qWarning("gave up after %lld ms, the last %lld ms without progress", waitedMs, sinceProgressMs);
    for (const QString& msg : statuses.mid(std::max<qsizetype>(0, statuses.size() - 4)))
        qWarning("status: %s", qPrintable(msg));
    for (const QString& box : boxList())
        qWarning("box: %s", qPrintable(box));
    for (const ModuleEvent& e : events.mid(std::max<qsizetype>(0, events.size() - 8)))
        qWarning("module at %.1f ms: %s %s %s", e.atMs, qPrintable(e.what),
                 e.bytes.toHex(' ').constData(), qPrintable(e.note));
}

bool E2eRig::waitForStatus(const QString& msg, int timeoutMs) {
    return waitFor([&] { return statusSeen(msg); }, timeoutMs);
}

bool E2eRig::waitForProbeAt(unsigned rate, int timeoutMs) {
    return waitFor([&] { return rates(receivedFrames(events, FrameKind::Query)).contains(rate); },
                   timeoutMs);
}

Responsiveness E2eRig::runFor(int ms) {
    Responsiveness seen;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(20);
    connect(&ticker, &QTimer::timeout, this,
            [&] { seen.longestGapMs = std::max(seen.longestGapMs, sinceTick.restart()); });
    const qint64 cpuBefore = cpuTimeMs();
    sinceTick.start();
    ticker.start();
    QTest::qWait(ms);
    seen.longestGapMs = std::max(seen.longestGapMs, sinceTick.elapsed());
    seen.cpuMs = cpuTimeMs() - cpuBefore;
    return seen;
}

QMap<QString, QString> E2eRig::moduleState() const {
    return module ? parseModuleState(module->lastState()) : QMap<QString, QString>();
}

QMap<QString, QString> E2eRig::windowState() const {
    return windowFields(*win);
}

QStringList E2eRig::differences(const QStringList& keys) const {
    return fieldDifferences(windowState(), QStringLiteral("window"), moduleState(),
                            QStringLiteral("module"), keys, FieldComparison::Text);
}

QStringList E2eRig::boxList() const {
    QStringList all;
    for (const BoxRequest& box : boxes.shown)
        all << box.title + QStringLiteral(": ") + box.text;
    return all;
}
