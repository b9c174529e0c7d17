#include "StationSoak.h"

#include "ModuleState.h"
#include "cli/station/RecordHistory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {
constexpr int tickMs = 200;
// Long enough for a lane to see its module gone: three probes missed.
constexpr qint64 emptyAtLeastMs = 4500;
// A fast swap: the next module on before the lane can have seen the last
// one gone.
constexpr qint64 fastSwapAtMostMs = 1500;
constexpr int fastSwapPercent = 40;
const char* const profileText = R"({"password": "2468", "role": "master", "bind": false})";

void waitMs(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}
} // namespace

StationSoak::StationSoak(const StationSoakOptions& soakOptions)
    : options(soakOptions), random(soakOptions.seed) {
    record = dir.filePath(QStringLiteral("%1.jsonl").arg(options.stationId));
    profile = dir.filePath(QStringLiteral("profile.json"));
    QFile file(profile);
    if (file.open(QIODevice::WriteOnly))
        file.write(profileText);
    connect(&station, &QProcess::readyReadStandardOutput, this, &StationSoak::readPrinted);
}

StationSoak::~StationSoak() {
    if (station.state() != QProcess::NotRunning) {
        station.kill();
        station.waitForFinished(3000);
    }
}

qint64 StationSoak::randomMs(qint64 from, qint64 to) {
    return std::uniform_int_distribution<qint64>(from, to)(random);
}

bool StationSoak::run() {
    if (!begin())
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < options.durationMs) {
        step(clock.elapsed());
        waitMs(tickMs);
    }
    finish();
    return true;
}

bool StationSoak::begin() {
    nextKillMs = randomMs(15000, 60000);
    return startLanes() && startStation();
}

void StationSoak::step(qint64 sinceBeginningMs) {
    clockMs = sinceBeginningMs;
    tick();
}

void StationSoak::finish() {
    stopStation();
}

bool StationSoak::startLanes() {
    for (int i = 0; i < options.lanes; ++i) {
        Lane lane;
        lane.fixtureFile = dir.filePath(QStringLiteral("fixture%1").arg(i + 1));
        QFile file(lane.fixtureFile);
        if (!file.open(QIODevice::WriteOnly) || file.write("off\n") < 0)
            return false;
        file.close();
        lane.fixture = std::make_unique<VirtualModuleProcess>();
        if (!lane.fixture->start(virtualModuleProgram(),
                                 dir.filePath(QStringLiteral("lane%1").arg(i + 1)),
                                 {"--fixture", lane.fixtureFile})) {
            std::fprintf(stderr, "%s\n", qPrintable(lane.fixture->errorText()));
            return false;
        }
        lane.device = dir.filePath(QStringLiteral("lane%1").arg(i + 1));
        lane.changeAtMs = randomMs(0, 3000);
        lanes.push_back(std::move(lane));
    }
    return true;
}

QStringList StationSoak::stationArguments() const {
    QStringList arguments{
        "station",   profile,          "--record", record,   "--name-pattern",
        "S-#####",   "--rate",         "9600",     "--pace", QString::number(options.paceMs),
        "--station", options.stationId};
    if (!options.store.isEmpty())
        arguments << "--store" << options.store;
    for (const Lane& lane : lanes)
        arguments << "-p" << lane.device;
    return arguments;
}

bool StationSoak::startStation() {
    station.start(options.program.isEmpty() ? QStringLiteral(PARVEX_CLI_PROGRAM) : options.program,
                  stationArguments());
    if (!station.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start parvex-cli: %s\n", qPrintable(station.errorString()));
        return false;
    }
    ++counts.stationStarts;
    startedAtMs = clockMs;
    return true;
}

