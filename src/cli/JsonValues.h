#pragma once

#include "protocol/Parameters.h"

#include <QJsonValue>
#include <QString>
#include <optional>

// How a parameter's value looks in JSON: on/off switches as true and false,
// rates and counts as numbers, everything else as its text.
QJsonValue toJson(const Parameters::Parameter& parameter, const QString& value);

// A JSON value as the text the parameter's check takes; nothing, with the
// expected type in error, for a value of the wrong type.
std::optional<QString> fromJson(const Parameters::Parameter& parameter, const QJsonValue& value,
                                QString& error);
