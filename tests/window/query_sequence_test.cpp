// Reading the module: the chain of twelve queries, its texts and its end, and
// how each answer's data reaches the window.
#include "WindowHelpers.h"

#include <QtTest>

namespace {
struct ChainRow {
    int type;
    const char* succeed;
    const char* fail;
    int next;
    const char* querying;
};

const ChainRow chain[] = {
    {0, "Query the version of Firmware succeed", "Query the version of Firmware fail", 1,
     "Query the current baud rate......"},
    {1, "Query baud rate succeed", "Query baud rate fail", 2, "Querying the security setting ...."},
    {2, "Query security succeed", "Query security fail", 3, "Querying the password......"},
    {3, "Query password succeed", "Query password fail", 4,
     "Querying the Sniff Mode Parameter parameter......"},
    {4, "Query Sniff Mode Parameter succeed", "Query Sniff Mode Parameter fail", 5,
     "Querying the Park Mode Parameter......"},
    {5, "Query Park Mode Parameter succeed", "Query Park Mode Parameter fail", 6,
     "Querying the device name......"},
    {6, "Query the device name succeed", "Query the device name fail", 7,
     "Querying the Class Of Device......"},
    {7, "Query the Class Of Device succeed", "Query the Class Of Device fail", 8,
     "Querying Master/Slave parameter......"},
    {8, "Query Master/Slave succeed", "Query Master/Slave fail", 9,
     "Querying the maximum of connection......"},
    {9, "Query the Maximum of Connection succeed", "Query the Maximum of Connection fail", 13,
     "Querying page/inquiry scan parameter ......"},
    {13, "Query page/inquiry scan parameter succeed", "Query page/inquiry scan parameter fail", 14,
     "Querying the bind paramter......"},
    {14, "Query Bind succeed", "Query Bind fail", -1, "Query complete！"},
};

// What the window shows after a read whose answers carried no data.
QStringList emptyWindow() {
    QStringList shown(parameterControls().size());
    shown[0] = QStringLiteral("Firmware Version");
    shown[1] = QStringLiteral("115200");
    for (int i : {2, 12, 18})
        shown[i] = QStringLiteral("unchecked");
    return shown;
}
} // namespace

class QuerySequenceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ParamSnapshot.clear(); }

    void readsTheWholeChain_data();
    void readsTheWholeChain();
    void answerOfAnUnqueriedTypeIsIgnored_data();
    void answerOfAnUnqueriedTypeIsIgnored();
    void inquiryWhileNotConnectedShowsOnlyTheBox();
    void answerIsDecoded_data();
    void answerIsDecoded();
    void checkBoxAnswerOnATickedBox_data();
    void checkBoxAnswerOnATickedBox();
    void fasterRateCodeAddsTheFourRowsOnce_data();
    void fasterRateCodeAddsTheFourRowsOnce();
    void moduleAtAFasterRateNeedsNoBaudRateSet();
    void readClearsEveryFieldAtItsStart();
};

void QuerySequenceTest::readsTheWholeChain_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("withData");
    QTest::newRow("every answer succeeds") << 0 << true;
    QTest::newRow("every answer fails without data") << 1 << false;
    QTest::newRow("fail answers carrying data") << 2 << true;
}