// SIGKILL may leave a torn line and unsettled numbers for the next start;
// SIGHUP settles the record as Ctrl+C does.
void StationSoak::endStation(int signal) {
    if (station.state() == QProcess::NotRunning || station.processId() <= 0)
        return;
    ::kill(static_cast<pid_t>(station.processId()), signal);
    const bool ended = station.waitForFinished(30000);
    killed = true;
    readPrinted();
    if (signal == SIGKILL) {
        ++counts.kills;
        checkRecord(QStringLiteral("after kill %1").arg(counts.kills), true);
        return;
    }
    ++counts.hangUps;
    const QString when = QStringLiteral("after hang-up %1").arg(counts.hangUps);
    if (!ended || station.exitStatus() != QProcess::NormalExit || station.exitCode() != 0)
        finding(QStringLiteral("%1: the station did not end with 0").arg(when));
    checkRecord(when, false);
    const QList<QJsonObject> lines = recordLines();
    if (lines.isEmpty() || lines.last()["event"] != QLatin1String("stop") ||
        !RecordHistory::read(lines).unsettled.isEmpty())
        finding(QStringLiteral("%1: the record is not settled").arg(when));
}

void StationSoak::stopStation() {
    if (station.state() == QProcess::NotRunning || station.processId() <= 0) {
        finding(QStringLiteral("the station was not running at the end"));
        return;
    }
    ::kill(static_cast<pid_t>(station.processId()), SIGINT);
    if (!station.waitForFinished(30000) || station.exitCode() != 0)
        finding(QStringLiteral("the station did not end with 0 on Ctrl+C"));
    readPrinted();
    checkRecord(QStringLiteral("at the end"), false);
}

void StationSoak::tick() {
    readRecord();
    if (clockMs >= nextKillMs && !storeAway) {
        endStation(randomMs(0, 1) ? SIGKILL : SIGHUP);
        nextKillMs = clockMs + randomMs(15000, 60000);
    }
    // A station not running is started again; one that ended without being
    // killed, or cannot start, is a finding, but for one refused its store
    // while the store is away (exit 2), started again once it is back.
    if (station.state() == QProcess::NotRunning) {
        const bool refusedTheStore = !options.store.isEmpty() && station.exitCode() == 2;
        if (refusedTheStore && storeAway)
            return;
        if (!killed)
            finding(QStringLiteral("the station ended by itself (%1): %2")
                        .arg(station.exitCode())
                        .arg(QString::fromUtf8(station.readAllStandardError()).trimmed()));
        killed = false;
        if (!startStation())
            finding(QStringLiteral("the station could not be started"));
    }
    for (Lane& lane : lanes) {
        if (!lane.moduleOn) {
            if (clockMs >= lane.changeAtMs)
                putOn(lane);
            continue;
        }
        const QJsonObject* result = lastResultSince(lane);
        if (result && !lane.resultChecked)
            checkResultIsItsOwn(lane);
        if (lane.kind == Kind::Good && !result &&
            clockMs - lane.putOnAtMs > options.ownResultWithinMs) {
            finding(QStringLiteral("%1: %2 had no result of its own in %3 s")
                        .arg(lane.device, lane.name)
                        .arg(options.ownResultWithinMs / 1000));
            lane.changeAtMs = clockMs;
        }
        if (result && lane.changeAtMs == 0)
            lane.changeAtMs = clockMs + randomMs(300, 3000);
        if (lane.changeAtMs > 0 && clockMs >= lane.changeAtMs)
            takeOff(lane);
    }
}

