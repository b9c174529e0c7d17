// Corrections made when a field is left, and the two open/close sliders.
#include "frmParvex.h"

#include <QLineEdit>
#include <QSlider>

namespace {
void fillIfBlank(QLineEdit* box, const QString& defaultText) {
    if (box->text().trimmed().isEmpty())
        box->setText(defaultText);
}

void setTexts(std::initializer_list<std::pair<QLineEdit*, const char*>> values) {
    for (const auto& [box, text] : values)
        box->setText(QString::fromLatin1(text));
}
} // namespace

void frmParvex::txtClassOfDevice_LostFocus() {
    const QString text = txtClassOfDevice->text();
    if (text.size() < 6)
        txtClassOfDevice->setText(QString(6 - text.size(), QLatin1Char('0')) + text);
}

void frmParvex::txtPsInterval_LostFocus() {
    fillIfBlank(txtPsInterval, QStringLiteral("0400"));
}

void frmParvex::txtPsWindow_LostFocus() {
    fillIfBlank(txtPsWindow, QStringLiteral("0200"));
}

void frmParvex::txtIsInterval_LostFocus() {
    fillIfBlank(txtIsInterval, QStringLiteral("0400"));
}

void frmParvex::txtIsWindow_LostFocus() {
    fillIfBlank(txtIsWindow, QStringLiteral("0200"));
}

// The slider's position after the operator's action: value() still holds
// the old one while the action is being signalled.
void frmParvex::SniffSlider_Click() {
    if (SniffSlider->sliderPosition() == 0)
        setTexts({{txtSniffMaxIntval, "0320"},
                  {txtSniffMinIntval, "0050"},
                  {txtAttempt, "0008"},
                  {txtTimeout, "0008"}});
    else
        setTexts({{txtSniffMaxIntval, "0000"},
                  {txtSniffMinIntval, "0000"},
                  {txtAttempt, "0000"},
                  {txtTimeout, "0000"}});
}

void frmParvex::ParkSlider_Click() {
    if (ParkSlider->sliderPosition() == 0)
        setTexts({{txtParkMaxIntval, "0800"}, {txtParkMinIntval, "0100"}});
    else
        setTexts({{txtParkMaxIntval, "0000"}, {txtParkMinIntval, "0000"}});
}
