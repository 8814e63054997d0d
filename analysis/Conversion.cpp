#include "analysis/Conversion.h"

#include "analysis/Rounding.h"

#include <QColorSpace>

#include <algorithm>
#include <cstdint>
#include <cstring>

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

void copyImageAttributes(const QImage& from, QImage& to)
{
    to.setDotsPerMeterX(from.dotsPerMeterX());
    to.setDotsPerMeterY(from.dotsPerMeterY());
    to.setOffset(from.offset());
    to.setDevicePixelRatio(from.devicePixelRatio());
    to.setColorSpace(from.colorSpace());
    const QStringList keys = from.textKeys();
    for (const QString& key : keys) {
        to.setText(key, from.text(key));
    }
}

// Runs `rowKernel(src, dst, n)` over the span's part of every row. A picture that
// shares its pixels is not detached (that would copy it all and then pass over it a
// second time): the rows are written into a fresh buffer, the pixels outside the
// span copied across, and the picture then takes the new buffer.
template <typename RowKernel>
void rewriteSpan(QImage& picture, const PixelSpan& span, RowKernel rowKernel)
{
    const int first = span.x0;
    const int count = span.x1 - span.x0 + 1;
    if (!picture.isDetached()) {
        const int width = picture.width();
        const int height = picture.height();
        QImage target(width, height, QImage::Format_RGB32);
        if (!target.isNull()) {
            copyImageAttributes(picture, target);
            const uchar* fromBits = picture.constBits();
            const qsizetype fromStride = picture.bytesPerLine();
            uchar* toBits = target.bits();
            const qsizetype toStride = target.bytesPerLine();
            const std::size_t rowBytes = std::size_t(width) * sizeof(std::uint32_t);
            const std::size_t headBytes = std::size_t(first) * sizeof(std::uint32_t);
            const std::size_t tailBytes = std::size_t(width - span.x1 - 1) * sizeof(std::uint32_t);
            for (int y = 0; y < height; ++y) {
                const auto* src = reinterpret_cast<const std::uint32_t*>(fromBits + y * fromStride);
                auto* dst = reinterpret_cast<std::uint32_t*>(toBits + y * toStride);
                if (y < span.y0 || y > span.y1) {
                    std::memcpy(dst, src, rowBytes);
                    continue;
                }
                std::memcpy(dst, src, headBytes);
                rowKernel(src + first, dst + first, count);
                std::memcpy(dst + span.x1 + 1, src + span.x1 + 1, tailBytes);
            }
            picture = std::move(target);
            return;
        }
        // No memory for a second buffer: fall through and let bits() detach.
    }
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    for (int y = span.y0; y <= span.y1; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bits + y * stride) + first;
        rowKernel(row, row, count);
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
    rewriteSpan(picture, span, [bound](const std::uint32_t* src, std::uint32_t* dst, int count) {
        thresholdRow(src, dst, count, bound);
    });
}

} // namespace verimetra
