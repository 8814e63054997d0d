#pragma once

// The shape shared by the whole-region pixel passes (conversion and count).

#include "analysis/Region.h"

#include <QImage>
#include <cstdint>

namespace verimetra::detail {

// Runs `rowKernel(src, dst, n)` in place over the span's part of every row of a
// Format_RGB32 picture. A picture that shares its pixels is detached first.
template <typename RowKernel>
void rewriteSpan(QImage& picture, const PixelSpan& span, RowKernel rowKernel)
{
    uchar* bits = picture.bits();
    if (!bits) {
        return; // no memory to detach into: the picture stays as it was
    }
    const qsizetype stride = picture.bytesPerLine();
    const int first = span.x0;
    const int count = span.x1 - span.x0 + 1;
    for (int y = span.y0; y <= span.y1; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bits + y * stride) + first;
        rowKernel(row, row, count);
    }
}

} // namespace verimetra::detail
