#include "cli/station/SharedStore.h"

// A build without libpq: the station keeps its record on its own PC only.

namespace {
QString noStore() {
    return QStringLiteral("this build has no store (it was built without libpq)");
}
} // namespace

std::unique_ptr<SharedStore> openSharedStore(const QString&, const QString&,
                                             const std::optional<NamePattern>&, QString& error) {
    error = noStore();
    return nullptr;
}

QList<QJsonObject> readSharedStore(const QString&, const QString&, const QDate&, const QDate&,
                                   QString& error) {
    error = noStore();
    return {};
}
