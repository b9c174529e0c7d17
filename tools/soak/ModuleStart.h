#pragma once

#include <QString>
#include <QStringList>
#include <random>

// How the module is started: at a standard line rate and, one start in
// two, with a misbehaviour the window copes with.
struct ModuleStart {
    unsigned rate = 0;
    QStringList arguments;
    QString fault; // empty when it behaves
};

ModuleStart randomModuleStart(std::mt19937& random);
