#include "ModuleState.h"

#include <QRegularExpression>

namespace {
QString unescaped(const QString& text) {
    static const QRegularExpression escape(QStringLiteral("\\\\x([0-9A-Fa-f]{2})"));
    QString plain;
    qsizetype from = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        plain += text.mid(from, match.capturedStart() - from);
        plain += QChar(match.captured(1).toUShort(nullptr, 16));
        from = match.capturedEnd();
    }
    return plain + text.mid(from);
}
} // namespace

QMap<QString, QString> parseModuleState(const QString& line) {
    QMap<QString, QString> fields;
    if (!line.startsWith(QLatin1String("state: ")))
        return fields;
    static const QRegularExpression key(QStringLiteral("(?:^| )(\\w+)="));
    const QString body = line.mid(7);
    auto it = key.globalMatch(body);
    if (!it.hasNext())
        return fields;
    auto current = it.next();
    for (;;) {
        const bool last = !it.hasNext();
        const auto next = last ? current : it.next();
        const qsizetype end = last ? body.size() : next.capturedStart();
        fields.insert(current.captured(1),
                      unescaped(body.mid(current.capturedEnd(), end - current.capturedEnd())));
        if (last)
            return fields;
        current = next;
    }
}
