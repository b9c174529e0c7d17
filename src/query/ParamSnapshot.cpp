// The snapshot of the parameter values last read from or written to the
// module, and the window's values in the same form.
#include "ParamSnapshot.h"

#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

ParamSnapshotFields ParamSnapshot;

namespace {
QString checkState(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QStringList textsOf(const std::vector<frmParvex::HexField>& group) {
    QStringList texts;
    for (const frmParvex::HexField& field : group)
        texts << field.box->text();
    return texts;
}
} // namespace

ParamSnapshotFields frmParvex::windowValues() const {
    ParamSnapshotFields values;
    values.Held = true;
    values.BaudRate = paramBaudRate->currentText();
    values.Auth = checkState(IsAuth);
    values.Pwd = txtPwd->text();
    values.Sniff = textsOf(sniffFields());
    values.Park = textsOf(parkFields());
    values.BDName = txtBDName->text();
    values.ClassOfDevice = txtClassOfDevice->text();
    values.Master = checkState(IsMaster);
    values.Scan = textsOf(scanFields());
    values.Bind = checkState(chkIsBind);
    return values;
}

void frmParvex::SaveParamSnapshot() {
    ParamSnapshot = windowValues();
}
