#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace verimetra {

// Nearest whole number, ties to even: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2.
// This is how every position, size and display value of the program is rounded.
inline double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default floating-point mode rounds ties to even
}

// roundHalfEven() into a 64-bit integer, clamped to +-2^62 so that later sums of
// positions never overflow; NaN gives 0. Pictures never come near the clamp.
inline std::int64_t roundToInt64(double value)
{
    constexpr double limit = 4611686018427387904.0; // 2^62
    if (std::isnan(value)) {
        return 0;
    }
    const double r = roundHalfEven(value);
    if (r >= limit) {
        return std::int64_t{1} << 62;
    }
    if (r <= -limit) {
        return -(std::int64_t{1} << 62);
    }
    return static_cast<std::int64_t>(r);
}

} // namespace verimetra
