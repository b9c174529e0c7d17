// Each set step: the frame it writes, the command it records as in flight,
// its status text, and the fields it refuses.
#include "FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <map>

namespace {
using Step = void (frmParvex::*)();

const std::map<QString, Step>& steps() {
    static const std::map<QString, Step> all = {
        {"SetBaudRate", &frmParvex::SetBaudRate},
        {"SetSecurity", &frmParvex::SetSecurity},
        {"SetPassword", &frmParvex::SetPassword},
        {"SetSniffParam", &frmParvex::SetSniffParam},
        {"SetParkParam", &frmParvex::SetParkParam},
        {"SetDeviceName", &frmParvex::SetDeviceName},
        {"SetClassOfDevice", &frmParvex::SetClassOfDevice},
        {"SetMasterSlave", &frmParvex::SetMasterSlave},
        {"SetScanParam", &frmParvex::SetScanParam},
        {"SetBind", &frmParvex::SetBind},
    };
    return all;
}

void run(WindowUnderTest& w, const QString& step) {
    (w.window.get()->*steps().at(step))();
}

// Puts values into controls by name: text for boxes, state for check boxes,
// the row for lists (added first when the list does not offer it).
void fill(WindowUnderTest& w, const QVariantMap& values) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        QWidget* control = w->findChild<QWidget*>(it.key());
        QVERIFY2(control, qPrintable(it.key()));
        if (auto* box = qobject_cast<QLineEdit*>(control)) {
            box->setText(it.value().toString());
        } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
            check->setChecked(it.value().toBool());
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            if (list->findText(it.value().toString()) < 0)
                list->addItem(it.value().toString());
            list->setCurrentText(it.value().toString());
        }
    }
}

// Valid values for every field a step reads.
QVariantMap validFields() {
    return {
        {"txtSniffMaxIntval", "0320"}, {"txtSniffMinIntval", "0050"},  {"txtAttempt", "0008"},
        {"txtTimeout", "0008"},        {"txtParkMaxIntval", "0800"},   {"txtParkMinIntval", "0100"},
        {"txtPsInterval", "0400"},     {"txtPsWindow", "0200"},        {"txtIsInterval", "0400"},
        {"txtIsWindow", "0200"},       {"txtClassOfDevice", "001F00"}, {"txtPwd", "1234"},
        {"txtBDName", "Module"}};
}

QVariantMap with(QVariantMap values, const QVariantMap& changes) {
    for (auto it = changes.begin(); it != changes.end(); ++it)
        values[it.key()] = it.value();
    return values;
}

QString hex(const QByteArray& b) {
    return QString::fromLatin1(b.toHex(' ').toUpper());
}
} // namespace

class SetStepsTest : public QObject {
    Q_OBJECT
private slots:
    void stepWritesItsFrameAfterThePause_data();
    void stepWritesItsFrameAfterThePause();
    void onlyTheBaudRateStepStartsTheRetryTimer();
    void baudRateKeepsItsBytesForAnUnknownText();
    void closedPortWritesNothingButPausesAndRecords();
    void badHexFieldIsRefusedWithNothingSent_data();
    void badHexFieldIsRefusedWithNothingSent();
    void classOfDeviceIsPaddedInTheFieldBeforeSending();
    void hexFieldsNeverCarryBytesOfAnEarlierStep();
};

