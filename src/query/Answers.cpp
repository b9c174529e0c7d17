// Writing the data of each query answer into the window. Data of any other
// length or form than its type's leaves the controls as they are.
#include "protocol/BaudCodes.h"
#include "protocol/Frames.h"
#include "protocol/HexText.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {
QString hexText(const QByteArray& bytes) {
    QString text;
    HexToStrHex(bytes, text);
    return text;
}

// Texts travel one byte a character and end at a zero byte, if any.
QString textOf(const QByteArray& bytes) {
    const qsizetype zero = bytes.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? bytes : bytes.left(zero));
}

void setCheckState(QCheckBox* box, uint8_t state) {
    if (state <= 1)
        box->setChecked(state == 1);
}

// One word a box, in the group's order; only data of exactly that length.
void setHexWords(const QByteArray& data, const std::vector<frmParvex::HexField>& group) {
    if (data.size() != static_cast<qsizetype>(group.size() * 2))
        return;
    qsizetype offset = 0;
    for (const frmParvex::HexField& field : group) {
        field.box->setText(hexText(data.mid(offset, 2)));
        offset += 2;
    }
}
} // namespace

void frmParvex::selectBaudCode(uint16_t code) {
    const auto text = BaudCodes::textOfCode(code);
    if (!text)
        return;
    if (paramBaudRate->findText(*text) < 0)
        paramBaudRate->addItems(BaudCodes::extendedRows());
    paramBaudRate->setCurrentText(*text);
}

void frmParvex::decodeAnswer(uint8_t CmdType, const QByteArray& Param, int16_t ParamLen) {
    const QByteArray data = Param.left(ParamLen > 0 ? ParamLen : 0);
    auto byte = [&](int i) { return static_cast<uint8_t>(data[i]); };
    switch (CmdType) {
    case Frames::FirmwareVersion:
        if (ParamLen == 2)
            version->setText(QStringLiteral("(Firmware Version %1.%2)").arg(byte(0)).arg(byte(1)));
        break;
    case Frames::BaudRate:
        if (ParamLen == 2)
            selectBaudCode(static_cast<uint16_t>(byte(0) * 256 + byte(1)));
        break;
    case Frames::Security:
        if (ParamLen == 1)
            setCheckState(IsAuth, byte(0));
        break;
    case Frames::Password:
        if (ParamLen >= 1)
            txtPwd->setText(textOf(data));
        break;
    case Frames::SniffMode:
        setHexWords(data, sniffFields());
        break;
    case Frames::ParkMode:
        setHexWords(data, parkFields());
        break;
    case Frames::DeviceName:
        if (ParamLen >= 1)
            txtBDName->setText(textOf(data));
        break;
    case Frames::ClassOfDevice:
        if (ParamLen == 3)
            txtClassOfDevice->setText(hexText(data));
        break;
    case Frames::MasterSlave:
        if (ParamLen == 1)
            setCheckState(IsMaster, byte(0));
        break;
    case Frames::MaximumConnections:
        if (ParamLen == 1)
            txtMaxConnNum->setText(QString::number(byte(0)));
        break;
    case Frames::ScanParameters:
        setHexWords(data, scanFields());
        break;
    case Frames::Bind:
        if (ParamLen == 1)
            setCheckState(chkIsBind, byte(0));
        break;
    default:
        break;
    }
}
