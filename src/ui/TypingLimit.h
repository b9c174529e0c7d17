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

// The text an edit of `before` into `after` leaves under a typing limit:
// the characters the edit inserted are cut to what fits within the larger
// of the limit and the earlier length; `pos` ends after the last one kept.
QString limitedEdit(const QString& before, const QString& after, int limit, int& pos);

// The typing limit of a box, or -1 when it has none.
int typingLimitOf(const QLineEdit* box);
