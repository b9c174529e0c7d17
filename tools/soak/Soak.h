#pragma once

#include "FieldValues.h"
#include "ModuleStart.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <random>

class frmParvex;
class VirtualModuleProcess;

struct SoakTally {
    int cycles = 0;
    int moduleStarts = 0;
    int faultsInjected = 0;   // starts with a misbehaviour
    int cyclesUnderFault = 0; // cycles run on such a module
    int rateChanges = 0;      // cycles that set a new baud rate (and reset the module)
    int mismatches = 0;       // fields that differ, and detected rates that differ
    int stalls = 0;           // steps that did not end in time
    int boxes = 0;            // message boxes shown
};

// Operator cycles on one real window, with the production serial port and
// pause, against the virtual module: connect with detection, read, edit at
// random, Set, read back, and compare field by field, by value, with what
// was set and with what the module holds. Every finding is printed.
class Soak : public QObject {
    Q_OBJECT
public:
    // With moduleVerbose every line the module prints goes to stderr.
    Soak(unsigned seed, bool moduleVerbose);
    ~Soak() override;

    // False when the module cannot be started at all.
    bool runCycle();
    const SoakTally& tally() const { return counts; }

private:
    bool startModule();
    bool connectAndRead();
    bool setEdits(const QString& newRate);
    bool readBack();
    bool waitForStatus(const QString& text, int timeoutMs, const QString& step);
    bool setAnswersHandled(int timeoutMs);
    void compareWithModule(const QString& when);
    void compare(const FieldMap& shown, const FieldMap& expected, const QString& expectedName,
                 const QString& when);
    void disconnect();
    void print(const QString& line) const;

    std::mt19937 random;
    bool moduleVerbose;
    QTemporaryDir linkDir;
    QString linkPath;
    std::unique_ptr<VirtualModuleProcess> module;
    ModuleStart moduleStart;
    unsigned lineRate = 0;
    bool restartNext = true;
    std::unique_ptr<frmParvex> window;
    QStringList statuses;
    SoakTally counts;
};
