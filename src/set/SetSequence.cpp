// The Set action: write every parameter whose window value differs from the
// values last read or written, in one pass, then remember the window.
#include "protocol/Parameters.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
// What the Set action sends: every row while nothing is held, else the rows
// whose window value differs. Check boxes compare as numbers.
struct ChangedRows {
    bool security, password, classOfDevice, deviceName, role, park, sniff, baudRate, scan, bind;

    ChangedRows(const ParamSnapshotFields& window, const ParamSnapshotFields& held) {
        // Grouped fields compare box by box: 01 and 0020 differ from 0100
        // and 20 though their joined texts are equal.
        auto text = [&](const auto& now, const auto& then) { return !held.Held || now != then; };
        auto number = [&](const QString& now, const QString& then) {
            return !held.Held || now.toInt() != then.toInt();
        };
        security = number(window.Auth, held.Auth);
        password = text(window.Pwd, held.Pwd);
        classOfDevice = text(window.ClassOfDevice, held.ClassOfDevice);
        deviceName = text(window.BDName, held.BDName);
        role = number(window.Master, held.Master);
        park = text(window.Park, held.Park);
        sniff = text(window.Sniff, held.Sniff);
        baudRate = text(window.BaudRate, held.BaudRate);
        scan = text(window.Scan, held.Scan);
        bind = number(window.Bind, held.Bind);
    }

    bool any() const {
        return security || password || classOfDevice || deviceName || role || park || sniff ||
               baudRate || scan || bind;
    }
};
} // namespace

bool frmParvex::changedFieldsAcceptable(const ParamSnapshotFields& window) {
    const ChangedRows changed(window, ParamSnapshot);
    return (!changed.classOfDevice || classOfDeviceAcceptable()) &&
           (!changed.park || hexWordsAcceptable(parkFields())) &&
           (!changed.sniff || hexWordsAcceptable(sniffFields())) &&
           (!changed.scan || hexWordsAcceptable(scanFields()));
}

bool frmParvex::scanWindowsFit() {
    const std::vector<HexField> scan = scanFields();
    for (const Parameters::ScanWindowRule& rule : Parameters::scanWindowRules()) {
        QLineEdit* window = scan[static_cast<size_t>(rule.window)].box;
        if (!Parameters::scanWindowFits(scan[static_cast<size_t>(rule.interval)].box->text(),
                                        window->text())) {
            refuseField(window, QString::fromLatin1(rule.message), BoxIcon::Critical);
            enableAction(CmdSet);
            return false;
        }
    }
    return true;
}

void frmParvex::CmdSet_Click() {
    if (!portShownOpen()) {
        MsgBox(QStringLiteral("Serial port is not opened！"), QStringLiteral("Error"),
               BoxIcon::Critical);
        return;
    }
    if (Parameters::isBlankPassword(txtPwd->text())) {
        MsgBox(Parameters::blankPasswordRule(), QStringLiteral("Warn"), BoxIcon::Exclamation);
        return;
    }
    // A field that cannot be sent stops the action before anything is.
    if (!changedFieldsAcceptable(windowValues()))
        return;

    const ChangedRows changed(windowValues(), ParamSnapshot);
    // A Set that sends nothing leaves the command in flight, and how it is
    // resent, to the sequence that sent it.
    if (changed.any()) {
        SetActive = True;
        QueryActive = False;
        RetryCount = 0;
    }
    disableAction(CmdSet);

    if (changed.security)
        SetSecurity();
    if (changed.password)
        SetPassword();
    if (changed.classOfDevice)
        SetClassOfDevice();
    if (changed.deviceName)
        SetDeviceName();
    if (changed.role)
        SetMasterSlave();
    if (changed.park)
        SetParkParam();
    if (changed.sniff)
        SetSniffParam();
    if (changed.baudRate)
        SetBaudRate();
    if (changed.scan) {
        if (!scanWindowsFit())
            return;
        SetScanParam();
    }
    if (changed.bind)
        SetBind();
    SaveParamSnapshot();
    enableAction(CmdSet);
}
