#pragma once

#include "FieldValues.h"

class frmParvex;

// The window's parameter fields in the form of the module's state line:
// check boxes as 0 or 1, the baud-rate row as its rate code, the words of a
// group joined by commas, as the window shows them.
FieldMap windowFields(const frmParvex& window);

// The status line's text without its four leading spaces.
QString shownStatus(const frmParvex& window);
