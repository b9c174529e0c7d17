#pragma once

#include "VirtualModuleProcess.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <memory>
#include <random>
#include <vector>

struct StationSoakOptions {
    int lanes = 4;
    int paceMs = 50;
    unsigned seed = 1;
    qint64 durationMs = 30 * 60000;
    QString program; // parvex-cli; empty: the one built with this tool
    QString stationId = QStringLiteral("soak");
    QString store; // the line's store URI; empty: the record alone
    // A good module has its result by then, restarts of the station and
    // the store's outages included.
    qint64 ownResultWithinMs = 45000;
};

struct StationSoakTally {
    int modulesPut = 0;
    int faultyPut = 0; // silent, refusing, noisy or vanishing
    int fastSwaps = 0; // the next module on within 1.5 s
    int stationStarts = 0;
    int kills = 0;
    int hangUps = 0; // SIGHUP: the terminal closed
    int findings = 0;
};

// A station run for a long time on lanes of virtual modules on fixtures:
// modules put on and taken off at random, some of them faulty, some of them
// swapped for the next within a second and a half, the station killed
// (SIGKILL) or its terminal closed (SIGHUP) at random moments and started
// again on the same record; with a store, several such stations share one
// (see LineSoak). After every end and at the end it checks the
// record: it parses whole, no number was reserved twice, every PASS printed
// has its result line, and after SIGHUP it is settled. Every good module
// gets a result of its own, never another unit's, and every module that
// passed held the profile and its own name when it was taken off.
class StationSoak : public QObject {
    Q_OBJECT
public:
    explicit StationSoak(const StationSoakOptions& options);
    ~StationSoak() override;

    // False when the modules or the station cannot be started at all.
    bool run();
    // The same in steps, for several stations run side by side: begin, a
    // step every tick with the time since the beginning, and finish.
    bool begin();
    void step(qint64 sinceBeginningMs);
    void finish();
    // While the store is away a station cannot start: it is not ended on
    // purpose, and one that ends for want of its store is started again
    // once the store is back.
    void setStoreAway(bool away) { storeAway = away; }
    // Whether the station has run long enough since its start to hold its
    // store.
    bool settledInMs(qint64 ms) const {
        return station.state() == QProcess::Running && clockMs - startedAtMs >= ms;
    }
    QString recordPath() const { return record; }
    const QString& stationId() const { return options.stationId; }
    const StationSoakTally& tally() const { return counts; }
    long long stationPid() const { return station.processId(); }
    QList<QJsonObject> recordLines() const;

private:
    enum class Kind { Good, Silent, Refusing, Noisy, Vanishing };
    struct Lane {
        std::unique_ptr<VirtualModuleProcess> fixture;
        QString fixtureFile;
        QString device;
        bool moduleOn = false;
        Kind kind = Kind::Good;
        qint64 changeAtMs = 0; // the next put on or take off
        qint64 resultsAtPutOn = 0;
        qint64 reservationsAtPutOn = 0;
        qint64 putOnAtMs = 0;
        // For the record's times: when the module said it was on.
        QDateTime onAt;
        QString name; // the name it was put on with
        bool resultChecked = false;
    };

    bool startLanes();
    bool startStation();
    void endStation(int signal);
    void stopStation();
    void tick();
    void putOn(Lane& lane);
    void takeOff(Lane& lane);
    void readRecord();
    void readPrinted();
    const QJsonObject* lastResultSince(const Lane& lane) const;
    QSet<QString> namesOf(const Lane& lane) const;
    qsizetype firstOpenReservation(const Lane& lane) const;
    bool readIt(const Lane& lane, const QJsonObject& result) const;
    void checkModuleHoldsItsName(Lane& lane, const QJsonObject& pass);
    void checkResultIsItsOwn(Lane& lane);
    void checkRecord(const QString& when, bool tornAllowed);
    void finding(const QString& text);
    QStringList stationArguments() const;
    qint64 randomMs(qint64 from, qint64 to);

    StationSoakOptions options;
    std::mt19937 random;
    QTemporaryDir dir;
    QString record;
    QString profile;
    std::vector<Lane> lanes;
    QProcess station;
    QByteArray printedText;
    QSet<QString> printedPasses;
    QList<QJsonObject> results;      // every result line of the record, in order
    QList<QJsonObject> reservations; // and every reserved line
    qint64 clockMs = 0;
    qint64 nextKillMs = 0;
    bool killed = false;
    bool storeAway = false;
    qint64 startedAtMs = 0;
    StationSoakTally counts;
};
