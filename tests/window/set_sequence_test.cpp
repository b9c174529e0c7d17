// The Set action: what it sends for the parameters that changed since the
// last read or Set, in which order, and what stops it.
#include "WindowHelpers.h"

#include <QtTest>

namespace {
const QString pageScanTooLarge =
    QStringLiteral("Page Scan window can not be larger than Page Scan interval!");
const QString inquiryScanTooLarge =
    QStringLiteral("Inquiry Scan window can not be larger than Inquiry Scan interval!");

// A module still at its factory values, as the read asks for them.
QList<ReadAnswer> factoryModuleAnswers() {
    return {{0, bytes({2, 10})},
            {1, bytes({0x00, 0x27})},
            {2, bytes({1})},
            {3, QByteArray("5807")},
            {4, QByteArray(8, '\0')},
            {5, QByteArray(4, '\0')},
            {6, QByteArray("KAVRO5190")},
            {7, QByteArray(3, '\0')},
            {8, bytes({0})},
            {9, bytes({1})},
            {13, bytes({0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00})},
            {14, bytes({1})}};
}

// What Set sends for the factory values, in the order it sends them.
QList<QByteArray> factoryValueFrames() {
    return {setFrame(2, bytes({1})),
            setFrame(3, QByteArray("5807")),
            setFrame(7, QByteArray(3, '\0')),
            setFrame(6, QByteArray("KAVRO5190")),
            setFrame(8, bytes({0})),
            setFrame(5, QByteArray(4, '\0')),
            setFrame(4, QByteArray(8, '\0')),
            setFrame(1, bytes({0x00, 0x27})),
            setFrame(13, bytes({0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00})),
            setFrame(14, bytes({1}))};
}

QList<int> typesOf(const QList<QByteArray>& frames) {
    QList<int> types;
    for (const QByteArray& frame : frames)
        types << typeOfFrame(frame);
    return types;
}
} // namespace

class SetSequenceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void nothingChangedSendsNothing();
    void singleChangeSendsItsOneFrame_data();
    void singleChangeSendsItsOneFrame();
    void everyChangeSendsTenFramesInOrder();
    void parkBoxesCompareOneByOne_data();
    void parkBoxesCompareOneByOne();
    void scanWindowAgainstInterval_data();
    void scanWindowAgainstInterval();
    void badHexFieldIsRefusedBeforeAnythingIsSent_data();
    void badHexFieldIsRefusedBeforeAnythingIsSent();
    void noChangeRateSendsCodeZeroAndIsKept();
    void setRefusedBeforeItStarts_data();
    void setRefusedBeforeItStarts();
    void setDuringDetectionAfterDefaultSendsAllTen();
    void nothingHeldSendsEveryRow();
};

void SetSequenceTest::nothingChangedSendsNothing() {
    WindowUnderTest w;
    readKnownModule(w);
    const QString statusBefore = w->Status->text();

    w->CmdSet_Click();

    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(w->Status->text(), statusBefore);
    QVERIFY(w->CmdSet->isEnabled());
}

void SetSequenceTest::singleChangeSendsItsOneFrame_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("status");
    QTest::newRow("security off") << "IsAuth"
                                  << "unchecked" << setFrame(2, bytes({0}))
                                  << "Setting the security....";
    QTest::newRow("password") << "txtPwd"
                              << "abcd" << setFrame(3, QByteArray("abcd"))
                              << "Setting the password......";
    QTest::newRow("class of device") << "txtClassOfDevice"
                                     << "5A020C" << setFrame(7, bytes({0x5A, 0x02, 0x0C}))
                                     << "Setting the class of device......";
    QTest::newRow("class of device of four digits")
        << "txtClassOfDevice"
        << "1F01" << setFrame(7, bytes({0x00, 0x1F, 0x01})) << "Setting the class of device......";
    QTest::newRow("device name") << "txtBDName"
                                 << "ABC" << setFrame(6, QByteArray("ABC"))
                                 << "Setting the device name......";
    QTest::newRow("master") << "IsMaster"
                            << "checked" << setFrame(8, bytes({1}))
                            << "Setting the Master/Slave paramter......";
    QTest::newRow("park maximum") << "txtParkMaxIntval"
                                  << "0900" << setFrame(5, bytes({0x09, 0x00, 0x01, 0x00}))
                                  << "Setting the Park Mode Parameter......";
    QTest::newRow("sniff attempt")
        << "txtAttempt"
        << "0102" << setFrame(4, bytes({0x03, 0x20, 0x00, 0x50, 0x01, 0x02, 0x00, 0x08}))
        << "Setting the Sniff Mode Parameter......";
    QTest::newRow("sniff maximum of three digits")
        << "txtSniffMaxIntval"
        << "320" << setFrame(4, bytes({0x03, 0x20, 0x00, 0x50, 0x00, 0x08, 0x00, 0x08}))
        << "Setting the Sniff Mode Parameter......";
    QTest::newRow("baud rate") << "paramBaudRate"
                               << "19200" << setFrame(1, bytes({0x00, 0x4F}))
                               << "Setting the baud rate......";
    QTest::newRow("page scan window")
        << "txtPsWindow"
        << "0100" << setFrame(13, bytes({0x04, 0x00, 0x01, 0x00, 0x08, 0x00, 0x01, 0x00}))
        << "Setting the page/inquiry scan parameter......";
    QTest::newRow("bind off") << "chkIsBind"
                              << "unchecked" << setFrame(14, bytes({0})) << "Setting Bind......";
}

