#include "WindowFields.h"

#include "protocol/BaudCodes.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {
QString codeOfRateText(const QString& text) {
    const auto code = BaudCodes::codeOfText(text);
    return code ? QString::number(*code) : QStringLiteral("<%1>").arg(text);
}

QString checkState(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QString joined(std::initializer_list<const QLineEdit*> boxes) {
    QStringList texts;
    for (const QLineEdit* box : boxes)
        texts << box->text();
    return texts.join(QLatin1Char(','));
}
} // namespace

FieldMap windowFields(const frmParvex& w) {
    return {
        {QStringLiteral("name"), w.txtBDName->text()},
        {QStringLiteral("pwd"), w.txtPwd->text()},
        {QStringLiteral("auth"), checkState(w.IsAuth)},
        {QStringLiteral("baud"), codeOfRateText(w.paramBaudRate->currentText())},
        {QStringLiteral("sniff"),
         joined({w.txtSniffMaxIntval, w.txtSniffMinIntval, w.txtAttempt, w.txtTimeout})},
        {QStringLiteral("park"), joined({w.txtParkMaxIntval, w.txtParkMinIntval})},
        {QStringLiteral("master"), checkState(w.IsMaster)},
        {QStringLiteral("cod"), w.txtClassOfDevice->text()},
        {QStringLiteral("bind"), checkState(w.chkIsBind)},
        {QStringLiteral("scan"),
         joined({w.txtPsInterval, w.txtPsWindow, w.txtIsInterval, w.txtIsWindow})},
        {QStringLiteral("maxconn"), w.txtMaxConnNum->text()},
    };
}

QString shownStatus(const frmParvex& window) {
    return window.Status->text().mid(4);
}
