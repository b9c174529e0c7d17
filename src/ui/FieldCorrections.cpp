// Corrections made when a field is left, and the two open/close sliders.
#include "frmParvex.h"
#include "protocol/Parameters.h"

#include <QLineEdit>
#include <QSlider>

namespace {
// Open: the group's open texts; close: its factory texts.
void fillSwitchGroup(const std::vector<frmParvex::HexField>& group, bool open) {
    for (const frmParvex::HexField& field : group)
        field.box->setText(open ? QString::fromLatin1(field.open) : field.factory);
}
} // namespace

void frmParvex::txtClassOfDevice_LostFocus() {
    const QString padded = Parameters::paddedClassOfDevice(txtClassOfDevice->text());
    if (padded != txtClassOfDevice->text())
        txtClassOfDevice->setText(padded);
}

void frmParvex::fillBlankScanField(QLineEdit* box) {
    if (!box->text().trimmed().isEmpty())
        return;
    for (const HexField& field : scanFields())
        if (field.box == box)
            box->setText(field.factory);
}

// The slider's position after the operator's action: value() still holds
// the old one while the action is being signalled.
void frmParvex::SniffSlider_Click() {
    fillSwitchGroup(sniffFields(), SniffSlider->sliderPosition() == 0);
}

void frmParvex::ParkSlider_Click() {
    fillSwitchGroup(parkFields(), ParkSlider->sliderPosition() == 0);
}
