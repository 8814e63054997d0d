#include "results/FileText.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <system_error>

namespace verimetra {

qsizetype firstInvalidUtf8(const char* data, qsizetype size)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(data);
    const auto* p = begin;
    const auto* end = p + size;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80; // allowed range of the second byte
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) {
                low = 0xA0; // overlong
            } else if (c == 0xED) {
                high = 0x9F; // surrogates
            }
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) {
                low = 0x90; // overlong
            } else if (c == 0xF4) {
                high = 0x8F; // above U+10FFFF
            }
        } else {
            return p - begin;
        }
        if (end - p <= more || p[1] < low || p[1] > high) {
            return p - begin;
        }
        for (int i = 2; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return p - begin;
            }
        }
        p += more + 1;
    }
    return size;
}

NumberResult parseDecimal(const char* begin, const char* end, double& value)
{
    const char* p = begin;
    if (p < end && (*p == '+' || *p == '-')) {
        ++p;
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    qsizetype digits = 0;
    while (p < end && isDigit(*p)) {
        ++p;
        ++digits;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && isDigit(*p)) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0) {
        return NumberResult::NotANumber;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) {
            ++p;
        }
        if (p == end || !isDigit(*p)) {
            return NumberResult::NotANumber;
        }
        while (p < end && isDigit(*p)) {
            ++p;
        }
    }
    if (p != end) {
        return NumberResult::NotANumber;
    }

    // std::from_chars takes a minus sign but no plus sign.
    const char* first = (*begin == '+') ? begin + 1 : begin;
    const auto result = std::from_chars(first, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // The largest doubles are written with 15 digits as 1.79769313486232E+308,
        // a little above the largest double. Read such values as the largest
        // double; anything further out, or too small to be told from zero, is
        // refused.
        long double wide = 0;
        const auto wideResult = std::from_chars(first, end, wide, std::chars_format::general);
        constexpr long double largestWritten = 1.79769313486232e308L;
        if (wideResult.ec == std::errc() && wideResult.ptr == end &&
            std::fabs(wide) > static_cast<long double>(DBL_MAX) &&
            std::fabs(wide) <= largestWritten) {
            value = wide < 0 ? -DBL_MAX : DBL_MAX;
            return NumberResult::Ok;
        }
        return NumberResult::OutOfRange;
    }
    if (result.ec != std::errc() || result.ptr != end) {
        return NumberResult::NotANumber;
    }
    return NumberResult::Ok;
}

namespace {

class SavingText
{
    Q_DECLARE_TR_FUNCTIONS(ResultsFile)

public:
    static QString cannotSave(const QString& path, const QString& why)
    {
        return tr("Cannot save \"%1\": %2").arg(QDir::toNativeSeparators(path), why);
    }
    static QString cannotWrite(const QString& path, const QString& why)
    {
        return tr("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), why);
    }
};

} // namespace

Outcome saveAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return failed(SavingText::cannotSave(path, file.errorString()));
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failed(SavingText::cannotWrite(path, reason));
    }
    if (!file.commit()) {
        return failed(SavingText::cannotSave(path, file.errorString()));
    }
    return Done{};
}

} // namespace verimetra
