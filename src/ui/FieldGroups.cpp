// The three groups of hexadecimal fields, each defined once: its boxes in
// frame order, their names in messages, the text Default writes (and a blank
// scan box gets when it is left), and the text the group's slider writes at
// "open". A slider at "close" writes the factory text.
#include "frmParvex.h"

std::vector<frmParvex::HexField> frmParvex::sniffFields() const {
    return {{txtSniffMaxIntval, "Sniff Maximum", "0000", "0320"},
            {txtSniffMinIntval, "Sniff Minimum", "0000", "0050"},
            {txtAttempt, "Sniff attempt", "0000", "0008"},
            {txtTimeout, "Sniff timeout", "0000", "0008"}};
}

std::vector<frmParvex::HexField> frmParvex::parkFields() const {
    return {{txtParkMaxIntval, "Park Maximum", "0000", "0800"},
            {txtParkMinIntval, "Park Minimum", "0000", "0100"}};
}

std::vector<frmParvex::HexField> frmParvex::scanFields() const {
    return {{txtPsInterval, "Page Scan interval", "0400", nullptr},
            {txtPsWindow, "Page Scan window", "0200", nullptr},
            {txtIsInterval, "Inquiry Scan interval", "0400", nullptr},
            {txtIsWindow, "Inquiry Scan window", "0200", nullptr}};
}
