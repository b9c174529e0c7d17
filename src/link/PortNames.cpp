#include "PortNames.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <optional>

namespace {
QString rowName(int row) {
    return QStringLiteral("COM%1").arg(row);
}
} // namespace

PortNames defaultPortNames(PortSystem system) {
    PortNames names;
    if (system == PortSystem::Windows) {
        for (int row = 1; row <= 12; ++row)
            names[row] = rowName(row);
        return names;
    }
    for (int i = 0; i < 4; ++i) {
        names[1 + i] = QStringLiteral("/dev/ttyUSB%1").arg(i);
        names[5 + i] = QStringLiteral("/dev/ttyACM%1").arg(i);
    }
    names[9] = QStringLiteral("/dev/ttyS0");
    names[10] = QStringLiteral("/dev/ttyS1");
    names[11] = QStringLiteral("/dev/ttyAMA0");
    names[12] = QStringLiteral("/dev/rfcomm0");
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
    const QString device = names.value(row, QStringLiteral("no device"));
    return device == rowName(row) ? device : QStringLiteral("%1 (%2)").arg(rowName(row), device);
}

namespace {
// A device given without a folder ("COM3") is a port the system names; one
// with a folder is a file.
bool isPortName(const QString& device) {
    return !device.contains(QLatin1Char('/')) && !device.contains(QLatin1Char('\\'));
}

std::optional<QSerialPortInfo> listedPort(const QString& device) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const bool named = isPortName(device) ? info.portName() == device
                                              : info.systemLocation() == device ||
                                                    info.systemLocation() == canonical;
        if (named)
            return info;
    }
    return std::nullopt;
}

QString adapterDescription(const std::optional<QSerialPortInfo>& port) {
    if (!port)
        return {};
    const QSerialPortInfo& info = *port;
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
} // namespace

QString portRowTooltip(int row, const PortNames& names) {
    const QString device = names.value(row);
    if (device.isEmpty())
        return QStringLiteral("%1: no device assigned").arg(rowName(row));
    // The system's list is only looked through for a device that may be in it.
    const bool fileExists = !isPortName(device) && QFileInfo::exists(device);
    const auto listed = fileExists || isPortName(device) ? listedPort(device) : std::nullopt;
    const bool present = fileExists || listed;
    QString tip = QStringLiteral("%1: %2").arg(portRowLabel(row, names),
                                               present ? QStringLiteral("present")
                                                       : QStringLiteral("not present"));
    const QString adapter = adapterDescription(listed);
    if (!adapter.isEmpty())
        tip += QStringLiteral(" (%1)").arg(adapter);
    return tip;
}
