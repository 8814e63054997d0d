#pragma once

#include <QSize>

namespace verimetra {

// The region that conversion and measurement work on, in working-picture pixels,
// both bounds included. The bounds are neither clipped to the picture nor ordered:
// whatever was stored last is used as it stands.
struct RegionBounds
{
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Whole pixel columns x0..x1 and rows y0..y1 (inclusive) that lie on a picture;
// empty when nothing of the region does.
struct PixelSpan
{
    int x0 = 0;
    int y0 = 0;
    int x1 = -1;
    int y1 = -1;
    bool isEmpty() const { return x1 < x0 || y1 < y0; }
};

// The conversion steps x from `left` by 1 while x <= `right` (and y alike): the
// pixel of a position is the one that contains it, so the pass visits columns
// floor(left) .. floor(left) + floor(right - left). Clipped to `picture`.
PixelSpan conversionSpan(const RegionBounds& region, QSize picture);

// The count rounds each bound to the nearest whole pixel (ties to even) and visits
// the rows and columns between them, both included. Clipped to `picture`.
PixelSpan countSpan(const RegionBounds& region, QSize picture);

} // namespace verimetra
