#include "NamePattern.h"

#include "protocol/Parameters.h"

namespace {
const Parameters::Parameter& nameParameter() {
    return Parameters::byType(Frames::DeviceName);
}
} // namespace

std::optional<NamePattern> NamePattern::parse(const QString& text, QString& error) {
    const qsizetype first = text.indexOf(QLatin1Char('#'));
    qsizetype end = first;
    while (end >= 0 && end < text.size() && text[end] == QLatin1Char('#'))
        ++end;
    if (first < 0 || text.indexOf(QLatin1Char('#'), end) >= 0) {
        error = QStringLiteral("--name-pattern: \"%1\" must hold exactly one run of #").arg(text);
        return std::nullopt;
    }
    NamePattern pattern;
    pattern.prefix = text.left(first);
    pattern.suffix = text.mid(end);
    pattern.digits = static_cast<int>(end - first);
    // Checked with the run as zeros: the length and the characters are those
    // of every name it gives.
    const Parameters::Checked checked = Parameters::check(nameParameter(), pattern.nameFor(0));
    if (!checked.value) {
        error = QStringLiteral("--name-pattern: \"%1\": the name %2").arg(text, checked.rule);
        return std::nullopt;
    }
    return pattern;
}

QString NamePattern::nameFor(qint64 number) const {
    return prefix + QString::number(number).rightJustified(digits, QLatin1Char('0')) + suffix;
}

qint64 NamePattern::largest() const {
    qint64 largest = 0;
    for (int i = 0; i < digits && largest < (qint64(1) << 53) / 10; ++i)
        largest = largest * 10 + 9;
    return largest;
}

bool NamePattern::holds(qint64 number) const {
    return number >= 0 && number <= largest();
}

bool NamePattern::matches(const QString& name) const {
    if (name.size() != prefix.size() + digits + suffix.size() || !name.startsWith(prefix) ||
        !name.endsWith(suffix))
        return false;
    for (QChar c : name.mid(prefix.size(), digits))
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    return true;
}

qint64 NamePattern::numberOf(const QString& name) const {
    return name.mid(prefix.size(), digits).toLongLong();
}
