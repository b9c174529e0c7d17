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

bool setCheckState(QCheckBox* box, uint8_t state) {
    if (state > 1)
        return false;
    box->setChecked(state == 1);
    return true;
}

// One word a box, in the group's order; only data of exactly that length.
bool setHexWords(const QByteArray& data, const std::vector<frmParvex::HexField>& group) {
    if (data.size() != static_cast<qsizetype>(group.size() * 2))
        return false;
    qsizetype offset = 0;
    for (const frmParvex::HexField& field : group) {
        field.box->setText(hexText(data.mid(offset, 2)));
        offset += 2;
    }
    return true;
}
} // namespace

bool frmParvex::selectBaudCode(uint16_t code) {
    const auto text = BaudCodes::textOfCode(code);
    if (!text)
        return false;
    if (paramBaudRate->findText(*text) < 0)
        paramBaudRate->addItems(BaudCodes::extendedRows());
    paramBaudRate->setCurrentText(*text);
    return true;
}

bool frmParvex::decodeAnswer(uint8_t CmdType, const QByteArray& Param, int16_t ParamLen) {
    const QByteArray data = Param.left(ParamLen > 0 ? ParamLen : 0);
    auto byte = [&](int i) { return static_cast<uint8_t>(data[i]); };
    // Each case writes only data of its type's length.
    auto written = [](bool fits, auto&& write) {
        if (fits)
            write();
        return fits;
    };
    switch (CmdType) {
    case Frames::FirmwareVersion:
        return written(ParamLen == 2, [&] {
            version->setText(QStringLiteral("(Firmware Version %1.%2)").arg(byte(0)).arg(byte(1)));
        });
    case Frames::BaudRate:
        return ParamLen == 2 && selectBaudCode(static_cast<uint16_t>(byte(0) * 256 + byte(1)));
    case Frames::Security:
        return ParamLen == 1 && setCheckState(IsAuth, byte(0));
    case Frames::Password:
        return written(ParamLen >= 1, [&] { txtPwd->setText(textOf(data)); });
    case Frames::SniffMode:
        return setHexWords(data, sniffFields());
    case Frames::ParkMode:
        return setHexWords(data, parkFields());
    case Frames::DeviceName:
        return written(ParamLen >= 1, [&] { txtBDName->setText(textOf(data)); });
    case Frames::ClassOfDevice:
        return written(ParamLen == 3, [&] { txtClassOfDevice->setText(hexText(data)); });
    case Frames::MasterSlave:
        return ParamLen == 1 && setCheckState(IsMaster, byte(0));
    case Frames::MaximumConnections:
        return written(ParamLen == 1, [&] { txtMaxConnNum->setText(QString::number(byte(0))); });
    case Frames::ScanParameters:
        return setHexWords(data, scanFields());
    case Frames::Bind:
        return ParamLen == 1 && setCheckState(chkIsBind, byte(0));
    default:
        return false;
    }
}