void QuerySequenceTest::readsTheWholeChain() {
    QFETCH(int, state);
    QFETCH(bool, withData);
    WindowUnderTest w;
    QStringList statusAtFrame;
    w.port->onOutput = [&](const QByteArray&) { statusAtFrame << w.status(); };
    w.connectWithoutDetection();
    QCOMPARE(w.status(), QStringLiteral("Querying the version of Firmware......"));
    QCOMPARE(w->CurCmdType, uint8_t(0));

    const QList<ReadAnswer> module = knownModuleAnswers();
    for (qsizetype i = 0; i < module.size(); ++i) {
        const ChainRow& row = chain[i];
        QCOMPARE(module[i].type, row.type);
        QVERIFY(!w->CmdQuery->isEnabled());
        QVERIFY(!w->CmdSet->isEnabled());
        w->RetryTimer->start();
        w.answer(queryAnswer(row.type, withData ? module[i].data : QByteArray(), state));
        const QString outcome = QString::fromUtf8(state == 0 ? row.succeed : row.fail);
        if (row.next >= 0) {
            QCOMPARE(w.port->frames().last(), queryFrame(row.next));
            QCOMPARE(statusAtFrame.last(), outcome);
            QCOMPARE(w->CurCmdType, uint8_t(row.next));
        }
        QCOMPARE(w.status(), QString::fromUtf8(row.querying));
    }

    QList<QByteArray> queries;
    for (int type : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14})
        queries << queryFrame(type);
    QCOMPARE(w.port->frames(), queries);
    QCOMPARE(w.clock.pauses, QList<int>(12, 500));
    QCOMPARE(shownValues(*w.window, parameterControls()),
             withData ? knownModuleShown() : emptyWindow());
    QVERIFY(w->CmdQuery->isEnabled());
    QVERIFY(w->CmdSet->isEnabled());
    QVERIFY(!w->RetryTimer->isActive());
    QCOMPARE(w->QueryActive, frmParvex::True);
    QCOMPARE(w->SetActive, frmParvex::False);
    QCOMPARE(w->CurCmdType, uint8_t(14));

    QVERIFY(ParamSnapshot.Held);
    QCOMPARE(ParamSnapshot.BaudRate, w->paramBaudRate->currentText());
    QCOMPARE(ParamSnapshot.Auth, withData ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(ParamSnapshot.Pwd, withData ? QStringLiteral("1234") : QString());
    QCOMPARE(ParamSnapshot.Sniff.join(QString()),
             withData ? QStringLiteral("0320005000080008") : QString());
    QCOMPARE(ParamSnapshot.Park.join(QString()), withData ? QStringLiteral("08000100") : QString());
    QCOMPARE(ParamSnapshot.BDName, withData ? QStringLiteral("Module-A") : QString());
    QCOMPARE(ParamSnapshot.ClassOfDevice, withData ? QStringLiteral("001F00") : QString());
    QCOMPARE(ParamSnapshot.Master, QStringLiteral("0"));
    QCOMPARE(ParamSnapshot.Scan.join(QString()),
             withData ? QStringLiteral("0400020008000100") : QString());
    QCOMPARE(ParamSnapshot.Bind, withData ? QStringLiteral("1") : QStringLiteral("0"));
}

void QuerySequenceTest::answerOfAnUnqueriedTypeIsIgnored_data() {
    QTest::addColumn<int>("type");
    QTest::newRow("10") << 10;
    QTest::newRow("11") << 11;
    QTest::newRow("12") << 12;
    QTest::newRow("15") << 15;
}

void QuerySequenceTest::answerOfAnUnqueriedTypeIsIgnored() {
    QFETCH(int, type);
    WindowUnderTest w;
    w.connectWithoutDetection();
    answerRead(w, knownModuleAnswers().mid(0, 5));
    const auto framesBefore = w.port->written.size();

    w.answer(queryAnswer(type, bytes({0x01})));

    QCOMPARE(w.port->written.size(), framesBefore);
    QCOMPARE(w.status(), QStringLiteral("Querying the Park Mode Parameter......"));
    QCOMPARE(w->CurCmdType, uint8_t(5));
    QVERIFY(!w->RetryTimer->isActive());
    QVERIFY(w.boxes.shown.isEmpty());

    // The read goes on with the answer it waits for.
    w.answer(queryAnswer(5, bytes({0x08, 0x00, 0x01, 0x00})));
    QCOMPARE(w.port->frames().last(), queryFrame(6));
}

