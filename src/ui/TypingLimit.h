#pragma once

#include <QLineEdit>
#include <QValidator>

// Limits what the operator types into a box without cutting text that the
// program puts there (QLineEdit::maxLength cuts both). A text longer than
// the limit can always get shorter, and an insertion keeps as many of its
// characters as fit.
class TypingLimit : public QValidator {
    Q_OBJECT
public:
    TypingLimit(int limit, QLineEdit* box);

    int limit() const { return maxChars; }

    State validate(QString& input, int& pos) const override;

private:
    int maxChars;
    // The box's text before the edit being validated.
    QString before;
};
