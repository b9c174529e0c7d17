#include "FieldValues.h"

#include <optional>

namespace {
// Decimal: flags, the baud-rate code and the maximum of connections.
const QStringList decimalKeys = {QStringLiteral("auth"), QStringLiteral("master"),
                                 QStringLiteral("bind"), QStringLiteral("baud"),
                                 QStringLiteral("maxconn")};
// Hexadecimal: the class of device and the comma-separated word groups.
const QStringList hexKeys = {QStringLiteral("cod"), QStringLiteral("sniff"), QStringLiteral("park"),
                             QStringLiteral("scan")};

// The numbers of a comma-separated list; nothing when one is not a number.
std::optional<QList<qulonglong>> numbers(const QString& text, int base) {
    QList<qulonglong> values;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        values << part.toULongLong(&ok, base);
        if (!ok)
            return std::nullopt;
    }
    return values;
}
} // namespace

const QStringList parameterFieldKeys = {
    QStringLiteral("name"),   QStringLiteral("pwd"),    QStringLiteral("auth"),
    QStringLiteral("baud"),   QStringLiteral("sniff"),  QStringLiteral("park"),
    QStringLiteral("master"), QStringLiteral("cod"),    QStringLiteral("bind"),
    QStringLiteral("scan"),   QStringLiteral("maxconn")};

bool sameField(const QString& key, const QString& a, const QString& b, FieldComparison how) {
    const int base = decimalKeys.contains(key) ? 10 : hexKeys.contains(key) ? 16 : 0;
    if (how == FieldComparison::Text || base == 0)
        return a == b;
    const auto left = numbers(a, base);
    return left && left == numbers(b, base);
}

QStringList fieldDifferences(const FieldMap& a, const QString& aName, const FieldMap& b,
                             const QString& bName, const QStringList& keys, FieldComparison how) {
    QStringList differ;
    for (const QString& key : keys) {
        if (!b.contains(key) || !sameField(key, a.value(key), b.value(key), how))
            differ << QStringLiteral("%1: %2 \"%3\", %4 \"%5\"")
                          .arg(key, aName, a.value(key), bName,
                               b.value(key, QStringLiteral("<none>")));
    }
    return differ;
}
