#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace verimetra {

// Pieces of text the results file readers share: blanks and line ends, UTF-8
// checking and numbers.

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// True when nothing but blanks and line ends follows `from`: the file ends there.
inline bool onlyBlankLinesFrom(const char* data, qsizetype size, qsizetype from)
{
    for (qsizetype i = from; i < size; ++i) {
        if (!isBlank(data[i]) && !isLineEnd(data[i])) {
            return false;
        }
    }
    return true;
}

// The line breaks in data[begin, end): CR LF, LF and CR each end a line.
inline int countLineBreaks(const char* data, qsizetype begin, qsizetype end)
{
    int count = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if (data[i] == '\n') {
            ++count;
        } else if (data[i] == '\r') {
            ++count;
            if (i + 1 < end && data[i + 1] == '\n') {
                ++i;
            }
        }
    }
    return count;
}

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

// Writes `bytes` to `path` through a temporary file that replaces the old one only
// when everything is written: a failed write leaves the old file as it was. The
// reason names the file.
Outcome saveAtomically(const QString& path, const QByteArray& bytes);

} // namespace verimetra
