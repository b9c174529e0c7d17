#pragma once

#include <QValidator>

// Limits what the operator types into a box without cutting text that the
// program puts there (QLineEdit::maxLength cuts both).
class TypingLimit : public QValidator {
    Q_OBJECT
public:
    TypingLimit(int limit, QObject* parent) : QValidator(parent), maxChars(limit) {}

    int limit() const { return maxChars; }

    State validate(QString& input, int&) const override {
        return input.size() > maxChars ? Invalid : Acceptable;
    }

private:
    int maxChars;
};

class QLineEdit;
// The typing limit of a box, or -1 when it has none.
int typingLimitOf(const QLineEdit* box);
