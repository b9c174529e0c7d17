#pragma once

#include "protocol/Parameters.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <optional>

// How a parameter's value looks in JSON: on/off switches as true and false,
// rates and counts as numbers, everything else as its text.
QJsonValue toJson(const Parameters::Parameter& parameter, const QString& value);

// A JSON value as the text the parameter's check takes; nothing, with the
// expected type in error, for a value of the wrong type.
std::optional<QString> fromJson(const Parameters::Parameter& parameter, const QJsonValue& value,
                                QString& error);

// Settings as a read shows them: each key read, in read order, with its JSON
// value, or null for an answer that held no valid value.
QJsonObject settingsJson(const QMap<QString, std::optional<QString>>& settings);
