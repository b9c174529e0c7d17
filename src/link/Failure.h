#pragma once

#include <QString>
#include <stdexcept>

// A failure raised by the serial-port control or by the handling of a received
// body. Only the two handlers that report failures to the operator catch it.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), text(description) {}

    const QString& description() const { return text; }

private:
    QString text;
};
