#include "ProductBoxes.h"

#include <QSet>

namespace {
QString key(const QString& title, BoxIcon icon, BoxButtons buttons, const QString& text) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(title)
        .arg(static_cast<int>(icon))
        .arg(static_cast<int>(buttons))
        .arg(text);
}

QSet<QString> productBoxes() {
    QSet<QString> all;
    auto add = [&](const char* title, BoxIcon icon, BoxButtons buttons, const QString& text) {
        all.insert(key(QString::fromLatin1(title), icon, buttons, text));
    };
    const auto ok = BoxButtons::Ok;
    for (const QString& text : {
             QStringLiteral("Port is not opened！"),
             QStringLiteral("Serial port is not opened！"),
             QStringLiteral("Current command execute fail,please try again after reset！！"),
             // A body too short for the answer header: 1 to 3 bytes.
             QStringLiteral("Answer too short: 1 byte"),
             QStringLiteral("Answer too short: 2 bytes"),
             QStringLiteral("Answer too short: 3 bytes"),
         })
        add("Error", BoxIcon::Critical, ok, text);
    add("Information", BoxIcon::Information, ok,
        QStringLiteral("Can not find the current baud rate,please set it manually!"));
    add("Warn", BoxIcon::Exclamation, ok, QStringLiteral("Please input the password！"));
    add("Warn", BoxIcon::Exclamation, ok,
        QStringLiteral("Class of Device must be 6 hexadecimal digits!"));
    for (const char* field : {"Sniff Maximum", "Sniff Minimum", "Sniff attempt", "Sniff timeout",
                              "Park Maximum", "Park Minimum", "Page Scan interval",
                              "Page Scan window", "Inquiry Scan interval", "Inquiry Scan window"})
        add("Warn", BoxIcon::Exclamation, ok,
            QString::fromLatin1(field) + QStringLiteral(" must be 1 to 4 hexadecimal digits!"));
    add("Warn", BoxIcon::Critical, ok,
        QStringLiteral("Page Scan window can not be larger than Page Scan interval!"));
    add("Warn", BoxIcon::Critical, ok,
        QStringLiteral("Inquiry Scan window can not be larger than Inquiry Scan interval!"));
    for (const char* subject :
         {"Baud Rate", "Encryption", "Password", "Sniff Mode Parameter", "Park Mode Parameter",
          "Device Name", "Class of Device", "Master/Slave", "Maximum", "page/inquiry scan", "Bind"})
        add("Confirm", BoxIcon::Information, BoxButtons::YesNo,
            QStringLiteral("Set [%1] timeout,continue?").arg(QString::fromLatin1(subject)));
    return all;
}
} // namespace

bool isProductBox(const BoxRequest& box, const QString& systemText) {
    static const QSet<QString> all = productBoxes();
    if (!systemText.isEmpty() && box.text == systemText)
        return box.title == QLatin1String("Error") && box.icon == BoxIcon::Critical &&
               box.buttons == BoxButtons::Ok;
    return all.contains(key(box.title, box.icon, box.buttons, box.text));
}

QString describeBox(const BoxRequest& box) {
    return QStringLiteral("[title \"%1\", text \"%2\", icon %3, buttons %4]")
        .arg(box.title, box.text)
        .arg(static_cast<int>(box.icon))
        .arg(static_cast<int>(box.buttons));
}
