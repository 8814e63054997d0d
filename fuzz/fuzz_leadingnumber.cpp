// Fuzzes the reading of the known-length box. The bytes are taken both as UTF-8
// and as raw UTF-16 (lone surrogates included). Besides crashes, undefined
// behaviour and hangs, it checks that:
// - the value is never NaN;
// - blanks, tabs and line feeds anywhere do not change it (they are dropped);
// - text appended after a letter that no number can hold does not change it;
// - for text that is all digits, appending " cm" gives the same value.

#include "analysis/LeadingNumber.h"
#include "fuzz/LeakRoots.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition, const char* what, const QString& text)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_leadingnumber: property violated: %s\ntext (UTF-8): \"%s\"\n",
                     what, text.toUtf8().constData());
        std::abort();
    }
}

bool same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool allDigits(const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

void checkText(const QString& text)
{
    const double value = verimetra::leadingNumber(text);
    check(!std::isnan(value), "the value is NaN", text);

    QString squeezed = text;
    squeezed.remove(u' ').remove(u'\t').remove(u'\n');
    check(same(verimetra::leadingNumber(squeezed), value), "blanks changed the value", text);

    // No number form (decimal, exponent, &H or &O) has a 'x' in it.
    check(same(verimetra::leadingNumber(text + QStringLiteral("x1")), value),
          "text after 'x' changed the value", text);

    if (allDigits(text)) {
        check(same(verimetra::leadingNumber(text + QStringLiteral(" cm")), value),
              "\" cm\" changed the value", text);
        check(value >= 0, "digits gave a negative value", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const KeepMainThreadRootsAtEnd keepRoots;
    checkText(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    QString utf16(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        utf16[static_cast<qsizetype>(i / 2)] = QChar(char16_t(data[i] | data[i + 1] << 8));
    }
    checkText(utf16);

    // The view overload on part of a longer buffer: the function must not read past it.
    if (!utf16.isEmpty()) {
        verimetra::leadingNumber(QStringView(utf16).first(utf16.size() / 2));
    }
    return 0;
}
