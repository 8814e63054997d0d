#pragma once

#include <QLocale>
#include <QString>

namespace verimetra {

// A number as the user reads it: up to 15 significant digits, no trailing zeros,
// no digit grouping, the locale's decimal separator, "0" for zero (also -0).
// Very large or small values use the locale's exponent form ("1E+20").
QString formatForDisplay(double value, const QLocale& locale = QLocale());

// The area shown after a measurement: rounded to 4 decimals, ties to even
// (1.23455 -> 1.2346, 0.12345 -> 0.1234), for any magnitude.
double roundToFourDecimals(double area);

// A number as the results file stores it: period as decimal point, up to 15
// significant digits, no grouping or blanks, exponent form (mantissa, "E", sign,
// two or more digits) only for very large or very small values. "3.57", "-0.5",
// "1E+20", "1.5E-05", "0".
QString formatForFile(double value);

} // namespace verimetra
