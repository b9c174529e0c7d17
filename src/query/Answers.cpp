// Writing the data of each query answer into the window. Data of any other
// length or form than its type's leaves the controls as they are.
#include "protocol/BaudCodes.h"
#include "protocol/Frames.h"
#include "protocol/Parameters.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {
// Writes a value decoded from the data, if the data held one.
template <typename Value, typename Write>
bool written(const std::optional<Value>& value, Write&& write) {
    if (value)
        write(*value);
    return value.has_value();
}

bool setCheckState(QCheckBox* box, const QByteArray& data) {
    return written(Parameters::switchOf(data), [box](bool on) { box->setChecked(on); });
}

// One word a box, in the group's order.
bool setHexWords(const QByteArray& data, const std::vector<frmParvex::HexField>& group) {
    return written(Parameters::hexWordsOf(data, static_cast<qsizetype>(group.size())),
                   [&group](const QStringList& words) {
                       for (size_t i = 0; i < group.size(); ++i)
                           group[i].box->setText(words[static_cast<qsizetype>(i)]);
                   });
}

auto textInto(QLineEdit* box) {
    return [box](const QString& text) { box->setText(text); };
}
} // namespace

// A module at one of the faster rates adds their rows to the list.
void frmParvex::selectBaudRow(const QString& text) {
    if (paramBaudRate->findText(text) < 0)
        paramBaudRate->addItems(BaudCodes::extendedRows());
    paramBaudRate->setCurrentText(text);
}

bool frmParvex::decodeAnswer(uint8_t CmdType, const QByteArray& Param, int16_t ParamLen) {
    const QByteArray data = Param.left(ParamLen > 0 ? ParamLen : 0);
    switch (CmdType) {
    case Frames::FirmwareVersion:
        return written(Parameters::versionOf(data), [this](const QString& number) {
            version->setText(QStringLiteral("(Firmware Version %1)").arg(number));
        });
    case Frames::BaudRate:
        return written(Parameters::rateOf(data),
                       [this](const QString& rate) { selectBaudRow(rate); });
    case Frames::Security:
        return setCheckState(IsAuth, data);
    case Frames::Password:
        return written(Parameters::textOf(data), textInto(txtPwd));
    case Frames::SniffMode:
        return setHexWords(data, sniffFields());
    case Frames::ParkMode:
        return setHexWords(data, parkFields());
    case Frames::DeviceName:
        return written(Parameters::textOf(data), textInto(txtBDName));
    case Frames::ClassOfDevice:
        return written(Parameters::classOfDeviceOf(data), textInto(txtClassOfDevice));
    case Frames::MasterSlave:
        return setCheckState(IsMaster, data);
    case Frames::MaximumConnections:
        return written(Parameters::countOf(data), textInto(txtMaxConnNum));
    case Frames::ScanParameters:
        return setHexWords(data, scanFields());
    case Frames::Bind:
        return setCheckState(chkIsBind, data);
    default:
        return false;
    }
}
