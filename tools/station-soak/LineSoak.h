#pragma once

#include "PostgresServer.h"
#include "StationSoak.h"

#include <memory>
#include <random>
#include <vector>

struct LineSoakTally {
    int outages = 0; // the server stopped (as a crash would) and started again
    qint64 outageMs = 0;
    int findings = 0;
};

// Several soaked stations on one store, a server of the soak's own: each
// station's modules swapped slow and fast and the station killed or hung up
// at random, as the station soak does alone, and the server stopped at random
// for a few seconds. At the end it checks the line: no number handed out
// twice across the stations, every result of every journal in the store
// exactly once, every reservation of a journal in the store for its station,
// and none left unsettled.
class LineSoak {
public:
    LineSoak(const StationSoakOptions& options, int stations);

    // False when the server, the modules or the stations cannot be started.
    bool run();
    const LineSoakTally& tally() const { return counts; }
    const std::vector<std::unique_ptr<StationSoak>>& stations() const { return soaks; }

private:
    void outagesAt(qint64 clockMs);
    bool everyStationSettled() const;
    void setStoreAway(bool away);
    void checkTheLine();
    void compare(const QString& what, const QString& station, const QString& inJournal,
                 const QString& query);
    void finding(const QString& text);

    StationSoakOptions options;
    int stationCount;
    std::mt19937 random;
    PostgresServer server{true};
    std::vector<std::unique_ptr<StationSoak>> soaks;
    bool serverDown = false;
    qint64 nextOutageMs = 0;
    qint64 backAtMs = 0;
    qint64 downSinceMs = 0;
    LineSoakTally counts;
};
