#include "WiredPlatform.h"

Platform platformWiredTo(const QString& device) {
    PortNames names = defaultPortNames();
    names[1] = device;
    return productionPlatform(names);
}