void SetSequenceTest::singleChangeSendsItsOneFrame() {
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(QByteArray, frame);
    QFETCH(QString, status);
    WindowUnderTest w;
    readKnownModule(w);
    setShownValue(*w.window, control, value);

    w->CmdSet_Click();

    QCOMPARE(w.port->frames(), QList<QByteArray>{frame});
    QCOMPARE(w.clock.pauses, QList<int>{500});
    QCOMPARE(w.status(), status);
    QCOMPARE(int(w->CurCmdType), typeOfFrame(frame));
    QCOMPARE(w->CurCmdParam, frame.mid(4));
    QCOMPARE(w->SetActive, frmParvex::True);
    QCOMPARE(w->QueryActive, frmParvex::False);
    QVERIFY(w->CmdSet->isEnabled());
    QCOMPARE(w->RetryTimer->isActive(), control == QLatin1String("paramBaudRate"));
    QVERIFY(w.boxes.shown.isEmpty());

    // What was sent is what was last written: a second Set sends nothing.
    w->CmdSet_Click();
    QCOMPARE(w.port->written.size(), 1);
}

void SetSequenceTest::everyChangeSendsTenFramesInOrder() {
    WindowUnderTest w;
    readKnownModule(w);
    setShownValues(*w.window, parameterControls().mid(1),
                   {"19200", "unchecked", "abcd", "0001", "0002", "0003", "0004", "0005", "0006",
                    "Other", "123456", "checked", "7", "0800", "0400", "0800", "0400",
                    "unchecked"});
    const qint64 start = w.clock.nowMs;

    w->CmdSet_Click();

    QCOMPARE(typesOf(w.port->frames()), QList<int>({2, 3, 7, 6, 8, 5, 4, 1, 13, 14}));
    for (qsizetype i = 0; i < w.port->written.size(); ++i)
        QCOMPARE(w.port->written[i].atMs, start + 500 * (i + 1));
    QCOMPARE(w.port->frames()[6],
             setFrame(4, bytes({0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04})));
    QCOMPARE(w.status(), QStringLiteral("Setting Bind......"));
    QVERIFY(w->CmdSet->isEnabled());

    w->CmdSet_Click();
    QCOMPARE(w.port->written.size(), 10);
}

// Texts that join to the same text are still an edit of each box.
void SetSequenceTest::parkBoxesCompareOneByOne_data() {
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("then");
    QTest::addColumn<QByteArray>("thenSent");
    QTest::newRow("0100 20, then 01 0020") << QStringList{"0100", "20"} << QStringList{"01", "0020"}
                                           << bytes({0x00, 0x01, 0x00, 0x20});
    QTest::newRow("1 20, then 12 0")
        << QStringList{"1", "20"} << QStringList{"12", "0"} << bytes({0x00, 0x12, 0x00, 0x00});
}

void SetSequenceTest::parkBoxesCompareOneByOne() {
    QFETCH(QStringList, first);
    QFETCH(QStringList, then);
    QFETCH(QByteArray, thenSent);
    WindowUnderTest w;
    readKnownModule(w);
    const QStringList park{"txtParkMaxIntval", "txtParkMinIntval"};
    setShownValues(*w.window, park, first);
    w->CmdSet_Click();
    setShownValues(*w.window, park, then);
    w->CmdSet_Click();

    QCOMPARE(w.port->written.size(), 2);
    QCOMPARE(w.port->frames()[1], setFrame(5, thenSent));
    QVERIFY(w.boxes.shown.isEmpty());
}

