#pragma once

#include <QString>
#include <optional>

// A module name with one run of '#', replaced by a number zero-padded to the
// run's length: "Bench-####" gives "Bench-0042" for 42.
class NamePattern {
public:
    // The pattern, or why it is refused (no run or two runs of '#', a name
    // the module cannot hold).
    static std::optional<NamePattern> parse(const QString& text, QString& error);

    QString nameFor(qint64 number) const;
    // Whether the number fits the run and gives a name the module takes.
    bool holds(qint64 number) const;
    // The highest number the run holds.
    qint64 largest() const;
    // Whether a name was made by this pattern, whatever its number.
    bool matches(const QString& name) const;
    // The number of a name that matches.
    qint64 numberOf(const QString& name) const;
    QString text() const { return prefix + QString(digits, QLatin1Char('#')) + suffix; }
    // The parts of its names: the text before the number, the number's
    // width, the text after it.
    QString before() const { return prefix; }
    int width() const { return digits; }
    QString after() const { return suffix; }

private:
    QString prefix;
    QString suffix;
    int digits = 0;
};
