// The Default button's factory values, and the Clear button's command with
// its resending.
#include "WindowHelpers.h"

#include <QtTest>

namespace {
const QByteArray clearFrame = bytes({0x55, 0xAA, 0x02, 0x0A, 0x00});

const QStringList factoryControls{"txtBDName",
                                  "txtPwd",
                                  "IsAuth",
                                  "paramBaudRate",
                                  "txtSniffMaxIntval",
                                  "txtSniffMinIntval",
                                  "txtParkMaxIntval",
                                  "txtParkMinIntval",
                                  "txtAttempt",
                                  "txtTimeout",
                                  "IsMaster",
                                  "txtMaxConnNum",
                                  "txtClassOfDevice",
                                  "chkIsBind",
                                  "txtPsInterval",
                                  "txtPsWindow",
                                  "txtIsInterval",
                                  "txtIsWindow"};
const QStringList factoryValues{"KAVRO5190", "5807",    "checked", "9600", "0000",      "0000",
                                "0000",      "0000",    "0000",    "0000", "unchecked", "1",
                                "000000",    "checked", "0400",    "0200", "0400",      "0200"};
} // namespace

class DefaultsClearTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void defaultWritesTheFactoryValuesOnly_data();
    void defaultWritesTheFactoryValuesOnly();
    void clearWithThePortClosedChangesNothing_data();
    void clearWithThePortClosedChangesNothing();
    void clearWritesItsCommandAndStartsTheClock();
    void unansweredClearIsResentAsItself_data();
    void unansweredClearIsResentAsItself();
};

void DefaultsClearTest::defaultWritesTheFactoryValuesOnly_data() {
    QTest::addColumn<bool>("afterRead");
    QTest::newRow("fresh window") << false;
    QTest::newRow("after a read, port closed, sliders at close") << true;
}

void DefaultsClearTest::defaultWritesTheFactoryValuesOnly() {
    QFETCH(bool, afterRead);
    WindowUnderTest w;
    if (afterRead) {
        readKnownModule(w);
        w->CmdConn_Click();
        w->SniffSlider->setValue(1);
        w->ParkSlider->setValue(1);
        w->IsMaster->setChecked(true);
        w->Label_retry->setText(QStringLiteral("Attempt number:2"));
        w.port->written.clear();
        w.clock.pauses.clear();
    }
    const int sniffSlider = w->SniffSlider->value();
    const int parkSlider = w->ParkSlider->value();
    const QString status = w->Status->text();
    const QString retryLabel = w->Label_retry->text();
    const QString versionLabel = w->version->text();

    for (int press = 0; press < 2; ++press) {
        w->CmdSetDefault_Click();
        QCOMPARE(shownValues(*w.window, factoryControls), factoryValues);
    }

    QCOMPARE(w->SniffSlider->value(), sniffSlider);
    QCOMPARE(w->ParkSlider->value(), parkSlider);
    QCOMPARE(w->Status->text(), status);
    QCOMPARE(w->Label_retry->text(), retryLabel);
    QCOMPARE(w->version->text(), versionLabel);
    QCOMPARE(w->CmdConn->text(), QStringLiteral("Connect"));
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
    QVERIFY(w.boxes.shown.isEmpty());
}

void DefaultsClearTest::clearWithThePortClosedChangesNothing_data() {
    QTest::addColumn<bool>("afterRead");
    QTest::newRow("fresh window") << false;
    QTest::newRow("after a read and Disconnect") << true;
}

void DefaultsClearTest::clearWithThePortClosedChangesNothing() {
    QFETCH(bool, afterRead);
    WindowUnderTest w;
    if (afterRead) {
        readKnownModule(w);
        w->CmdConn_Click();
    }
    const QString status = w->Status->text();
    const uint8_t type = w->CurCmdType;
    const QByteArray param = w->CurCmdParam;
    const int16_t count = w->RetryCount;

    w->CmdClearAddr_Click();

    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Serial port is not opened！")});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(w->Status->text(), status);
    QCOMPARE(w->CurCmdType, type);
    QCOMPARE(w->CurCmdParam, param);
    QCOMPARE(w->RetryCount, count);
    QVERIFY(!w->RetryTimer->isActive());
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
}

void DefaultsClearTest::clearWritesItsCommandAndStartsTheClock() {
    WindowUnderTest w;
    readKnownModule(w);

    w->CmdClearAddr_Click();

    QCOMPARE(w.port->frames(), QList<QByteArray>{clearFrame});
    QCOMPARE(w.clock.pauses, QList<int>{500});
    QCOMPARE(w->Status->text(),
             QStringLiteral("    Clearing the binded bluetooth device's address......"));
    QCOMPARE(w->CurCmdType, uint8_t(0x0A));
    QCOMPARE(w->CurCmdParam, bytes({0x00}));
    QVERIFY(w->RetryTimer->isActive());
    QCOMPARE(w->QueryActive, frmParvex::True);
    QCOMPARE(w->SetActive, frmParvex::False);
    QVERIFY(w.boxes.shown.isEmpty());
}

void DefaultsClearTest::unansweredClearIsResentAsItself_data() {
    QTest::addColumn<QString>("before");
    QTest::newRow("after a read") << "read";
    QTest::newRow("after a Set") << "set";
    QTest::newRow("during the first detection, both flags 0") << "detection";
    QTest::newRow("after an earlier command was given up") << "give-up";
}

void DefaultsClearTest::unansweredClearIsResentAsItself() {
    QFETCH(QString, before);
    WindowUnderTest w;
    if (before == QLatin1String("detection")) {
        w->CmdConn_Click();
        QCOMPARE(w->QueryActive, frmParvex::False);
        QCOMPARE(w->SetActive, frmParvex::False);
    } else {
        readKnownModule(w);
    }
    if (before == QLatin1String("set")) {
        w->txtPwd->setText(QStringLiteral("abcd"));
        w->CmdSet_Click();
        QCOMPARE(w->SetActive, frmParvex::True);
    }
    if (before == QLatin1String("give-up")) {
        w->paramBaudRate->setCurrentText(QStringLiteral("19200"));
        w->CmdSet_Click();
        for (int tick = 0; tick < 3; ++tick)
            w->RetryTimer_Timer();
        QVERIFY(!w->RetryTimer->isActive());
    }
    w->CmdClearAddr_Click();
    w.port->written.clear();
    w.boxes.shown.clear();

    w->RetryTimer_Timer();
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:1"));
    w->RetryTimer_Timer();
    QCOMPARE(w->Label_retry->text(), QStringLiteral("Attempt number:2"));
    QCOMPARE(w.port->frames(), QList<QByteArray>(2, clearFrame));
    QVERIFY(w.boxes.shown.isEmpty());

    w->RetryTimer_Timer();
    QCOMPARE(w.port->written.size(), 2);
    QCOMPARE(w.boxes.texts(),
             QStringList{
                 QStringLiteral("Current command execute fail,please try again after reset！！")});
    QVERIFY(!w->RetryTimer->isActive());
}

QTEST_MAIN(DefaultsClearTest)
#include "defaults_clear_test.moc"
