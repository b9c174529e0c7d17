#include "Profile.h"

#include "JsonValues.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A value that begins as null, true or false goes wrong where it leaves the
// word, or at the end of the text. The parser stops just past the first
// wrong character, or just past the first letter when too little text
// follows for the word.
std::optional<qsizetype> whereWordGoesWrong(const QByteArray& text, qsizetype stop) {
    qsizetype start = stop - 1;
    while (start > 0 && !QByteArrayView(":,[").contains(text[start - 1]))
        --start;
    while (start < stop && isBlank(text[start]))
        ++start;
    if (start == 0 || start >= stop)
        return std::nullopt;
    const QByteArrayView word = text[start] == 'n'   ? "null"
                                : text[start] == 't' ? "true"
                                : text[start] == 'f' ? "false"
                                                     : "";
    if (word.isEmpty())
        return std::nullopt;
    qsizetype matched = 0;
    while (matched < word.size() && start + matched < text.size() &&
           text[start + matched] == word[matched])
        ++matched;
    return start + matched;
}

// The byte offset of the character that spoils the document, or its size
// when the document ends too soon. The parser stops on a character it could
// judge by looking at it (in a number, a string, after the document), but
// past one it had to take first (a token where another was due) and past
// any blanks after that. Where the text ran out, a blank added at its end
// moves the place the parser stops; where it took a token, it does not.
qsizetype offendingOffset(const QByteArray& text, const QJsonParseError& error) {
    switch (error.error) {
    case QJsonParseError::IllegalValue:
        if (const auto fault = whereWordGoesWrong(text, error.offset))
            return *fault;
        [[fallthrough]];
    case QJsonParseError::UnterminatedObject:
    case QJsonParseError::MissingNameSeparator:
    case QJsonParseError::UnterminatedArray:
    case QJsonParseError::MissingValueSeparator:
    case QJsonParseError::MissingObject: {
        QJsonParseError extended;
        QJsonDocument::fromJson(text + ' ', &extended);
        if (extended.offset != error.offset)
            return text.size();
        qsizetype taken = error.offset;
        while (taken > 0 && isBlank(text[taken - 1]))
            --taken;
        return taken > 0 ? taken - 1 : 0;
    }
    default:
        return error.offset;
    }
}

// "line 3, column 14" of a byte offset in the text, both from 1; columns
// count characters.
QString positionOf(const QByteArray& text, qsizetype offset) {
    const QByteArray before = text.left(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const int line = static_cast<int>(before.count('\n')) + 1;
    const auto column = QString::fromUtf8(before.mid(lineStart)).toUcs4().size() + 1;
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
            .arg(path, positionOf(text, offendingOffset(text, parseError)),
                 parseError.errorString());
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
