#pragma once

#include "link/Platform.h"

#include <QString>

// Every message box the product can show, with its exact title, icon,
// buttons and text. Failures to open a port carry the system's text; the
// fake port never fails to open; a device that vanishes is reported with the
// system's text, which the caller names.
bool isProductBox(const BoxRequest& box, const QString& systemText = {});
QString describeBox(const BoxRequest& box);
