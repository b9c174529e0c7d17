#pragma once

#include <QByteArray>
#include <QString>

// Why a frame the window wrote is not one it can send: malformed, or a
// query or set command of a type or length the window never sends. Empty
// when the frame is one of its commands.
QString faultOfWrittenFrame(const QByteArray& frame);