void QuerySequenceTest::inquiryWhileNotConnectedShowsOnlyTheBox() {
    WindowUnderTest w;
    w->CmdSetDefault_Click();
    const QStringList before = shownValues(*w.window, parameterControls());

    w->CmdQuery_Click();

    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Port is not opened！")});
    QCOMPARE(w.boxes.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(w.boxes.shown[0].icon, BoxIcon::Critical);
    QCOMPARE(shownValues(*w.window, parameterControls()), before);
    QCOMPARE(w->QueryActive, frmParvex::False);
    QCOMPARE(w.status(), QStringLiteral("Ready"));
    QVERIFY(w->CmdQuery->isEnabled());
    QVERIFY(w->CmdSet->isEnabled());
    QVERIFY(w.port->written.isEmpty());
}

void QuerySequenceTest::answerIsDecoded_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QStringList>("shown");

    const QStringList version{"version"};
    QTest::newRow("version 1.5") << 0 << bytes({1, 5}) << 0 << version
                                 << QStringList{"(Firmware Version 1.5)"};
    QTest::newRow("version 2.10") << 0 << bytes({2, 10}) << 0 << version
                                  << QStringList{"(Firmware Version 2.10)"};
    QTest::newRow("version 255.0")
        << 0 << bytes({255, 0}) << 0 << version << QStringList{"(Firmware Version 255.0)"};
    QTest::newRow("version, three bytes")
        << 0 << bytes({1, 5, 0}) << 0 << version << QStringList{"Firmware Version"};
    QTest::newRow("version, one byte")
        << 0 << bytes({1}) << 0 << version << QStringList{"Firmware Version"};

    // The list shows 4800 before each of these answers.
    const QStringList rate{"paramBaudRate"};
    QTest::newRow("rate 115200") << 1 << bytes({0x01, 0xD8}) << 0 << rate << QStringList{"115200"};
    QTest::newRow("rate No Change")
        << 1 << bytes({0x00, 0x00}) << 0 << rate << QStringList{"No Change"};
    QTest::newRow("rate 1200") << 1 << bytes({0x00, 0x05}) << 0 << rate << QStringList{"1200"};
    QTest::newRow("rate code 40") << 1 << bytes({0x00, 0x28}) << 0 << rate << QStringList{"4800"};
    QTest::newRow("rate code 0xFFFF")
        << 1 << bytes({0xFF, 0xFF}) << 0 << rate << QStringList{"4800"};
    QTest::newRow("rate, one byte") << 1 << bytes({0x27}) << 0 << rate << QStringList{"4800"};
    QTest::newRow("rate, three bytes")
        << 1 << bytes({0x00, 0x27, 0x00}) << 0 << rate << QStringList{"4800"};

    // Check boxes start cleared by the read.
    QTest::newRow("security on") << 2 << bytes({1}) << 0 << QStringList{"IsAuth"}
                                 << QStringList{"checked"};
    QTest::newRow("security on, fail answer")
        << 2 << bytes({1}) << 1 << QStringList{"IsAuth"} << QStringList{"checked"};
    QTest::newRow("security byte 2")
        << 2 << bytes({2}) << 0 << QStringList{"IsAuth"} << QStringList{"unchecked"};
    QTest::newRow("security byte 0xFF")
        << 2 << bytes({0xFF}) << 0 << QStringList{"IsAuth"} << QStringList{"unchecked"};
    QTest::newRow("security, two bytes")
        << 2 << bytes({1, 1}) << 0 << QStringList{"IsAuth"} << QStringList{"unchecked"};
    QTest::newRow("master") << 8 << bytes({1}) << 0 << QStringList{"IsMaster"}
                            << QStringList{"checked"};
    QTest::newRow("master byte 2")
        << 8 << bytes({2}) << 0 << QStringList{"IsMaster"} << QStringList{"unchecked"};
    QTest::newRow("master, no data")
        << 8 << QByteArray() << 0 << QStringList{"IsMaster"} << QStringList{"unchecked"};
    QTest::newRow("bind") << 14 << bytes({1}) << 0 << QStringList{"chkIsBind"}
                          << QStringList{"checked"};
    QTest::newRow("bind byte 0x80")
        << 14 << bytes({0x80}) << 0 << QStringList{"chkIsBind"} << QStringList{"unchecked"};
    QTest::newRow("bind, two bytes")
        << 14 << bytes({1, 0}) << 0 << QStringList{"chkIsBind"} << QStringList{"unchecked"};

    const QStringList password{"txtPwd"};
    QTest::newRow("password") << 3 << QByteArray("5807") << 0 << password << QStringList{"5807"};
    QTest::newRow("password of 9 characters, above the typing limit")
        << 3 << QByteArray("123456789") << 0 << password << QStringList{"123456789"};
    QTest::newRow("password ending in a space")
        << 3 << QByteArray("pw ") << 0 << password << QStringList{"pw "};
    QTest::newRow("password with a zero byte")
        << 3 << QByteArray("ab\0cd", 5) << 0 << password << QStringList{"ab"};
    QTest::newRow("password starting with a zero byte")
        << 3 << QByteArray("\0ab", 3) << 0 << password << QStringList{""};
    QTest::newRow("password, no data") << 3 << QByteArray() << 0 << password << QStringList{""};
    const QStringList name{"txtBDName"};
    QTest::newRow("name of 20 characters, above the typing limit")
        << 6 << QByteArray("ABCDEFGHIJKLMNOPQRST") << 0 << name
        << QStringList{"ABCDEFGHIJKLMNOPQRST"};
    QTest::newRow("name with a zero byte")
        << 6 << QByteArray("Dev\0ice", 7) << 0 << name << QStringList{"Dev"};

    const QStringList sniff{"txtSniffMaxIntval", "txtSniffMinIntval", "txtAttempt", "txtTimeout"};
    QTest::newRow("sniff") << 4 << bytes({0x00, 0x50, 0x00, 0x20, 0x00, 0x01, 0x00, 0x08}) << 0
                           << sniff << QStringList{"0050", "0020", "0001", "0008"};
    QTest::newRow("sniff, high bytes")
        << 4 << bytes({0xFF, 0xFF, 0xAB, 0xCD, 0x80, 0x00, 0x10, 0x0F}) << 0 << sniff
        << QStringList{"FFFF", "ABCD", "8000", "100F"};
    QTest::newRow("sniff, seven bytes") << 4 << bytes({0x00, 0x50, 0x00, 0x20, 0x00, 0x01, 0x00})
                                        << 0 << sniff << QStringList{"", "", "", ""};
    QTest::newRow("sniff, nine bytes")
        << 4 << bytes({0x00, 0x50, 0x00, 0x20, 0x00, 0x01, 0x00, 0x08, 0x00}) << 0 << sniff
        << QStringList{"", "", "", ""};
    const QStringList park{"txtParkMaxIntval", "txtParkMinIntval"};
    QTest::newRow("park") << 5 << bytes({0x08, 0x00, 0x01, 0x00}) << 0 << park
                          << QStringList{"0800", "0100"};
    QTest::newRow("park, three bytes")
        << 5 << bytes({0x08, 0x00, 0x01}) << 0 << park << QStringList{"", ""};
    const QStringList scan{"txtPsInterval", "txtPsWindow", "txtIsInterval", "txtIsWindow"};
    QTest::newRow("scan") << 13 << bytes({0x08, 0x00, 0x00, 0x12, 0x08, 0x00, 0x00, 0x12}) << 0
                          << scan << QStringList{"0800", "0012", "0800", "0012"};
    QTest::newRow("scan, seven bytes") << 13 << bytes({0x08, 0x00, 0x00, 0x12, 0x08, 0x00, 0x00})
                                       << 0 << scan << QStringList{"", "", "", ""};

    const QStringList classOfDevice{"txtClassOfDevice"};
    QTest::newRow("class of device")
        << 7 << bytes({0x5A, 0x02, 0x0C}) << 0 << classOfDevice << QStringList{"5A020C"};
    QTest::newRow("class of device, two bytes")
        << 7 << bytes({0x5A, 0x02}) << 0 << classOfDevice << QStringList{""};
    QTest::newRow("class of device, four bytes")
        << 7 << bytes({0x5A, 0x02, 0x0C, 0x00}) << 0 << classOfDevice << QStringList{""};

    const QStringList connections{"txtMaxConnNum"};
    QTest::newRow("connections 7") << 9 << bytes({7}) << 0 << connections << QStringList{"7"};
    QTest::newRow("connections 255") << 9 << bytes({255}) << 0 << connections << QStringList{"255"};
    QTest::newRow("connections 0") << 9 << bytes({0}) << 0 << connections << QStringList{"0"};
    QTest::newRow("connections, two bytes")
        << 9 << bytes({0, 7}) << 0 << connections << QStringList{""};
}

