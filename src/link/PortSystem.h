#pragma once

#include <QtGlobal>

// The kind of system whose serial ports the product opens. Port names, the
// meaning of a refusal and lock files differ between the two; the functions
// that tell them apart take the system as a value, so that either system's
// answers can be checked on the other.
enum class PortSystem { Unix, Windows };

constexpr PortSystem hostPortSystem() {
#ifdef Q_OS_WIN
    return PortSystem::Windows;
#else
    return PortSystem::Unix;
#endif
}
