#include "analysis/NumberText.h"

#include "analysis/Rounding.h"

#include <charconv>
#include <cmath>

namespace verimetra {

QString formatForDisplay(double value, const QLocale& locale)
{
    QLocale loc(locale);
    loc.setNumberOptions(loc.numberOptions() | QLocale::OmitGroupSeparator);
    if (value == 0) {
        value = 0; // -0 shows as plain zero
    }
    return loc.toString(value, 'g', 15);
}

double roundToFourDecimals(double area)
{
    const double scaled = area * 10000;
    // From 2^53 on every double is a whole number: nothing is left to round, and
    // dividing back could only move the value off by one step. Infinities and NaN
    // pass through unchanged.
    constexpr double wholeFrom = 9007199254740992.0; // 2^53
    if (!std::isfinite(area) || !(std::fabs(scaled) < wholeFrom)) {
        return area;
    }
    return roundHalfEven(scaled) / 10000;
}

// Like "%.15G" in the C locale, written without touching the process locale:
// exponent form only below 1E-05 or from 1E+15 on. Infinities and NaN come out as
// "inf", "-inf" and "nan".
QString formatForFile(double value)
{
    if (value == 0) {
        return QStringLiteral("0");
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (std::isfinite(value)) {
        text.replace(u'e', u'E');
    }
    return text;
}

} // namespace verimetra
