#include "SettingsExchange.h"

namespace {
using Parameters::Parameter;

QString keyOf(const Parameter* parameter) {
    return QString::fromLatin1(parameter->key);
}
} // namespace

SettingsExchange::SettingsExchange(PortSession& portSession, QObject* parent)
    : QObject(parent), session(portSession) {}

SettingsExchange::Keys SettingsExchange::everyKey() {
    Keys keys;
    for (const Parameter& parameter : Parameters::all())
        keys << &parameter;
    return keys;
}

void SettingsExchange::read(const Keys& keys, const QString& step,
                            const std::function<void()>& next) {
    readFrom(keys, step, 0, next);
}

void SettingsExchange::readFrom(const Keys& keys, const QString& step, int index,
                                const std::function<void()>& next) {
    if (index >= keys.size()) {
        next();
        return;
    }
    const Parameter* parameter = keys[index];
    session.setStep(QStringLiteral("%1 %2").arg(step, keyOf(parameter)));
    emit progressed(step, keyOf(parameter), index + 1, static_cast<int>(keys.size()));
    session.query(
        parameter->type, QStringLiteral("the %1 query").arg(keyOf(parameter)),
        [this, keys, step, index, next, parameter](const Frames::Answer& answer) {
            if (answer.status != 0) {
                emit refused(
                    QStringLiteral("the module refused the %1 query").arg(keyOf(parameter)));
                return;
            }
            held[keyOf(parameter)] = Parameters::decode(*parameter, answer.data);
            readFrom(keys, step, index + 1, next);
        });
}

void SettingsExchange::write(const Values& values, const std::function<void()>& next) {
    writeFrom(values, 0, next);
}

void SettingsExchange::writeFrom(const Values& values, int index,
                                 const std::function<void()>& next) {
    if (index >= values.size()) {
        next();
        return;
    }
    const auto& [parameter, value] = values[index];
    session.setStep(QStringLiteral("writing %1").arg(keyOf(parameter)));
    emit progressed(QStringLiteral("writing"), keyOf(parameter), index + 1,
                    static_cast<int>(values.size()));
    session.set(parameter->type, Parameters::encode(*parameter, value),
                QStringLiteral("the %1 set command").arg(keyOf(parameter)),
                [this, values, index, next, parameter = parameter](const Frames::Answer& answer) {
                    if (answer.status != 0) {
                        emit refused(QStringLiteral("the module refused %1").arg(keyOf(parameter)));
                        return;
                    }
                    writtenKeys << keyOf(parameter);
                    writeFrom(values, index + 1, next);
                });
}

SettingsExchange::Values SettingsExchange::differing(const Values& values) const {
    Values differ;
    for (const auto& value : values)
        if (held.value(keyOf(value.first)) != value.second)
            differ << value;
    return differ;
}

QString SettingsExchange::mismatch(const Values& values) const {
    const Values differ = differing(values);
    if (differ.isEmpty())
        return {};
    const auto& [parameter, value] = differ.first();
    const auto heldValue = held.value(keyOf(parameter));
    return QStringLiteral("%1 reads back as %2, not \"%3\"")
        .arg(keyOf(parameter),
             heldValue ? QStringLiteral("\"%1\"").arg(*heldValue)
                       : QStringLiteral("no valid value"),
             value);
}
