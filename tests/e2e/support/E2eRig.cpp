#include "E2eRig.h"

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
// The rate codes of the baud-rate list: the rate times 4096 / 1 000 000,
// rounded.
QString codeOfRateText(const QString& text) {
    static const QMap<QString, int> codes = {
        {QStringLiteral("No Change"), 0}, {QStringLiteral("1200"), 5},
        {QStringLiteral("2400"), 10},     {QStringLiteral("4800"), 20},
        {QStringLiteral("9600"), 39},     {QStringLiteral("19200"), 79},
        {QStringLiteral("38400"), 157},   {QStringLiteral("57600"), 236},
        {QStringLiteral("115200"), 472}};
    const auto found = codes.find(text);
    return found == codes.end() ? QStringLiteral("<%1>").arg(text) : QString::number(*found);
}

QString checkState(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QString joined(std::initializer_list<const QLineEdit*> boxes) {
    QStringList texts;
    for (const QLineEdit* box : boxes)
        texts << box->text();
    return texts.join(QLatin1Char(','));
}

qint64 cpuTimeMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}
} // namespace

const QStringList E2eRig::parameterKeys = {
    QStringLiteral("name"),   QStringLiteral("pwd"),    QStringLiteral("auth"),
    QStringLiteral("baud"),   QStringLiteral("sniff"),  QStringLiteral("park"),
    QStringLiteral("master"), QStringLiteral("cod"),    QStringLiteral("bind"),
    QStringLiteral("scan"),   QStringLiteral("maxconn")};

E2eRig::E2eRig() : linkPath(linkDir.filePath(QStringLiteral("COM1"))) {
    PortNames names = defaultPortNames();
    names[1] = linkPath;
    Platform platform = productionPlatform(names);
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
    const frmParvex& w = *win;
    return {
        {QStringLiteral("name"), w.txtBDName->text()},
        {QStringLiteral("pwd"), w.txtPwd->text()},
        {QStringLiteral("auth"), checkState(w.IsAuth)},
        {QStringLiteral("baud"), codeOfRateText(w.paramBaudRate->currentText())},
        {QStringLiteral("sniff"),
         joined({w.txtSniffMaxIntval, w.txtSniffMinIntval, w.txtAttempt, w.txtTimeout})},
        {QStringLiteral("park"), joined({w.txtParkMaxIntval, w.txtParkMinIntval})},
        {QStringLiteral("master"), checkState(w.IsMaster)},
        {QStringLiteral("cod"), w.txtClassOfDevice->text()},
        {QStringLiteral("bind"), checkState(w.chkIsBind)},
        {QStringLiteral("scan"),
         joined({w.txtPsInterval, w.txtPsWindow, w.txtIsInterval, w.txtIsWindow})},
        {QStringLiteral("maxconn"), w.txtMaxConnNum->text()},
    };
}

QStringList E2eRig::differences(const QStringList& keys) const {
    const auto shown = windowState();
    const auto held = moduleState();
    QStringList differ;
    for (const QString& key : keys) {
        if (!held.contains(key) || shown.value(key) != held.value(key))
            differ << QStringLiteral("%1: window \"%2\", module \"%3\"")
                          .arg(key, shown.value(key), held.value(key, QStringLiteral("<none>")));
    }
    return differ;
}

QStringList E2eRig::boxList() const {
    QStringList all;
    for (const BoxRequest& box : boxes.shown)
        all << box.title + QStringLiteral(": ") + box.text;
    return all;
}
