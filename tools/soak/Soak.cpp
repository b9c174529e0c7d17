#include "Soak.h"

#include "EventLoopWait.h"
#include "ModuleState.h"
#include "RandomDraws.h"
#include "RandomEdits.h"
#include "VirtualModuleProcess.h"
#include "WindowFields.h"
#include "WiredPlatform.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>

namespace {
const QString queryComplete = QStringLiteral("Query complete！");
// Detection may probe every rate, one and a half seconds each, before the
// twelve queries of the read; a slow line adds to each answer.
constexpr int connectTimeoutMs = 60000;
constexpr int readTimeoutMs = 40000;
constexpr int setAnswersTimeoutMs = 20000;
constexpr int stateTimeoutMs = 3000;
// One cycle in this many starts on a freshly started module, one in that
// many sets a new baud rate.
constexpr int restartEvery = 4;
constexpr int rateChangeEvery = 5;
} // namespace

Soak::Soak(unsigned seed, bool moduleVerbose)
    : random(seed), moduleVerbose(moduleVerbose),
      linkPath(linkDir.filePath(QStringLiteral("COM1"))) {
    Platform platform = platformWiredTo(linkPath);
    // Nobody is there to answer: each box is a finding, declined.
    platform.messageBox = [this](QWidget*, const BoxRequest& box) {
        ++counts.boxes;
        print(QStringLiteral("  message box [%1]: %2").arg(box.title, box.text));
        return box.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    };
    window = std::make_unique<frmParvex>(std::move(platform));
    connect(window.get(), &frmParvex::statusShown, this,
            [this](const QString& msg) { statuses << msg; });
    window->show();
}

Soak::~Soak() {
    // The window goes first, so that it never sees its module vanish.
    window.reset();
    module.reset();
}

void Soak::print(const QString& line) const {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

bool Soak::startModule() {
    module.reset();
    moduleStart = randomModuleStart(random);
    module = std::make_unique<VirtualModuleProcess>();
    if (moduleVerbose)
        connect(module.get(), &VirtualModuleProcess::lineRead, this, [](const QString& line) {
            std::fprintf(stderr, "module: %s\n", qPrintable(line));
        });
    if (!module->start(virtualModuleProgram(), linkPath, moduleStart.arguments)) {
        print(QStringLiteral("cannot start the module: ") + module->errorText());
        return false;
    }
    lineRate = moduleStart.rate;
    ++counts.moduleStarts;
    if (!moduleStart.fault.isEmpty())
        ++counts.faultsInjected;
    return true;
}

bool Soak::waitForStatus(const QString& text, int timeoutMs, const QString& step) {
    if (waitUntil([&] { return statuses.contains(text); }, timeoutMs))
        return true;
    ++counts.stalls;
    print(QStringLiteral("  STALL: %1 did not reach \"%2\"; module %3; last statuses: %4")
              .arg(step, text, module->processState(),
                   statuses.mid(statuses.size() - 5).join(QStringLiteral(" | "))));
    return false;
}

bool Soak::connectAndRead() {
    frmParvex& w = *window;
    if (!w.bAutoDetect->isChecked())
        w.bAutoDetect->click();
    statuses.clear();
    w.CmdConn->click();
    if (!waitForStatus(queryComplete, connectTimeoutMs, QStringLiteral("connect")))
        return false;
    if (w.ConnBaudRate->currentText() != QString::number(lineRate)) {
        ++counts.mismatches;
        print(QStringLiteral("  MISMATCH after connect: detected %1, module at %2")
                  .arg(w.ConnBaudRate->currentText())
                  .arg(lineRate));
    }
    compareWithModule(QStringLiteral("the read"));
    return true;
}

bool Soak::setAnswersHandled(int timeoutMs) {
    static const QRegularExpression sending(QStringLiteral("^Setting "));
    static const QRegularExpression outcome(QStringLiteral("^Set .* (succeed|fail)$"));
    const auto sent = statuses.filter(sending).size();
    // An answer handled twice shows its outcome twice: each command counts once.
    const auto answered = [&] {
        const QStringList outcomes = statuses.filter(outcome);
        return QSet<QString>(outcomes.begin(), outcomes.end()).size() >= sent;
    };
    if (waitUntil(answered, timeoutMs))
        return true;
    ++counts.stalls;
    print(QStringLiteral("  STALL: %1 set commands sent; module %2; outcomes shown: %3")
              .arg(sent)
              .arg(module->processState(), statuses.filter(outcome).join(QStringLiteral(" | "))));
    return false;
}

bool Soak::setEdits(const QString& newRate) {
    frmParvex& w = *window;
    editAtRandom(w, random, newRate);
    const FieldMap written = windowFields(w);
    statuses.clear();
    w.CmdSet->click();
    if (!setAnswersHandled(setAnswersTimeoutMs))
        return false;
    if (!readBack())
        return false;
    compare(windowFields(w), written, QStringLiteral("set"), QStringLiteral("the read back"));
    compareWithModule(QStringLiteral("the read back"));
    return true;
}

bool Soak::readBack() {
    statuses.clear();
    window->CmdQuery->click();
    return waitForStatus(queryComplete, readTimeoutMs, QStringLiteral("Inquiry"));
}

void Soak::compareWithModule(const QString& when) {
    module->requestState();
    if (!waitUntil([&] { return !module->lastState().isEmpty(); }, stateTimeoutMs)) {
        ++counts.stalls;
        print(QStringLiteral("  STALL: the module printed no state after ") + when);
        return;
    }
    compare(windowFields(*window), parseModuleState(module->lastState()), QStringLiteral("module"),
            when);
}

void Soak::compare(const FieldMap& shown, const FieldMap& expected, const QString& expectedName,
                   const QString& when) {
    const QStringList differ =
        fieldDifferences(shown, QStringLiteral("window"), expected, expectedName,
                         parameterFieldKeys, FieldComparison::Value);
    counts.mismatches += int(differ.size());
    for (const QString& difference : differ)
        print(QStringLiteral("  MISMATCH after %1: %2").arg(when, difference));
}

void Soak::disconnect() {
    if (window->CmdConn->text() == QLatin1String("Disconnect"))
        window->CmdConn->click();
}

bool Soak::runCycle() {
    if (restartNext || oneIn(random, restartEvery)) {
        if (!startModule())
            return false;
        restartNext = false;
    }
    ++counts.cycles;
    if (!moduleStart.fault.isEmpty())
        ++counts.cyclesUnderFault;
    const int findingsBefore = counts.mismatches + counts.stalls + counts.boxes;
    const QString newRate = oneIn(random, rateChangeEvery)
                                ? otherStandardRate(QString::number(lineRate), random)
                                : QString();
    print(
        QStringLiteral("cycle %1: module at %2%3%4")
            .arg(counts.cycles)
            .arg(lineRate)
            .arg(moduleStart.fault.isEmpty() ? QString() : QStringLiteral(", ") + moduleStart.fault)
            .arg(newRate.isEmpty() ? QString() : QStringLiteral(", setting the rate ") + newRate));

    const bool completed = connectAndRead() && setEdits(newRate);
    disconnect();
    if (completed && !newRate.isEmpty()) {
        // The module takes a new rate on its line when it is reset.
        module->reset();
        lineRate = newRate.toUInt();
        ++counts.rateChanges;
    }
    // After a stall the module may hold anything: start afresh.
    restartNext = !completed;
    if (counts.mismatches + counts.stalls + counts.boxes == findingsBefore)
        print(QStringLiteral("  ok"));
    return true;
}
