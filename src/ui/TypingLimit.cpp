#include "TypingLimit.h"

#include <algorithm>

namespace {
// The text an edit of `before` into `after` leaves under a typing limit:
// the characters the edit inserted are cut to what fits within the larger
// of the limit and the earlier length; `pos` ends after the last one kept.
QString limitedEdit(const QString& before, const QString& after, int limit, int& pos) {
    const qsizetype room = std::max<qsizetype>(limit, before.size());
    if (after.size() <= room)
        return after;
    // What stayed of the earlier text on each side of the edit.
    qsizetype kept = 0;
    while (kept < before.size() && kept < after.size() && before[kept] == after[kept])
        ++kept;
    qsizetype tail = 0;
    while (tail < before.size() - kept && tail < after.size() - kept &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const qsizetype inserted = after.size() - kept - tail;
    const qsizetype fits = std::max<qsizetype>(0, room - kept - tail);
    pos = static_cast<int>(kept + std::min(inserted, fits));
    return after.left(kept) + after.mid(kept, std::min(inserted, fits)) + after.right(tail);
}
} // namespace

TypingLimit::TypingLimit(int limit, QLineEdit* box) : QValidator(box), maxChars(limit) {
    before = box->text();
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { before = text; });
}

QValidator::State TypingLimit::validate(QString& input, int& pos) const {
    // A box the operator has not edited since the program last set its text
    // holds the program's text, which may be longer than the limit.
    const auto* box = qobject_cast<const QLineEdit*>(parent());
    if (box && !box->isModified())
        return Acceptable;
    input = limitedEdit(before, input, maxChars, pos);
    return Acceptable;
}