void SetStepsTest::stepWritesItsFrameAfterThePause_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QVariantMap>("fields");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("status");

    const QString baud = QStringLiteral("Setting the baud rate......");
    QTest::newRow("baud 9600") << "SetBaudRate" << QVariantMap{{"paramBaudRate", "9600"}}
                               << bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x27}) << baud;
    QTest::newRow("baud 115200") << "SetBaudRate" << QVariantMap{{"paramBaudRate", "115200"}}
                                 << bytes({0x55, 0xAA, 0x03, 0x01, 0x01, 0xD8}) << baud;
    QTest::newRow("baud No Change") << "SetBaudRate" << QVariantMap{{"paramBaudRate", "No Change"}}
                                    << bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x00}) << baud;
    QTest::newRow("baud 1200") << "SetBaudRate" << QVariantMap{{"paramBaudRate", "1200"}}
                               << bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x05}) << baud;
    QTest::newRow("baud 230400, reported by a module")
        << "SetBaudRate" << QVariantMap{{"paramBaudRate", "230400"}}
        << bytes({0x55, 0xAA, 0x03, 0x01, 0x03, 0xB0}) << baud;

    const QString security = QStringLiteral("Setting the security....");
    QTest::newRow("security on") << "SetSecurity" << QVariantMap{{"IsAuth", true}}
                                 << bytes({0x55, 0xAA, 0x02, 0x02, 0x01}) << security;
    QTest::newRow("security off") << "SetSecurity" << QVariantMap{{"IsAuth", false}}
                                  << bytes({0x55, 0xAA, 0x02, 0x02, 0x00}) << security;

    const QString password = QStringLiteral("Setting the password......");
    QTest::newRow("password of four")
        << "SetPassword" << QVariantMap{{"txtPwd", "1234"}}
        << bytes({0x55, 0xAA, 0x05, 0x03, 0x31, 0x32, 0x33, 0x34}) << password;
    QTest::newRow("password with spaces kept")
        << "SetPassword" << QVariantMap{{"txtPwd", " a b "}}
        << bytes({0x55, 0xAA, 0x06, 0x03, 0x20, 0x61, 0x20, 0x62, 0x20}) << password;
    QTest::newRow("password in Latin-1")
        << "SetPassword" << QVariantMap{{"txtPwd", QString::fromUtf8("pässwörd")}}
        << bytes({0x55, 0xAA, 0x09, 0x03, 0x70, 0xE4, 0x73, 0x73, 0x77, 0xF6, 0x72, 0x64})
        << password;
    QTest::newRow("password beyond Latin-1")
        << "SetPassword" << QVariantMap{{"txtPwd", QString::fromUtf8("€1")}}
        << bytes({0x55, 0xAA, 0x03, 0x03, 0x3F, 0x31}) << password;

    const QString sniff = QStringLiteral("Setting the Sniff Mode Parameter......");
    QTest::newRow("sniff") << "SetSniffParam"
                           << QVariantMap{{"txtSniffMaxIntval", "0102"},
                                          {"txtSniffMinIntval", "0304"},
                                          {"txtAttempt", "0506"},
                                          {"txtTimeout", "0708"}}
                           << bytes({0x55, 0xAA, 0x09, 0x04, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                     0x07, 0x08})
                           << sniff;
    QTest::newRow("sniff, short texts")
        << "SetSniffParam"
        << QVariantMap{{"txtSniffMaxIntval", "320"},
                       {"txtSniffMinIntval", "50"},
                       {"txtAttempt", "8"},
                       {"txtTimeout", "abcd"}}
        << bytes({0x55, 0xAA, 0x09, 0x04, 0x03, 0x20, 0x00, 0x50, 0x00, 0x08, 0xAB, 0xCD}) << sniff;

    const QString park = QStringLiteral("Setting the Park Mode Parameter......");
    QTest::newRow("park") << "SetParkParam"
                          << QVariantMap{{"txtParkMaxIntval", "0800"}, {"txtParkMinIntval", "0100"}}
                          << bytes({0x55, 0xAA, 0x05, 0x05, 0x08, 0x00, 0x01, 0x00}) << park;
    QTest::newRow("park, one digit and FFFF")
        << "SetParkParam" << QVariantMap{{"txtParkMaxIntval", "1"}, {"txtParkMinIntval", "FfFf"}}
        << bytes({0x55, 0xAA, 0x05, 0x05, 0x00, 0x01, 0xFF, 0xFF}) << park;

    const QString name = QStringLiteral("Setting the device name......");
    QTest::newRow("device name") << "SetDeviceName" << QVariantMap{{"txtBDName", "ABC"}}
                                 << bytes({0x55, 0xAA, 0x04, 0x06, 0x41, 0x42, 0x43}) << name;
    QTest::newRow("device name of fourteen")
        << "SetDeviceName" << QVariantMap{{"txtBDName", "ABCDEFGHIJKLMN"}}
        << bytes({0x55, 0xAA, 0x0F, 0x06, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
                  0x4A, 0x4B, 0x4C, 0x4D, 0x4E})
        << name;
    QTest::newRow("empty device name") << "SetDeviceName" << QVariantMap{{"txtBDName", ""}}
                                       << bytes({0x55, 0xAA, 0x01, 0x06}) << name;

    const QString cod = QStringLiteral("Setting the class of device......");
    QTest::newRow("class of device")
        << "SetClassOfDevice" << QVariantMap{{"txtClassOfDevice", "001F00"}}
        << bytes({0x55, 0xAA, 0x04, 0x07, 0x00, 0x1F, 0x00}) << cod;
    QTest::newRow("class of device, focus still in the field")
        << "SetClassOfDevice" << QVariantMap{{"txtClassOfDevice", "1F00"}}
        << bytes({0x55, 0xAA, 0x04, 0x07, 0x00, 0x1F, 0x00}) << cod;
    QTest::newRow("class of device, empty")
        << "SetClassOfDevice" << QVariantMap{{"txtClassOfDevice", ""}}
        << bytes({0x55, 0xAA, 0x04, 0x07, 0x00, 0x00, 0x00}) << cod;

    const QString role = QStringLiteral("Setting the Master/Slave paramter......");
    QTest::newRow("master") << "SetMasterSlave" << QVariantMap{{"IsMaster", true}}
                            << bytes({0x55, 0xAA, 0x02, 0x08, 0x01}) << role;
    QTest::newRow("slave") << "SetMasterSlave" << QVariantMap{{"IsMaster", false}}
                           << bytes({0x55, 0xAA, 0x02, 0x08, 0x00}) << role;

    QTest::newRow("scan") << "SetScanParam"
                          << QVariantMap{{"txtPsInterval", "0400"},
                                         {"txtPsWindow", "0200"},
                                         {"txtIsInterval", "0400"},
                                         {"txtIsWindow", "0200"}}
                          << bytes({0x55, 0xAA, 0x09, 0x0D, 0x04, 0x00, 0x02, 0x00, 0x04, 0x00,
                                    0x02, 0x00})
                          << QStringLiteral("Setting the page/inquiry scan parameter......");

    const QString bind = QStringLiteral("Setting Bind......");
    QTest::newRow("bind off") << "SetBind" << QVariantMap{{"chkIsBind", false}}
                              << bytes({0x55, 0xAA, 0x02, 0x0E, 0x00}) << bind;
    QTest::newRow("bind on") << "SetBind" << QVariantMap{{"chkIsBind", true}}
                             << bytes({0x55, 0xAA, 0x02, 0x0E, 0x01}) << bind;
}

