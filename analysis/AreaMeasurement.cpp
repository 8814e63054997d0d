#include "analysis/AreaMeasurement.h"

#include "analysis/PixelPass.h"

#include <cstdint>

namespace verimetra {

namespace {

// One row of the count: every pixel of colour value 0 (alpha byte ignored) is counted
// and turns red (0xffff0000), every other one white. `src` and `dst` may be the same
// row. Written for the vectoriser; the AVX2 clone is picked at run time.
__attribute__((target_clones("avx2", "default"))) std::int64_t
countRow(const std::uint32_t* src, std::uint32_t* dst, int count)
{
    std::uint32_t black = 0; // a row holds fewer than 2^31 pixels
    for (int i = 0; i < count; ++i) {
        const bool isBlack = (src[i] & 0x00FFFFFFu) == 0;
        dst[i] = isBlack ? 0xFFFF0000u : 0xFFFFFFFFu;
        black += isBlack ? 1u : 0u;
    }
    return black;
}

} // namespace

std::int64_t countAndMarkBlack(QImage& picture, const RegionBounds& region)
{
    if (picture.isNull()) {
        return 0;
    }
    if (picture.format() != QImage::Format_RGB32) {
        picture.convertTo(QImage::Format_RGB32);
    }
    const PixelSpan span = countSpan(region, picture.size());
    if (span.isEmpty()) {
        return 0;
    }
    std::int64_t total = 0;
    detail::rewriteSpan(picture, span,
                        [&total](const std::uint32_t* src, std::uint32_t* dst, int count) {
                            total += countRow(src, dst, count);
                        });
    return total;
}

AreaSteps computeArea(float scaleWidth, float scaleHeight, double scaleLineLength,
                      double knownLength, double blackPixelCount)
{
    AreaSteps steps;
    steps.pictureHeightReal = static_cast<double>(scaleHeight) / scaleLineLength * knownLength;
    steps.pictureWidthReal = static_cast<double>(scaleWidth) / scaleLineLength * knownLength;
    steps.pictureAreaReal = steps.pictureWidthReal * steps.pictureHeightReal;
    steps.pictureAreaPixels = static_cast<double>(scaleWidth) * static_cast<double>(scaleHeight);
    steps.areaPerPixel = steps.pictureAreaReal / steps.pictureAreaPixels;
    steps.measuredArea = steps.areaPerPixel * blackPixelCount;
    return steps;
}

} // namespace verimetra
