#include "Profile.h"

#include "JsonValues.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// "line 3, column 14" of a byte offset in the text.
QString positionOf(const QByteArray& text, int offset) {
    const QByteArray before = text.left(offset);
    const int line = static_cast<int>(before.count('\n')) + 1;
    const int column = static_cast<int>(offset - before.lastIndexOf('\n'));
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// The file's text, or why it cannot be read.
QString readAll(const QString& path, QByteArray& text) {
    QFile file(path);
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : file.open(QIODevice::ReadOnly);
    if (!opened)
        return file.errorString();
    text = file.readAll();
    return {};
}

// A read's document of one port gives that port's settings.
QString settingsOf(const QJsonObject& root, QJsonObject& settings) {
    if (!root.contains(QLatin1String("ports"))) {
        settings = root;
        return {};
    }
    const QJsonArray ports = root.value(QLatin1String("ports")).toArray();
    if (ports.size() != 1)
        return QStringLiteral("a read's document must hold exactly one port, not %1")
            .arg(ports.size());
    const QJsonValue held = ports.first().toObject().value(QLatin1String("settings"));
    if (!held.isObject())
        return QStringLiteral("the port in the document has no settings object");
    settings = held.toObject();
    return {};
}
} // namespace

QString addValue(Request& request, const QString& key, const QString& text) {
    const Parameters::Parameter* parameter = Parameters::byKey(key);
    if (!parameter)
        return QStringLiteral("unknown key \"%1\" (keys: %2)").arg(key, Parameters::keyList(true));
    for (const auto& value : request.values)
        if (value.first == parameter)
            return QStringLiteral("%1: given twice").arg(key);
    const Parameters::Checked checked = Parameters::check(*parameter, text);
    if (!checked.value)
        return QStringLiteral("%1: %2").arg(key, checked.rule);
    request.values << qMakePair(parameter, *checked.value);
    return {};
}

QString loadProfile(const QString& path, Request& request) {
    QByteArray text;
    if (const QString error = readAll(path, text); !error.isEmpty())
        return QStringLiteral("%1: %2").arg(path, error);
    request.profileDigest = QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("%1: %2: %3")
            .arg(path, positionOf(text, parseError.offset), parseError.errorString());
    if (!document.isObject())
        return QStringLiteral("%1: must hold a JSON object of settings").arg(path);
    QJsonObject settings;
    if (const QString error = settingsOf(document.object(), settings); !error.isEmpty())
        return QStringLiteral("%1: %2").arg(path, error);
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const Parameters::Parameter* parameter = Parameters::byKey(it.key());
        if (parameter && !parameter->writable())
            continue;
        QString typeError;
        const auto value = parameter ? fromJson(*parameter, it.value(), typeError) : QString();
        if (!value)
            return QStringLiteral("%1: %2: %3").arg(path, it.key(), typeError);
        if (const QString error = addValue(request, it.key(), *value); !error.isEmpty())
            return QStringLiteral("%1: %2").arg(path, error);
    }
    return {};
}
