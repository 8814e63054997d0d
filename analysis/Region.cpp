#include "analysis/Region.h"

#include "analysis/Rounding.h"

#include <algorithm>
#include <cmath>

namespace verimetra {

namespace {

// Clips the inclusive range lo..hi of whole positions (already whole numbers, or
// NaN) to 0 .. size - 1. Done in double so that no bound, however large, overflows.
bool clipRange(double lo, double hi, int size, int& first, int& last)
{
    if (size <= 0 || std::isnan(lo) || std::isnan(hi)) {
        return false;
    }
    lo = std::max(lo, 0.0);
    hi = std::min(hi, static_cast<double>(size) - 1.0);
    if (lo > hi) {
        return false;
    }
    first = static_cast<int>(lo);
    last = static_cast<int>(hi);
    return true;
}

// The pixels that the stepping loop `for (p = from; p <= to; p += 1)` visits:
// floor(from) .. floor(from) + floor(to - from), nothing when to < from.
// A non-finite start never steps anywhere and gives nothing.
bool steppedRange(double from, double to, int size, int& first, int& last)
{
    if (!std::isfinite(from) || std::isnan(to) || to < from) {
        return false;
    }
    const double start = std::floor(from);
    return clipRange(start, start + std::floor(to - from), size, first, last);
}

bool roundedRange(double from, double to, int size, int& first, int& last)
{
    return clipRange(roundHalfEven(from), roundHalfEven(to), size, first, last);
}

} // namespace

PixelSpan conversionSpan(const RegionBounds& region, QSize picture)
{
    PixelSpan span;
    if (!steppedRange(region.left, region.right, picture.width(), span.x0, span.x1) ||
        !steppedRange(region.top, region.bottom, picture.height(), span.y0, span.y1)) {
        return {};
    }
    return span;
}

PixelSpan countSpan(const RegionBounds& region, QSize picture)
{
    PixelSpan span;
    if (!roundedRange(region.left, region.right, picture.width(), span.x0, span.x1) ||
        !roundedRange(region.top, region.bottom, picture.height(), span.y0, span.y1)) {
        return {};
    }
    return span;
}

} // namespace verimetra