void SetStepsTest::stepWritesItsFrameAfterThePause() {
    QFETCH(QString, step);
    QFETCH(QVariantMap, fields);
    QFETCH(QByteArray, frame);
    QFETCH(QString, status);
    WindowUnderTest w;
    w.port->open = true;
    fill(w, with(validFields(), fields));
    run(w, step);

    QCOMPARE(w.clock.pauses, QList<int>{500});
    QCOMPARE(w.port->written.size(), 1);
    QCOMPARE(hex(w.port->written[0].bytes), hex(frame));
    QCOMPARE(w.port->written[0].atMs, qint64(500));
    QCOMPARE(w->CurCmdType, static_cast<uint8_t>(frame[3]));
    QCOMPARE(hex(w->CurCmdParam), hex(frame.mid(4)));
    QCOMPARE(w.status(), status);
    QVERIFY(w.boxes.shown.isEmpty());
}

void SetStepsTest::onlyTheBaudRateStepStartsTheRetryTimer() {
    for (const auto& [name, step] : steps()) {
        for (bool runningBefore : {false, true}) {
            WindowUnderTest w;
            w.port->open = true;
            fill(w, validFields());
            if (runningBefore)
                w->RetryTimer->start();
            run(w, name);
            const bool expected = name == QLatin1String("SetBaudRate") || runningBefore;
            QVERIFY2(w->RetryTimer->isActive() == expected,
                     qPrintable(QStringLiteral("%1, timer %2 before")
                                    .arg(name, runningBefore ? "running" : "stopped")));
            QCOMPARE(w.port->written.size(), 1);
        }
    }
}

void SetStepsTest::baudRateKeepsItsBytesForAnUnknownText() {
    WindowUnderTest w;
    w.port->open = true;
    fill(w, {{"paramBaudRate", "300"}});
    w->SetBaudRate();
    fill(w, {{"paramBaudRate", "9600"}});
    w->SetBaudRate();
    fill(w, {{"paramBaudRate", "300"}});
    w->SetBaudRate();
    QCOMPARE(w.port->frames(), (QList<QByteArray>{bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x00}),
                                                  bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x27}),
                                                  bytes({0x55, 0xAA, 0x03, 0x01, 0x00, 0x27})}));
    QCOMPARE(w->CurCmdParam, bytes({0x00, 0x27}));
    QCOMPARE(w->BaudParam, (std::array<uint8_t, 2>{{0x00, 0x27}}));
}

void SetStepsTest::closedPortWritesNothingButPausesAndRecords() {
    for (const auto& [name, step] : steps()) {
        WindowUnderTest w;
        fill(w, validFields());
        QVERIFY(!w.port->open);
        run(w, name);
        QVERIFY2(w.port->written.isEmpty(), qPrintable(name));
        QCOMPARE(w.clock.pauses, QList<int>{500});
        QVERIFY2(w->CurCmdType != 0, qPrintable(name));
        QVERIFY2(w.status().startsWith(QStringLiteral("Setting")), qPrintable(name));
        QVERIFY2(w.boxes.shown.isEmpty(), qPrintable(name));
    }
    // What is recorded is what would have been sent.
    WindowUnderTest w;
    fill(w, {{"txtParkMaxIntval", "0800"}, {"txtParkMinIntval", "0100"}});
    w->SetParkParam();
    QCOMPARE(w->CurCmdType, uint8_t(5));
    QCOMPARE(hex(w->CurCmdParam), hex(bytes({0x08, 0x00, 0x01, 0x00})));
}

