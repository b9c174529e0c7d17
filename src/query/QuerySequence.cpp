// Reading every parameter: one query at a time, each sent while the answer
// to the one before is handled, ending with the snapshot of the window.
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <array>

namespace {
constexpr uint8_t firmwareVersion = 0;
constexpr uint8_t bind = 14;

struct ChainRow {
    uint8_t type;
    const char* succeed;
    const char* fail;
    uint8_t next;
    const char* querying;
};

const std::array<ChainRow, 12> chain{{
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
    {14, "Query Bind succeed", "Query Bind fail", 0, nullptr},
}};

const ChainRow* chainRow(uint8_t type) {
    for (const ChainRow& row : chain)
        if (row.type == type)
            return &row;
    return nullptr;
}
} // namespace

// setText, unlike clear(), starts a fresh undo history: Ctrl+Z never brings
// back a value of an earlier module.
void frmParvex::clearParameterFields() {
    txtBDName->setText(QString());
    txtPwd->setText(QString());
    IsAuth->setChecked(false);
    for (QLineEdit* box : {txtSniffMaxIntval, txtSniffMinIntval, txtParkMaxIntval, txtParkMinIntval,
                           txtAttempt, txtTimeout})
        box->setText(QString());
    IsMaster->setChecked(false);
    txtMaxConnNum->setText(QString());
    txtClassOfDevice->setText(QString());
    chkIsBind->setChecked(false);
    for (QLineEdit* box : {txtPsInterval, txtPsWindow, txtIsInterval, txtIsWindow})
        box->setText(QString());
}

void frmParvex::keepValueRead(uint8_t CmdType) {
    const ParamSnapshotFields shown = windowValues();
    switch (CmdType) {
    case 1:
        ValuesRead.BaudRate = shown.BaudRate;
        break;
    case 2:
        ValuesRead.Auth = shown.Auth;
        break;
    case 3:
        ValuesRead.Pwd = shown.Pwd;
        break;
    case 4:
        ValuesRead.Sniff = shown.Sniff;
        break;
    case 5:
        ValuesRead.Park = shown.Park;
        break;
    case 6:
        ValuesRead.BDName = shown.BDName;
        break;
    case 7:
        ValuesRead.ClassOfDevice = shown.ClassOfDevice;
        break;
    case 8:
        ValuesRead.Master = shown.Master;
        break;
    case 13:
        ValuesRead.Scan = shown.Scan;
        break;
    case 14:
        ValuesRead.Bind = shown.Bind;
        break;
    default:
        break;
    }
}

void frmParvex::CmdQuery_Click() {
    if (CmdConn->text() == QLatin1String("Connect")) {
        MsgBox(QStringLiteral("Port is not opened！"), QStringLiteral("Error"), BoxIcon::Critical);
        return;
    }
    if (!MSComm1->PortOpen())
        return;
    QueryActive = True;
    SetActive = False;
    clearParameterFields();
    ValuesRead = windowValues();
    SendQueryCmd(firmwareVersion);
    RetryCount = 0;
    CurCmdType = firmwareVersion;
    disableAction(CmdQuery);
    disableAction(CmdSet);
    ShowStatus(QStringLiteral("Querying the version of Firmware......"));
}

void frmParvex::detectionEnd() {
    BaudFound = True;
    ShowStatus(QStringLiteral("Already find the current baud rate  [") + DetectBaud +
               QStringLiteral("]"));
    RetryTimer->stop();
    CmdQuery_Click();
}

void frmParvex::HandleQueryRspPacket(uint8_t CmdType, uint8_t CmdState, const QByteArray& Param,
                                     int16_t ParamLen) {
    if (CmdType == firmwareVersion && BaudFound == False && bAutoDetect->isChecked()) {
        detectionEnd();
        return;
    }
    const ChainRow* row = chainRow(CmdType);
    if (!row)
        return;
    ShowStatus(QString::fromLatin1(CmdState == 0 ? row->succeed : row->fail));
    if (decodeAnswer(CmdType, Param, ParamLen))
        keepValueRead(CmdType);
    if (CmdType != bind) {
        SendQueryCmd(row->next);
        CurCmdType = row->next;
        ShowStatus(QString::fromLatin1(row->querying));
        return;
    }
    ShowStatus(QStringLiteral("Query complete！"));
    ParamSnapshot = ValuesRead;
    enableAction(CmdQuery);
    enableAction(CmdSet);
    RetryTimer->stop();
}
