#include "analysis/LeadingNumber.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace verimetra {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text with blanks, tabs and line feeds dropped, as ASCII; the first character
// outside ASCII ends it, since no number can go on past it.
std::string squeezed(QStringView text)
{
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == u' ' || u == u'\t' || u == u'\n') {
            continue;
        }
        if (u > 0x7F) {
            break;
        }
        out.push_back(static_cast<char>(u));
    }
    return out;
}

// "&H..." or "&O...": the digits after the prefix in base 16 or 8, as far as they
// go. The value is the plain magnitude (no wrap into a signed 16- or 32-bit integer);
// endless digit strings grow to infinity instead of overflowing.
double radixNumber(const std::string& s)
{
    if (s.size() < 2) {
        return 0;
    }
    const char kind = s[1];
    const int base = (kind == 'H' || kind == 'h') ? 16 : (kind == 'O' || kind == 'o') ? 8 : 0;
    if (base == 0) {
        return 0;
    }
    double value = 0;
    for (std::size_t i = 2; i < s.size(); ++i) {
        const char c = s[i];
        int digit = -1;
        if (isDigit(c)) {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= base) {
            break;
        }
        value = value * base + digit;
    }
    return value;
}

} // namespace

// The decimal part is read with std::from_chars, which ignores the process locale.
// A number beyond the double range (a very long digit string, or a large exponent)
// reads as infinity with its sign, one too small for a double as zero.
double leadingNumber(QStringView text)
{
    const std::string s = squeezed(text);
    if (!s.empty() && s[0] == '&') {
        return radixNumber(s);
    }

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string number; // what from_chars reads: digits, '.', 'e', exponent
    number.reserve(s.size());

    // Decimal exponent of the leading non-zero digit, for the out-of-range case.
    std::int64_t magnitude = 0;
    bool nonZeroSeen = false;
    std::size_t mantissaDigits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) {
        number.push_back(s[i]);
        if (nonZeroSeen) {
            ++magnitude;
        } else if (s[i] != '0') {
            nonZeroSeen = true;
        }
    }
    if (i < s.size() && s[i] == '.') {
        number.push_back('.');
        ++i;
        for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) {
            number.push_back(s[i]);
            if (!nonZeroSeen) {
                --magnitude;
                nonZeroSeen = s[i] != '0';
            }
        }
    }
    if (mantissaDigits == 0) {
        return 0;
    }

    std::int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            negativeExponent = s[j] == '-';
            ++j;
        }
        if (j < s.size() && isDigit(s[j])) {
            number.push_back('e');
            if (negativeExponent) {
                number.push_back('-');
            }
            for (; j < s.size() && isDigit(s[j]); ++j) {
                number.push_back(s[j]);
                if (exponent < 1'000'000'000) {
                    exponent = exponent * 10 + (s[j] - '0');
                }
            }
            if (negativeExponent) {
                exponent = -exponent;
            }
        }
    }

    double value = 0;
    const std::errc error = std::from_chars(number.data(), number.data() + number.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        value = (magnitude + exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{}) {
        value = 0;
    }
    return negative ? -value : value;
}

} // namespace verimetra
