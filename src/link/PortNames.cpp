#include "PortNames.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

PortNames defaultPortNames() {
    PortNames names;
#ifdef Q_OS_WIN
    for (int row = 1; row <= 12; ++row)
        names[row] = QStringLiteral("COM%1").arg(row);
#else
    for (int i = 0; i < 4; ++i) {
        names[1 + i] = QStringLiteral("/dev/ttyUSB%1").arg(i);
        names[5 + i] = QStringLiteral("/dev/ttyACM%1").arg(i);
    }
    names[9] = QStringLiteral("/dev/ttyS0");
    names[10] = QStringLiteral("/dev/ttyS1");
    names[11] = QStringLiteral("/dev/ttyAMA0");
    names[12] = QStringLiteral("/dev/rfcomm0");
#endif
    return names;
}

int portRowOf(const QString& text) {
    static const QRegularExpression row(QStringLiteral("^COM([1-9]|1[0-2])$"));
    const auto match = row.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString portRowLabel(int row, const PortNames& names) {
    if (row == 0)
        return names.value(0, QStringLiteral("no device"));
    return QStringLiteral("COM%1 (%2)").arg(row).arg(names.value(row, QStringLiteral("no device")));
}

namespace {
QString adapterDescription(const QString& device) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() != device && info.systemLocation() != canonical)
            continue;
        QStringList parts;
        if (!info.manufacturer().isEmpty())
            parts << info.manufacturer();
        if (!info.description().isEmpty())
            parts << info.description();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            parts << QStringLiteral("%1:%2")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        return parts.join(QStringLiteral(", "));
    }
    return {};
}
} // namespace

QString portRowTooltip(int row, const PortNames& names) {
    const QString device = names.value(row);
    if (device.isEmpty())
        return QStringLiteral("COM%1: no device assigned").arg(row);
    const bool present = QFileInfo::exists(device);
    QString tip = QStringLiteral("%1: %2").arg(portRowLabel(row, names),
                                               present ? QStringLiteral("present")
                                                       : QStringLiteral("not present"));
    const QString adapter = present ? adapterDescription(device) : QString();
    if (!adapter.isEmpty())
        tip += QStringLiteral(" (%1)").arg(adapter);
    return tip;
}