void QuerySequenceTest::answerIsDecoded() {
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(int, state);
    QFETCH(QStringList, controls);
    QFETCH(QStringList, shown);
    WindowUnderTest w;
    w.connectWithoutDetection();
    w->paramBaudRate->setCurrentText(QStringLiteral("4800"));

    w.answer(queryAnswer(type, data, state));

    QCOMPARE(shownValues(*w.window, controls), shown);
    QCOMPARE(w->paramBaudRate->count(), 9);
    QVERIFY(w.boxes.shown.isEmpty());
}

void QuerySequenceTest::checkBoxAnswerOnATickedBox_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("security 0") << 2 << "IsAuth" << bytes({0}) << false;
    QTest::newRow("security 2") << 2 << "IsAuth" << bytes({2}) << true;
    QTest::newRow("master 0xFF") << 8 << "IsMaster" << bytes({0xFF}) << true;
    QTest::newRow("master, two bytes") << 8 << "IsMaster" << bytes({0, 0}) << true;
    QTest::newRow("bind 0") << 14 << "chkIsBind" << bytes({0}) << false;
    QTest::newRow("bind 0x10") << 14 << "chkIsBind" << bytes({0x10}) << true;
}

void QuerySequenceTest::checkBoxAnswerOnATickedBox() {
    QFETCH(int, type);
    QFETCH(QString, box);
    QFETCH(QByteArray, data);
    QFETCH(bool, ticked);
    WindowUnderTest w;
    readKnownModule(w);
    // A late answer after the read: the box shows what the read found.
    setShownValue(*w.window, box, QStringLiteral("checked"));

    w.answer(queryAnswer(type, data));

    QCOMPARE(shownValue(*w.window, box),
             ticked ? QStringLiteral("checked") : QStringLiteral("unchecked"));
}

