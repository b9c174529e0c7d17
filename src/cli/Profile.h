#pragma once

#include "Request.h"

#include <QString>

// Reads a profile: a JSON file (or "-" for standard input) holding a flat
// object of settings, or a read's whole document of exactly one port. Fills
// request.values with every writable key it holds, checked; read-only keys
// are passed over. Returns the message for a bad profile, or nothing.
QString loadProfile(const QString& path, Request& request);

// Checks one value for a key and adds it to the request; the message names
// the key and the rule it breaks.
QString addValue(Request& request, const QString& key, const QString& text);
