#pragma once

#include <QString>
#include <stdexcept>

// A failure raised by the serial-port control when it cannot open a port, or
// by the handling of a received body. CmdConn_Click and RecvDataSub catch it
// (with any other exception) and show its description in an "Error" box.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), text(description) {}

    const QString& description() const { return text; }

private:
    QString text;
};
