#pragma once

#include <QMap>
#include <QString>

// "state: name=KAVRO5190 pwd=5807 auth=1 ..." as field name to value; empty
// when the line is not a state line. The module writes a byte outside
// printable ASCII, and the backslash, as \xNN; they are read back as the
// byte. A value runs up to the space before the next "key=", so names and
// passwords may hold spaces but not '='.
QMap<QString, QString> parseModuleState(const QString& line);
