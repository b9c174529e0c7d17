#pragma once

#include <QString>

// The serial-port control's handshaking for a flow-control name: the
// window's rows "None", "Xon/Xoff" and "Hardware", or the same words in
// lower case without the slash as a command line spells them. -1 for any
// other name.
int handshakingOf(const QString& flowControl);
