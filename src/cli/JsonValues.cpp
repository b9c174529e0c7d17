#include "JsonValues.h"

namespace {
using Parameters::Kind;

bool isNumber(const Parameters::Parameter& parameter) {
    return parameter.kind == Kind::Rate || parameter.kind == Kind::Count;
}
} // namespace

QJsonValue toJson(const Parameters::Parameter& parameter, const QString& value) {
    if (parameter.isOnOff())
        return value == QLatin1String(parameter.on);
    bool numeric = false;
    const int number = value.toInt(&numeric);
    if (isNumber(parameter) && numeric)
        return number;
    return value;
}

std::optional<QString> fromJson(const Parameters::Parameter& parameter, const QJsonValue& value,
                                QString& error) {
    if (parameter.isOnOff() && value.isBool())
        return QString::fromLatin1(value.toBool() ? parameter.on : parameter.off);
    if (isNumber(parameter) && value.isDouble() && value.toDouble() == value.toInteger())
        return QString::number(value.toInteger());
    if (value.isString())
        return value.toString();
    error = parameter.isOnOff()   ? QStringLiteral("must be true or false")
            : isNumber(parameter) ? QStringLiteral("must be a whole number")
                                  : QStringLiteral("must be a string");
    return std::nullopt;
}

QJsonObject settingsJson(const QMap<QString, std::optional<QString>>& settings) {
    QJsonObject json;
    for (const Parameters::Parameter& parameter : Parameters::all()) {
        const QString key = QString::fromLatin1(parameter.key);
        if (!settings.contains(key))
            continue;
        const auto value = settings.value(key);
        json[key] = value ? toJson(parameter, *value) : QJsonValue();
    }
    return json;
}
