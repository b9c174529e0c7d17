#include "ModuleStart.h"

#include "RandomDraws.h"

namespace {
const unsigned standardRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// Noise, answers byte by byte, late answers, or two of them. Latency stays
// well under the one-second step of detection; answers sent twice are left
// out, since the read chain sends its next query once per answer copy.
QStringList randomFault(std::mt19937& random) {
    const auto noise = [&] {
        return QStringList{QStringLiteral("--noise"), QStringLiteral("--seed"),
                           QString::number(1 + below(random, 1000))};
    };
    const auto byteDelay = [&] {
        return QStringList{QStringLiteral("--byte-delay"), QString::number(1 + below(random, 4))};
    };
    const auto latency = [&] {
        return QStringList{QStringLiteral("--latency"), QString::number(10 + below(random, 291))};
    };
    switch (below(random, 5)) {
    case 0:
        return noise();
    case 1:
        return byteDelay();
    case 2:
        return latency();
    case 3:
        return noise() + byteDelay();
    default:
        return noise() + latency();
    }
}
} // namespace

ModuleStart randomModuleStart(std::mt19937& random) {
    ModuleStart start;
    start.rate = standardRates[below(random, int(std::size(standardRates)))];
    start.arguments = {QStringLiteral("--rate"), QString::number(start.rate)};
    if (coinFlip(random)) {
        const QStringList fault = randomFault(random);
        start.arguments += fault;
        start.fault = fault.join(QLatin1Char(' '));
    }
    return start;
}