void QuerySequenceTest::fasterRateCodeAddsTheFourRowsOnce_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QString>("rate");
    QTest::newRow("944") << bytes({0x03, 0xB0}) << "230400";
    QTest::newRow("1887") << bytes({0x07, 0x5F}) << "460800";
    QTest::newRow("3775") << bytes({0x0E, 0xBF}) << "921600";
    QTest::newRow("5662") << bytes({0x16, 0x1E}) << "1382400";
}

void QuerySequenceTest::fasterRateCodeAddsTheFourRowsOnce() {
    QFETCH(QByteArray, code);
    QFETCH(QString, rate);
    WindowUnderTest w;
    w.connectWithoutDetection();
    const QStringList rows{"No Change", "1200",   "2400",   "4800",   "9600",   "19200",  "38400",
                           "57600",     "115200", "230400", "460800", "921600", "1382400"};
    auto listRows = [&] {
        QStringList all;
        for (int i = 0; i < w->paramBaudRate->count(); ++i)
            all << w->paramBaudRate->itemText(i);
        return all;
    };

    w.answer(queryAnswer(1, code));
    QCOMPARE(listRows(), rows);
    QCOMPARE(w->paramBaudRate->currentText(), rate);

    // Reported again, or another of the four: the rows are not added again.
    w.answer(queryAnswer(1, code));
    w.answer(queryAnswer(1, bytes({0x16, 0x1E})));
    QCOMPARE(listRows(), rows);
    QCOMPARE(w->paramBaudRate->currentText(), QStringLiteral("1382400"));
    w.answer(queryAnswer(1, code));
    QCOMPARE(w->paramBaudRate->currentText(), rate);

    // A standard rate is selected as before, an unknown code keeps the row.
    w.answer(queryAnswer(1, bytes({0x00, 0x27})));
    QCOMPARE(w->paramBaudRate->currentText(), QStringLiteral("9600"));
    w.answer(queryAnswer(1, bytes({0x03, 0xB1})));
    QCOMPARE(w->paramBaudRate->currentText(), QStringLiteral("9600"));
    QCOMPARE(listRows(), rows);
}

void QuerySequenceTest::moduleAtAFasterRateNeedsNoBaudRateSet() {
    WindowUnderTest w;
    w.connectWithoutDetection();
    QList<ReadAnswer> module = knownModuleAnswers();
    module[1].data = bytes({0x0E, 0xBF});
    answerRead(w, module);
    QCOMPARE(w->paramBaudRate->currentText(), QStringLiteral("921600"));
    w.port->written.clear();

    w->CmdSet_Click();

    QVERIFY(w.port->written.isEmpty());
    QVERIFY(w.boxes.shown.isEmpty());
}

void QuerySequenceTest::readClearsEveryFieldAtItsStart() {
    WindowUnderTest w;
    readKnownModule(w);
    // The one check box the known module leaves unticked.
    w->IsMaster->setChecked(true);

    w->CmdQuery_Click();

    // The version label and the rate list keep what they showed.
    QCOMPARE(shownValues(*w.window, parameterControls().mid(2)), emptyWindow().mid(2));
}

QTEST_MAIN(QuerySequenceTest)
#include "query_sequence_test.moc"
