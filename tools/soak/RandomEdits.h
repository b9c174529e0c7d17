#pragma once

#include <QString>
#include <random>

class frmParvex;

// Valid edits an operator could make, drawn from random: each parameter
// changes with even odds, hex words written with 1 to 4 digits in either
// case. The baud-rate row changes only when newRate is not empty.
void editAtRandom(frmParvex& window, std::mt19937& random, const QString& newRate = {});

// A standard rate other than current, drawn from random.
QString otherStandardRate(const QString& current, std::mt19937& random);
