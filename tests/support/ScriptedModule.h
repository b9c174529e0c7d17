#pragma once

#include "FakePlatform.h"
#include "module.h"

#include <QList>

// A module behind the fake port: every frame the window writes is answered
// at once, as the virtual module would, and the answer waits in the port
// until the window reads it.
class ScriptedModule {
public:
    explicit ScriptedModule(FakePort& port, Settings settings = factorySettings());

    const Settings& settings() const { return module.settings(); }
    // Command types the module leaves unanswered.
    QList<uint8_t> silentTypes;
    // Types of the set commands applied, in order.
    QList<int> applied;

private:
    void onFrame(const QByteArray& frame);

    FakePort& port;
    Module module;
};
