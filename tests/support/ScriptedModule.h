#pragma once

#include "FakePlatform.h"
#include "module.h"

#include <QList>
#include <functional>

// A module behind the fake port: every frame the window writes is answered
// at once, as the virtual module would, and the answer waits in the port
// until the window reads it.
class ScriptedModule {
public:
    explicit ScriptedModule(FakePort& port, Settings settings = factorySettings());

    const Settings& settings() const { return module.settings(); }
    // The data the module answers a query of this type with: for a settable
    // type, also the parameter bytes of the set command that holds it.
    QByteArray heldData(uint8_t type) const;

    // Command types the module leaves unanswered.
    QList<uint8_t> silentTypes;
    // Types of the set commands applied, in order.
    QList<int> applied;

    // What becomes of a command: answered, refused without a look, or lost
    // on the way and never heard.
    enum class Fate { Answer, Refuse, Unheard };
    std::function<Fate(const Command&)> fateOf;
    // Where an answer goes: into the port unless told otherwise.
    std::function<void(const QByteArray& frame, const Command& command, const Outcome& outcome)>
        deliver;
    // When not 0, frames written at any other line rate are not heard.
    unsigned hearsOnlyAtRate = 0;

private:
    void onFrame(const QByteArray& frame);
    bool heardAtLineRate() const;

    FakePort& port;
    Module module;
};
