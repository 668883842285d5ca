#pragma once
// Numbers as the user types and reads them, with the system's decimal separator.

#include <QString>

// The number in text, or fallback when text is not a finite number.
double TextToFloatOr(const QString& text, double fallback);
// value in the shortest general form with up to 15 significant digits.
QString FloatToText(double value);
