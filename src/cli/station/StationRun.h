#pragma once

#include "Journal.h"
#include "SharedStore.h"
#include "Station.h"
#include "cli/Request.h"

#include <memory>

// A station as a request asks for it, opened: the name pattern checked, the
// record open and locked, the line's store reached, the station made on
// them. Each program that runs a station shows it its own way.
class StationRun {
public:
    struct Refusal {
        QString option; // the option at fault ("record", "store", "name-pattern")
        QString reason;
    };

    // False with the refusal when the request cannot be run (bad input:
    // nothing is sent to a module).
    bool open(const Request& request, Refusal& refusal);
    // A torn last line cut off the record when it was opened.
    QString warning() const { return openingWarning; }

    Station& station() { return *made; }
    SharedStore* store() { return lineStore.get(); }

private:
    StationSetup setup;
    Journal journal;
    std::unique_ptr<SharedStore> lineStore;
    std::unique_ptr<Station> made;
    QString openingWarning;
};
