#pragma once

// The shape shared by the whole-region pixel passes (conversion and count).

#include "analysis/Region.h"

#include <QColorSpace>
#include <QImage>
#include <cstdint>
#include <cstring>

namespace verimetra::detail {

inline void copyImageAttributes(const QImage& from, QImage& to)
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

} // namespace verimetra::detail
