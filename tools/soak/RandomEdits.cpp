#include "RandomEdits.h"

#include "RandomDraws.h"

#include "protocol/BaudCodes.h"
#include "ui/frmParvex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {
constexpr int passwordMaxLength = 8;
constexpr int nameMaxLength = 14;

// Printable ASCII without '=' (the module's state line separates its fields
// by "key="), with no space at either end.
QString randomText(std::mt19937& random, int maxLength) {
    const int length = 1 + below(random, maxLength);
    QString text;
    for (int i = 0; i < length; ++i) {
        const bool end = i == 0 || i == length - 1;
        char c;
        do
            c = static_cast<char>(0x20 + below(random, 0x7F - 0x20));
        while (c == '=' || (end && c == ' '));
        text += QLatin1Char(c);
    }
    return text;
}

// The value in hex, padded to a random width up to width, in either case.
QString hexText(std::mt19937& random, unsigned value, int width) {
    QString text = QString::number(value, 16);
    text = text.rightJustified(text.size() + below(random, width - int(text.size()) + 1),
                               QLatin1Char('0'));
    return coinFlip(random) ? text.toUpper() : text;
}

// Small values as often as large ones, so that short texts come up.
unsigned randomWord(std::mt19937& random) {
    return coinFlip(random) ? unsigned(below(random, 0x10000)) : unsigned(below(random, 0x100));
}

void editWords(std::mt19937& random, std::initializer_list<QLineEdit*> boxes) {
    for (QLineEdit* box : boxes)
        box->setText(hexText(random, randomWord(random), 4));
}

// A scan window is no larger than its interval.
void editScanPair(std::mt19937& random, QLineEdit* interval, QLineEdit* window) {
    const unsigned length = randomWord(random);
    interval->setText(hexText(random, length, 4));
    window->setText(hexText(random, unsigned(below(random, int(length) + 1)), 4));
}

void toggleAtRandom(std::mt19937& random, QCheckBox* box) {
    if (coinFlip(random))
        box->setChecked(!box->isChecked());
}
} // namespace

void editAtRandom(frmParvex& w, std::mt19937& random, const QString& newRate) {
    if (coinFlip(random))
        w.txtPwd->setText(randomText(random, passwordMaxLength));
    if (coinFlip(random))
        w.txtBDName->setText(randomText(random, nameMaxLength));
    if (coinFlip(random))
        w.txtClassOfDevice->setText(hexText(random, unsigned(below(random, 0x1000000)), 6)
                                        .rightJustified(6, QLatin1Char('0')));
    if (coinFlip(random))
        editWords(random, {w.txtSniffMaxIntval, w.txtSniffMinIntval, w.txtAttempt, w.txtTimeout});
    if (coinFlip(random))
        editWords(random, {w.txtParkMaxIntval, w.txtParkMinIntval});
    if (coinFlip(random)) {
        editScanPair(random, w.txtPsInterval, w.txtPsWindow);
        editScanPair(random, w.txtIsInterval, w.txtIsWindow);
    }
    for (QCheckBox* box : {w.IsAuth, w.IsMaster, w.chkIsBind})
        toggleAtRandom(random, box);
    if (!newRate.isEmpty())
        w.paramBaudRate->setCurrentText(newRate);
}

QString otherStandardRate(const QString& current, std::mt19937& random) {
    QStringList rates = BaudCodes::standardRows();
    rates.removeAll(QStringLiteral("No Change"));
    rates.removeAll(current);
    return rates[below(random, int(rates.size()))];
}
