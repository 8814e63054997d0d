#include "analysis/Conversion.h"

#include "analysis/PixelPass.h"
#include "analysis/Rounding.h"

#include <algorithm>
#include <cstdint>

namespace verimetra {

namespace {

// Level bound on the integer identity
//   red + green + round(blue / 3) <= T   <=>   3 red + 3 green + blue <= 3 T + 1,
// which holds because blue / 3 never ends in .5. The sum lies in 0 .. 1785, so the
// bound is clamped into -1 .. 1785 and any threshold fits a 32-bit compare.
std::int32_t levelBound(int threshold)
{
    const std::int64_t bound = 3 * static_cast<std::int64_t>(threshold) + 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(bound, -1, 1785));
}

// One row of the pass: `count` pixels of 0xffRRGGBB from `src` to `dst` (which may be
// the same row). Written for the vectoriser; the AVX2 clone is picked at run time.
__attribute__((target_clones("avx2", "default"))) void
thresholdRow(const std::uint32_t* src, std::uint32_t* dst, int count, std::int32_t bound)
{
    for (int i = 0; i < count; ++i) {
        const std::uint32_t v = src[i];
        const auto sum = static_cast<std::int32_t>(3u * (((v >> 16) & 0xFFu) + ((v >> 8) & 0xFFu)) +
                                                   (v & 0xFFu));
        dst[i] = sum <= bound ? 0xFF000000u : 0xFFFFFFFFu;
    }
}

} // namespace

int colourLevel(int colourValue)
{
    const int red = colourValue & 0xFF;
    const int green = (colourValue & 0xFF00) >> 8;
    const int blue = (colourValue & 0xFF0000) >> 16;
    return red + green + static_cast<int>(roundHalfEven(blue / 3.0));
}

void convertToBlackAndWhite(QImage& picture, const RegionBounds& region, int threshold)
{
    if (picture.isNull()) {
        return;
    }
    if (picture.format() != QImage::Format_RGB32) {
        picture.convertTo(QImage::Format_RGB32);
    }
    const PixelSpan span = conversionSpan(region, picture.size());
    if (span.isEmpty()) {
        return;
    }
    const std::int32_t bound = levelBound(threshold);
    detail::rewriteSpan(picture, span,
                        [bound](const std::uint32_t* src, std::uint32_t* dst, int count) {
                            thresholdRow(src, dst, count, bound);
                        });
}

} // namespace verimetra
