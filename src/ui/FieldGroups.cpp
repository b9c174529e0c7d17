// The three groups of hexadecimal fields, each defined once: its boxes in
// frame order, and the text the group's slider writes at "open". A word's
// name in messages and the text Default writes (and a blank scan box gets
// when it is left) are the parameter's own. A slider at "close" writes the
// factory text.
#include "frmParvex.h"
#include "protocol/Parameters.h"

namespace {
std::vector<frmParvex::HexField> group(Frames::CommandType type,
                                       const std::vector<QLineEdit*>& boxes,
                                       const std::vector<const char*>& open) {
    const Parameters::Parameter& parameter = Parameters::byType(type);
    const QStringList factory = QString::fromLatin1(parameter.factory).split(QLatin1Char(','));
    std::vector<frmParvex::HexField> fields;
    for (size_t i = 0; i < boxes.size(); ++i)
        fields.push_back({boxes[i], parameter.wordNames[i], factory[static_cast<qsizetype>(i)],
                          i < open.size() ? open[i] : nullptr});
    return fields;
}
} // namespace

std::vector<frmParvex::HexField> frmParvex::sniffFields() const {
    return group(Frames::SniffMode, {txtSniffMaxIntval, txtSniffMinIntval, txtAttempt, txtTimeout},
                 {"0320", "0050", "0008", "0008"});
}

std::vector<frmParvex::HexField> frmParvex::parkFields() const {
    return group(Frames::ParkMode, {txtParkMaxIntval, txtParkMinIntval}, {"0800", "0100"});
}

std::vector<frmParvex::HexField> frmParvex::scanFields() const {
    return group(Frames::ScanParameters, {txtPsInterval, txtPsWindow, txtIsInterval, txtIsWindow},
                 {});
}