void SetStepsTest::badHexFieldIsRefusedWithNothingSent_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    struct Field {
        const char* step;
        const char* field;
        const char* name;
    };
    const Field fields[] = {
        {"SetSniffParam", "txtSniffMaxIntval", "Sniff Maximum"},
        {"SetSniffParam", "txtSniffMinIntval", "Sniff Minimum"},
        {"SetSniffParam", "txtAttempt", "Sniff attempt"},
        {"SetSniffParam", "txtTimeout", "Sniff timeout"},
        {"SetParkParam", "txtParkMaxIntval", "Park Maximum"},
        {"SetParkParam", "txtParkMinIntval", "Park Minimum"},
        {"SetScanParam", "txtPsInterval", "Page Scan interval"},
        {"SetScanParam", "txtPsWindow", "Page Scan window"},
        {"SetScanParam", "txtIsInterval", "Inquiry Scan interval"},
        {"SetScanParam", "txtIsWindow", "Inquiry Scan window"},
    };
    for (const Field& f : fields) {
        const QString message =
            QString::fromLatin1(f.name) + QStringLiteral(" must be 1 to 4 hexadecimal digits!");
        for (const char* text : {"", "12G4", "12345", " 12", "0x12"})
            QTest::addRow("%s \"%s\"", f.field, text)
                << f.step << f.field << QString::fromLatin1(text) << message;
    }
    const QString cod = QStringLiteral("Class of Device must be 6 hexadecimal digits!");
    for (const char* text : {"12345G", "1234567", "12 4", "0x1F00"})
        QTest::addRow("txtClassOfDevice \"%s\"", text)
            << "SetClassOfDevice"
            << "txtClassOfDevice" << QString::fromLatin1(text) << cod;
}

void SetStepsTest::badHexFieldIsRefusedWithNothingSent() {
    QFETCH(QString, step);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    WindowUnderTest w;
    w.port->open = true;
    fill(w, with(validFields(), {{field, text}}));
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    w->CurCmdType = 0x77;
    w->CurCmdParam = QByteArray("prior");

    run(w, step);

    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
    QCOMPARE(w->CurCmdType, uint8_t(0x77));
    QCOMPARE(w->CurCmdParam, QByteArray("prior"));
    QCOMPARE(w.status(), QStringLiteral("Ready"));
    QCOMPARE(w.boxes.shown.size(), 1);
    const BoxRequest& box = w.boxes.shown[0];
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Warn"));
    QVERIFY(box.icon == BoxIcon::Exclamation);
    QVERIFY(box.buttons == BoxButtons::Ok);
    // The operator is taken to the field, in the section shown for it.
    QVERIFY(w->AdvancedShown);
    QCOMPARE(QApplication::focusWidget(), w->findChild<QWidget*>(field));
}

void SetStepsTest::classOfDeviceIsPaddedInTheFieldBeforeSending() {
    WindowUnderTest w;
    w.port->open = true;
    fill(w, {{"txtClassOfDevice", "1F00"}});
    w->SetClassOfDevice();
    QCOMPARE(w->txtClassOfDevice->text(), QStringLiteral("001F00"));
    QCOMPARE(hex(w->CurCmdParam), hex(bytes({0x00, 0x1F, 0x00})));

    // A refused text is shown padded too.
    fill(w, {{"txtClassOfDevice", "12 4"}});
    w->SetClassOfDevice();
    QCOMPARE(w->txtClassOfDevice->text(), QStringLiteral("0012 4"));
    QCOMPARE(w.port->written.size(), 1);
}

void SetStepsTest::hexFieldsNeverCarryBytesOfAnEarlierStep() {
    WindowUnderTest w;
    w.port->open = true;
    fill(w, {{"txtSniffMaxIntval", "ABCD"},
             {"txtSniffMinIntval", "ABCD"},
             {"txtAttempt", "ABCD"},
             {"txtTimeout", "ABCD"},
             {"txtClassOfDevice", "EEEEEE"}});
    w->SetSniffParam();
    w->SetClassOfDevice();
    fill(w, {{"txtSniffMaxIntval", "1"},
             {"txtSniffMinIntval", "2"},
             {"txtAttempt", "3"},
             {"txtTimeout", "4"}});
    w->SetSniffParam();
    fill(w, {{"txtSniffMaxIntval", ""}});
    w->SetSniffParam();
    QCOMPARE(w.port->written.size(), 3);
    QCOMPARE(hex(w.port->written[2].bytes),
             hex(bytes({0x55, 0xAA, 0x09, 0x04, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04})));
    QCOMPARE(hex(w->CurCmdParam), hex(bytes({0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04})));
}

QTEST_MAIN(SetStepsTest)
#include "set_steps_test.moc"
