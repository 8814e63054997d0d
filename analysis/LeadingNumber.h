#pragma once

#include <QStringView>

namespace verimetra {

// How the text of the known-length box becomes a number:
// blanks, tabs and line feeds anywhere are dropped; then the longest leading part
// that forms a number is taken: optional sign, digits, at most one period (always
// the decimal point, whatever the locale; a comma ends the number), optional
// exponent (E or D, optional sign, digits). A leading "&H" or "&O" reads the digits
// after it as hexadecimal or octal. No number at all gives 0.
// "10 cm" -> 10, "1 0" -> 10, "1,5" -> 1, "5E-1" -> 0.5, "abc" -> 0, "&H1F" -> 31.
double leadingNumber(QStringView text);

} // namespace verimetra
