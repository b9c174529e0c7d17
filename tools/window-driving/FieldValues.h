#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Parameter fields by the names of the module's state line ("name",
// "sniff", ...), each as text: "KAVRO5190", "0320,0050,0008,0008".
using FieldMap = QMap<QString, QString>;

// Every parameter field, the read-only maximum of connections included.
extern const QStringList parameterFieldKeys;

// Text: the texts are equal. Value: they stand for the same value, so that
// hex words and numbers compare as numbers (20 and 0020 are one value) and
// names and passwords as text.
enum class FieldComparison { Text, Value };

bool sameField(const QString& key, const QString& a, const QString& b, FieldComparison how);

// "key: <aName> "X", <bName> "Y"" for every one of keys that differs, or
// that b lacks.
QStringList fieldDifferences(const FieldMap& a, const QString& aName, const FieldMap& b,
                             const QString& bName, const QStringList& keys, FieldComparison how);