void SetSequenceTest::scanWindowAgainstInterval_data() {
    QTest::addColumn<QStringList>("scan");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("focus");
    QTest::newRow("page 0400/0800 refused")
        << QStringList{"0400", "0800", "0400", "0200"} << pageScanTooLarge << "txtPsWindow";
    QTest::newRow("page 0400/8000 refused")
        << QStringList{"0400", "8000", "0400", "0200"} << pageScanTooLarge << "txtPsWindow";
    QTest::newRow("page 8000/0400 passes")
        << QStringList{"8000", "0400", "0400", "0200"} << QString() << QString();
    QTest::newRow("page FFFF/FFFE passes")
        << QStringList{"FFFF", "FFFE", "0400", "0200"} << QString() << QString();
    QTest::newRow("page window equal to interval passes")
        << QStringList{"0400", "0400", "0400", "0200"} << QString() << QString();
    QTest::newRow("inquiry 0400/0800 refused")
        << QStringList{"0400", "0200", "0400", "0800"} << inquiryScanTooLarge << "txtIsWindow";
    QTest::newRow("inquiry 0400/8000 refused")
        << QStringList{"0400", "0200", "0400", "8000"} << inquiryScanTooLarge << "txtIsWindow";
    QTest::newRow("inquiry 8000/0400 passes")
        << QStringList{"0400", "0200", "8000", "0400"} << QString() << QString();
    QTest::newRow("both too large: page first")
        << QStringList{"0400", "0800", "0400", "0800"} << pageScanTooLarge << "txtPsWindow";
}

void SetSequenceTest::scanWindowAgainstInterval() {
    QFETCH(QStringList, scan);
    QFETCH(QString, refusal);
    QFETCH(QString, focus);
    WindowUnderTest w;
    readKnownModule(w);
    const ParamSnapshotFields before = ParamSnapshot;
    w->txtPwd->setText(QStringLiteral("abcd"));
    w->chkIsBind->setChecked(false);
    setShownValues(*w.window, {"txtPsInterval", "txtPsWindow", "txtIsInterval", "txtIsWindow"},
                   scan);

    w->CmdSet_Click();

    QVERIFY(w->CmdSet->isEnabled());
    if (refusal.isEmpty()) {
        QCOMPARE(typesOf(w.port->frames()), QList<int>({3, 13, 14}));
        QVERIFY(w.boxes.shown.isEmpty());
        QCOMPARE(ParamSnapshot.Scan, scan);
        return;
    }
    // The password row was sent before the check; the bind row never is.
    QCOMPARE(w.port->frames(), QList<QByteArray>{setFrame(3, QByteArray("abcd"))});
    QCOMPARE(w.boxes.texts(), QStringList{refusal});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Warn"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(w->focusWidget()->objectName(), focus);
    QCOMPARE(ParamSnapshot.Pwd, before.Pwd);
    QCOMPARE(ParamSnapshot.Scan, before.Scan);
    QCOMPARE(ParamSnapshot.Bind, before.Bind);
}

void SetSequenceTest::badHexFieldIsRefusedBeforeAnythingIsSent_data() {
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("focus");
    QTest::newRow("empty sniff maximum")
        << QStringList{"txtSniffMaxIntval"} << QStringList{""} << "txtSniffMaxIntval";
    QTest::newRow("sniff attempt not hexadecimal")
        << QStringList{"txtAttempt"} << QStringList{"12G4"} << "txtAttempt";
    QTest::newRow("sniff timeout of five digits")
        << QStringList{"txtTimeout"} << QStringList{"00008"} << "txtTimeout";
    QTest::newRow("park minimum not hexadecimal")
        << QStringList{"txtParkMinIntval"} << QStringList{"xyz"} << "txtParkMinIntval";
    QTest::newRow("page scan interval of five digits")
        << QStringList{"txtPsInterval"} << QStringList{"12345"} << "txtPsInterval";
    QTest::newRow("empty inquiry scan window")
        << QStringList{"txtIsWindow"} << QStringList{""} << "txtIsWindow";
    QTest::newRow("page scan window with a space")
        << QStringList{"txtPsWindow"} << QStringList{" 200"} << "txtPsWindow";
    QTest::newRow("class of device not hexadecimal")
        << QStringList{"txtClassOfDevice"} << QStringList{"12G4"} << "txtClassOfDevice";
    QTest::newRow("park before sniff") << QStringList{"txtSniffMaxIntval", "txtParkMaxIntval"}
                                       << QStringList{"Q", "Q"} << "txtParkMaxIntval";
    QTest::newRow("class of device before park")
        << QStringList{"txtParkMaxIntval", "txtClassOfDevice"} << QStringList{"Q", "Q"}
        << "txtClassOfDevice";
    QTest::newRow("page window before inquiry interval")
        << QStringList{"txtIsInterval", "txtPsWindow"} << QStringList{"", ""} << "txtPsWindow";
}

