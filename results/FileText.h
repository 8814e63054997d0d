#pragma once

#include <QtGlobal>

namespace verimetra {

// Pieces of text the results file readers share: UTF-8 checking and numbers.

// The offset of the first byte that is not part of well-formed UTF-8 (a stray
// continuation byte, an overlong form, a surrogate, anything above U+10FFFF, a
// sequence cut off at the end), or `size` when all of it is well-formed.
qsizetype firstInvalidUtf8(const char* data, qsizetype size);

enum class NumberResult
{
    Ok,
    NotANumber,
    OutOfRange
};

// A decimal number with a period as the separator: optional sign, digits with an
// optional fraction (".5" and "1." included), optional exponent. Nothing else:
// no blanks inside, no "inf", "nan" or hexadecimal forms. Values written with 15
// digits just above the largest double read as the largest double.
NumberResult parseDecimal(const char* begin, const char* end, double& value);

} // namespace verimetra
