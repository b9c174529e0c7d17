#pragma once

#include <QLineEdit>
#include <QValidator>

// Limits what the operator types into a box without cutting text that the
// program puts there (QLineEdit::maxLength cuts both).
class TypingLimit : public QValidator {
    Q_OBJECT
public:
    TypingLimit(int limit, QObject* parent) : QValidator(parent), maxChars(limit) {}

    int limit() const { return maxChars; }

    State validate(QString& input, int&) const override {
        // A box the operator has not edited since the program last set its
        // text holds the program's text, which may be longer than the limit.
        const auto* box = qobject_cast<const QLineEdit*>(parent());
        if (box && !box->isModified())
            return Acceptable;
        return input.size() > maxChars ? Invalid : Acceptable;
    }

private:
    int maxChars;
};

// The typing limit of a box, or -1 when it has none.
int typingLimitOf(const QLineEdit* box);