void SetSequenceTest::badHexFieldIsRefusedBeforeAnythingIsSent() {
    QFETCH(QStringList, controls);
    QFETCH(QStringList, values);
    QFETCH(QString, focus);
    WindowUnderTest w;
    readKnownModule(w);
    const ParamSnapshotFields before = ParamSnapshot;
    // Rows sent before the bad field's row would go out if the check came late.
    w->txtPwd->setText(QStringLiteral("abcd"));
    w->IsAuth->setChecked(false);
    setShownValues(*w.window, controls, values);

    w->CmdSet_Click();

    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Warn"));
    QCOMPARE(w->focusWidget()->objectName(), focus);
    QCOMPARE(w->SetActive, frmParvex::False);
    QCOMPARE(w->QueryActive, frmParvex::True);
    QVERIFY(w->CmdSet->isEnabled());
    QCOMPARE(ParamSnapshot.Pwd, before.Pwd);
    QCOMPARE(ParamSnapshot.Auth, before.Auth);
}

void SetSequenceTest::noChangeRateSendsCodeZeroAndIsKept() {
    WindowUnderTest w;
    readKnownModule(w);
    QCOMPARE(ParamSnapshot.BaudRate, QStringLiteral("9600"));
    w->paramBaudRate->setCurrentText(QStringLiteral("No Change"));

    w->CmdSet_Click();

    QCOMPARE(w.port->frames(), QList<QByteArray>{setFrame(1, bytes({0x00, 0x00}))});
    QCOMPARE(ParamSnapshot.BaudRate, QStringLiteral("No Change"));
    w->CmdSet_Click();
    QCOMPARE(w.port->written.size(), 1);
}

void SetSequenceTest::setRefusedBeforeItStarts_data() {
    QTest::addColumn<bool>("disconnect");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::newRow("port closed") << true << "abcd"
                                 << "Serial port is not opened！"
                                 << "Error" << int(BoxIcon::Critical);
    QTest::newRow("password of spaces") << false << "   "
                                        << "Please input the password！"
                                        << "Warn" << int(BoxIcon::Exclamation);
    QTest::newRow("empty password") << false << ""
                                    << "Please input the password！"
                                    << "Warn" << int(BoxIcon::Exclamation);
}

void SetSequenceTest::setRefusedBeforeItStarts() {
    QFETCH(bool, disconnect);
    QFETCH(QString, password);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, icon);
    WindowUnderTest w;
    readKnownModule(w);
    if (disconnect)
        w->CmdConn_Click();
    const QString statusBefore = w->Status->text();
    w->txtPwd->setText(password);
    w->IsMaster->setChecked(true);

    w->CmdSet_Click();

    QCOMPARE(w.boxes.texts(), QStringList{text});
    QCOMPARE(w.boxes.shown[0].title, title);
    QCOMPARE(int(w.boxes.shown[0].icon), icon);
    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.clock.pauses.isEmpty());
    QCOMPARE(w->Status->text(), statusBefore);
    QCOMPARE(w->SetActive, frmParvex::False);
    QCOMPARE(w->QueryActive, frmParvex::True);
    QCOMPARE(ParamSnapshot.Master, QStringLiteral("0"));
    QVERIFY(w->CmdSet->isEnabled());
}

void SetSequenceTest::setDuringDetectionAfterDefaultSendsAllTen() {
    WindowUnderTest w;
    w.connectWithoutDetection();
    answerRead(w, factoryModuleAnswers());
    // While the factory values are what was last read, Default changes nothing.
    w->CmdSetDefault_Click();
    w.port->written.clear();
    w->CmdSet_Click();
    QVERIFY(w.port->written.isEmpty());

    // Another module may be on the line now: nothing read before counts.
    w->CmdConn_Click();
    w->bAutoDetect->setChecked(true);
    w->bAutoDetect_Click();
    w->CmdConn_Click();
    QVERIFY(w->TimeoutTimer->isActive());
    w->CmdSetDefault_Click();
    w.port->written.clear();

    w->CmdSet_Click();

    QCOMPARE(w.port->frames(), factoryValueFrames());
    QVERIFY(ParamSnapshot.Held);
    QCOMPARE(ParamSnapshot.Pwd, QStringLiteral("5807"));
}

void SetSequenceTest::nothingHeldSendsEveryRow() {
    WindowUnderTest w;
    readKnownModule(w);
    w->txtBDName->clear();
    ParamSnapshot.clear();

    w->CmdSet_Click();

    QCOMPARE(typesOf(w.port->frames()), typesOf(factoryValueFrames()));
    QCOMPARE(w.port->frames()[3], bytes({0x55, 0xAA, 0x01, 0x06}));
}

QTEST_MAIN(SetSequenceTest)
#include "set_sequence_test.moc"