void StationSoak::putOn(Lane& lane) {
    const int draw = std::uniform_int_distribution<int>(0, 99)(random);
    lane.kind = draw < 50   ? Kind::Good
                : draw < 60 ? Kind::Silent
                : draw < 75 ? Kind::Refusing
                : draw < 90 ? Kind::Noisy
                            : Kind::Vanishing;
    lane.name = QStringLiteral("M%1").arg(counts.modulesPut + 1);
    QString arguments = QStringLiteral("--name %1").arg(lane.name);
    switch (lane.kind) {
    case Kind::Silent:
        arguments += QStringLiteral(" --silent 0,1,2,3,4,5,6,7,8,9,10,13,14");
        break;
    case Kind::Refusing:
        arguments +=
            randomMs(0, 1) ? QStringLiteral(" --refuse 8") : QStringLiteral(" --silent-set 3");
        break;
    case Kind::Noisy:
        arguments += QStringLiteral(" --noise --seed %1").arg(randomMs(1, 1000000));
        break;
    case Kind::Good:
    case Kind::Vanishing:
        break;
    }
    QFile file(lane.fixtureFile);
    if (file.open(QIODevice::WriteOnly))
        file.write(arguments.toUtf8() + '\n');
    file.close();
    lane.fixture->refit();
    QDeadlineTimer deadline(3000);
    while (!lane.fixture->lastState().contains(QStringLiteral("name=%1 ").arg(lane.name)) &&
           !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    lane.onAt = QDateTime::currentDateTime();
    lane.moduleOn = true;
    lane.resultsAtPutOn = results.size();
    lane.reservationsAtPutOn = firstOpenReservation(lane);
    lane.putOnAtMs = clockMs;
    lane.resultChecked = false;
    // A vanishing module goes mid-cycle; a silent one never arrives; the
    // others go once their result is in.
    lane.changeAtMs = lane.kind == Kind::Vanishing ? clockMs + randomMs(300, 2500)
                      : lane.kind == Kind::Silent  ? clockMs + randomMs(3000, 8000)
                                                   : 0;
    ++counts.modulesPut;
    counts.faultyPut += lane.kind == Kind::Good ? 0 : 1;
}

void StationSoak::takeOff(Lane& lane) {
    if (const QJsonObject* result = lastResultSince(lane);
        result && (*result)["outcome"] == QLatin1String("pass"))
        checkModuleHoldsItsName(lane, *result);
    QFile file(lane.fixtureFile);
    if (file.open(QIODevice::WriteOnly))
        file.write("off\n");
    file.close();
    lane.fixture->refit();
    lane.moduleOn = false;
    const bool fast = std::uniform_int_distribution<int>(0, 99)(random) < fastSwapPercent;
    counts.fastSwaps += fast ? 1 : 0;
    lane.changeAtMs = clockMs + (fast ? randomMs(300, fastSwapAtMostMs)
                                      : randomMs(emptyAtLeastMs, emptyAtLeastMs + 3000));
}

// A module's result names what it held when read: the name it was put on
// with, or one reserved for it on this lane since (a cycle cut short by a
// kill). The name of the unit before it means the lane took it for that one.
void StationSoak::checkResultIsItsOwn(Lane& lane) {
    lane.resultChecked = true;
    const QJsonObject* result = lastResultSince(lane);
    const QJsonValue before = (*result)["before"]["name"];
    if (before.isUndefined() || before.isNull())
        return;
    if (!readIt(lane, *result))
        finding(QStringLiteral("%1: %2 (on at %3) got the result of a cycle started at %4 as %5")
                    .arg(lane.device, lane.name, lane.onAt.toString(Qt::ISODateWithMs),
                         (*result)["started"].toString(), before.toString()));
}

// The result recorded for the module now on the lane, if any: of a cycle
// that started once it was on (a cycle under way when the module before it
// went ends with that module's result), or of one that read it (it was put
// on in the middle of a cycle, which then wrote to it).
const QJsonObject* StationSoak::lastResultSince(const Lane& lane) const {
    for (qsizetype i = results.size() - 1; i >= lane.resultsAtPutOn; --i) {
        const QJsonObject& result = results[i];
        const QDateTime started =
            QDateTime::fromString(result["started"].toString(), Qt::ISODateWithMs);
        if (result["port"].toString() != lane.device)
            continue;
        if (started >= lane.onAt || readIt(lane, result))
            return &result;
    }
    return nullptr;
}

// Whether a cycle read the module now on the lane: at its start, or at its
// end (the module before it went in the middle of the cycle, and this one
// came on and answered the rest).
bool StationSoak::readIt(const Lane& lane, const QJsonObject& result) const {
    const QSet<QString> names = namesOf(lane);
    return names.contains(result["before"]["name"].toString()) ||
           names.contains(result["name"].toString());
}

// The lane's last reservation when it has no result yet: a cycle under way
// when a module is swapped for the next writes its number to the next one.
qsizetype StationSoak::firstOpenReservation(const Lane& lane) const {
    for (qsizetype i = reservations.size() - 1; i >= 0; --i) {
        if (reservations[i]["port"].toString() != lane.device)
            continue;
        const qint64 serial = reservations[i]["serial"].toInteger();
        const bool settled = std::any_of(results.begin(), results.end(), [serial](const auto& r) {
            return r["serial"].toInteger() == serial;
        });
        return settled ? reservations.size() : i;
    }
    return reservations.size();
}

// The name a module was put on with, those reserved for it since, and one
// reserved by a cycle under way when it was put on.
QSet<QString> StationSoak::namesOf(const Lane& lane) const {
    QSet<QString> names{lane.name};
    for (qsizetype i = lane.reservationsAtPutOn; i < reservations.size(); ++i)
        if (reservations[i]["port"].toString() == lane.device)
            names << reservations[i]["name"].toString();
    return names;
}

void StationSoak::checkModuleHoldsItsName(Lane& lane, const QJsonObject& pass) {
    lane.fixture->requestState();
    QDeadlineTimer deadline(3000);
    while (lane.fixture->lastState().isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const QMap<QString, QString> state = parseModuleState(lane.fixture->lastState());
    const QString name = pass["name"].toString();
    if (state.value("name") != name || state.value("pwd") != QLatin1String("2468") ||
        state.value("master") != QLatin1String("1") || state.value("bind") != QLatin1String("0"))
        finding(QStringLiteral("%1 passed as %2 but holds: %3")
                    .arg(lane.device, name, lane.fixture->lastState()));
}

QList<QJsonObject> StationSoak::recordLines() const {
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return RecordText::parse(file.readAll()).lines;
}

void StationSoak::readRecord() {
    results.clear();
    reservations.clear();
    for (const QJsonObject& line : recordLines()) {
        if (line["event"] == QLatin1String("result"))
            results << line;
        if (line["event"] == QLatin1String("reserved"))
            reservations << line;
    }
}

void StationSoak::readPrinted() {
    printedText += station.readAllStandardOutput();
    static const QRegularExpression pass(QStringLiteral(": PASS (S-\\d+),"));
    qsizetype newline;
    while ((newline = printedText.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(printedText.left(newline));
        printedText.remove(0, newline + 1);
        if (const auto match = pass.match(line); match.hasMatch())
            printedPasses << match.captured(1);
    }
}

void StationSoak::checkRecord(const QString& when, bool tornAllowed) {
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly)) {
        finding(QStringLiteral("%1: the record cannot be read").arg(when));
        return;
    }
    const RecordText text = RecordText::parse(file.readAll());
    if (!text.error.isEmpty() || (text.tornLine > 0 && !tornAllowed))
        finding(QStringLiteral("%1: the record does not parse whole: %2 (torn line %3)")
                    .arg(when, text.error)
                    .arg(text.tornLine));
    QSet<qint64> reserved;
    QSet<QString> recordedPasses;
    for (const QJsonObject& line : text.lines) {
        const QString event = line["event"].toString();
        const qint64 serial = line["serial"].toInteger();
        if (event == QLatin1String("reserved") && reserved.contains(serial))
            finding(QStringLiteral("%1: number %2 reserved twice").arg(when).arg(serial));
        if (event == QLatin1String("reserved"))
            reserved << serial;
        if (event == QLatin1String("result") && line["outcome"] == QLatin1String("pass"))
            recordedPasses << line["name"].toString();
    }
    for (const QString& name : printedPasses)
        if (!recordedPasses.contains(name))
            finding(QStringLiteral("%1: PASS %2 printed without its result line").arg(when, name));
    std::printf("%s: %s: %lld lines, %lld numbers reserved, %lld passes printed, checked\n",
                qPrintable(options.stationId), qPrintable(when),
                static_cast<long long>(text.lines.size()), static_cast<long long>(reserved.size()),
                static_cast<long long>(printedPasses.size()));
    std::fflush(stdout);
}

void StationSoak::finding(const QString& text) {
    ++counts.findings;
    std::printf("FINDING: %s: %s\n", qPrintable(options.stationId), qPrintable(text));
    std::fflush(stdout);
}
