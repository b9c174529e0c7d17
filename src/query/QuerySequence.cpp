// Reading every parameter: one query at a time, each sent while the answer
// to the one before is handled, ending with the snapshot of the window.
#include "protocol/Frames.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <array>

namespace {
using namespace Frames;

struct ChainRow {
    uint8_t type;
    const char* succeed;
    const char* fail;
    uint8_t next;
    const char* querying;
};

const std::array<ChainRow, 12> chain{{
    {FirmwareVersion, "Query the version of Firmware succeed", "Query the version of Firmware fail",
     BaudRate, "Query the current baud rate......"},
    {BaudRate, "Query baud rate succeed", "Query baud rate fail", Security,
     "Querying the security setting ...."},
    {Security, "Query security succeed", "Query security fail", Password,
     "Querying the password......"},
    {Password, "Query password succeed", "Query password fail", SniffMode,
     "Querying the Sniff Mode Parameter parameter......"},
    {SniffMode, "Query Sniff Mode Parameter succeed", "Query Sniff Mode Parameter fail", ParkMode,
     "Querying the Park Mode Parameter......"},
    {ParkMode, "Query Park Mode Parameter succeed", "Query Park Mode Parameter fail", DeviceName,
     "Querying the device name......"},
    {DeviceName, "Query the device name succeed", "Query the device name fail", ClassOfDevice,
     "Querying the Class Of Device......"},
    {ClassOfDevice, "Query the Class Of Device succeed", "Query the Class Of Device fail",
     MasterSlave, "Querying Master/Slave parameter......"},
    {MasterSlave, "Query Master/Slave succeed", "Query Master/Slave fail", MaximumConnections,
     "Querying the maximum of connection......"},
    {MaximumConnections, "Query the Maximum of Connection succeed",
     "Query the Maximum of Connection fail", ScanParameters,
     "Querying page/inquiry scan parameter ......"},
    {ScanParameters, "Query page/inquiry scan parameter succeed",
     "Query page/inquiry scan parameter fail", Bind, "Querying the bind paramter......"},
    {Bind, "Query Bind succeed", "Query Bind fail", Bind, nullptr},
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
    for (const auto& group : {sniffFields(), parkFields()})
        for (const HexField& field : group)
            field.box->setText(QString());
    IsMaster->setChecked(false);
    txtMaxConnNum->setText(QString());
    txtClassOfDevice->setText(QString());
    chkIsBind->setChecked(false);
    for (const HexField& field : scanFields())
        field.box->setText(QString());
}

// The read keeps, field by field, the values it wrote from the module: an edit
// the operator made meanwhile is not taken for a value the module holds.
void frmParvex::keepValueRead(uint8_t CmdType) {
    using F = ParamSnapshotFields;
    static const std::array<std::pair<uint8_t, QString F::*>, 7> texts{
        {{BaudRate, &F::BaudRate},
         {Security, &F::Auth},
         {Password, &F::Pwd},
         {DeviceName, &F::BDName},
         {ClassOfDevice, &F::ClassOfDevice},
         {MasterSlave, &F::Master},
         {Bind, &F::Bind}}};
    static const std::array<std::pair<uint8_t, QStringList F::*>, 3> groups{
        {{SniffMode, &F::Sniff}, {ParkMode, &F::Park}, {ScanParameters, &F::Scan}}};
    const F shown = windowValues();
    for (const auto& [type, field] : texts)
        if (type == CmdType)
            ValuesRead.*field = shown.*field;
    for (const auto& [type, field] : groups)
        if (type == CmdType)
            ValuesRead.*field = shown.*field;
}

void frmParvex::CmdQuery_Click() {
    if (!portShownOpen()) {
        MsgBox(QStringLiteral("Port is not opened！"), QStringLiteral("Error"), BoxIcon::Critical);
        return;
    }
    if (!MSComm1->PortOpen())
        return;
    QueryActive = True;
    SetActive = False;
    clearParameterFields();
    ValuesRead = windowValues();
    SendQueryCmd(Frames::FirmwareVersion);
    RetryCount = 0;
    recordCommandInFlight(Frames::FirmwareVersion);
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
    if (CmdType == Frames::FirmwareVersion && BaudFound == False && bAutoDetect->isChecked()) {
        detectionEnd();
        return;
    }
    const ChainRow* row = chainRow(CmdType);
    if (!row)
        return;
    ShowStatus(QString::fromLatin1(CmdState == 0 ? row->succeed : row->fail));
    if (decodeAnswer(CmdType, Param, ParamLen))
        keepValueRead(CmdType);
    if (CmdType != Frames::Bind) {
        SendQueryCmd(row->next);
        recordCommandInFlight(row->next);
        ShowStatus(QString::fromLatin1(row->querying));
        return;
    }
    ShowStatus(QStringLiteral("Query complete！"));
    ParamSnapshot = ValuesRead;
    enableAction(CmdQuery);
    enableAction(CmdSet);
    RetryTimer->stop();
}
