// The port rows: the device each stands for on each system, and how a row
// is named to the operator.
#include "link/PortNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(PortSystem)

class PortNamesTest : public QObject {
    Q_OBJECT
private slots:
    void rowsNameTheirDevices_data();
    void rowsNameTheirDevices();
};

void PortNamesTest::rowsNameTheirDevices_data() {
    QTest::addColumn<PortSystem>("system");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("label");
    const auto row = [](const char* name, PortSystem system, const char* text, const char* device,
                        const char* label) {
        QTest::newRow(name) << system << QString::fromLatin1(text) << QString::fromLatin1(device)
                            << QString::fromLatin1(label);
    };
    row("Linux, first USB adapter", PortSystem::Unix, "COM1", "/dev/ttyUSB0",
        "COM1 (/dev/ttyUSB0)");
    row("Linux, first CDC adapter", PortSystem::Unix, "COM5", "/dev/ttyACM0",
        "COM5 (/dev/ttyACM0)");
    row("Linux, last row", PortSystem::Unix, "COM12", "/dev/rfcomm0", "COM12 (/dev/rfcomm0)");
    // A Windows row is the port of its own name, and says it once.
    row("Windows, first row", PortSystem::Windows, "COM1", "COM1", "COM1");
    row("Windows, two digits", PortSystem::Windows, "COM10", "COM10", "COM10");
    row("Windows, last row", PortSystem::Windows, "COM12", "COM12", "COM12");
}

void PortNamesTest::rowsNameTheirDevices() {
    QFETCH(PortSystem, system);
    QFETCH(QString, row);
    QFETCH(QString, device);
    QFETCH(QString, label);
    const PortNames names = defaultPortNames(system);
    QCOMPARE(names.size(), 12);
    const int number = portRowOf(row);
    QCOMPARE(names.value(number), device);
    QCOMPARE(portRowLabel(number, names), label);

    // A Windows port name is never taken for a file of that name in the
    // current folder (Linux lists no port by such a name).
    if (system == PortSystem::Windows && hostPortSystem() == PortSystem::Unix) {
        QTemporaryDir folder;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        QVERIFY(QFile(device).open(QIODevice::WriteOnly));
        const QString tooltip = portRowTooltip(number, names);
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(tooltip, label + QLatin1String(": not present"));
    }
}

QTEST_GUILESS_MAIN(PortNamesTest)
#include "port_names_test.moc"
