#pragma once

#include "analysis/Region.h"

#include <QImage>
#include <cstdint>

namespace verimetra {

// Counts the pixels of `region` (rounded bounds, see countSpan) whose colour value
// is exactly 0 and marks them red (255); every other pixel of the region on the
// picture turns white. Returns the count.
std::int64_t countAndMarkBlack(QImage& picture, const RegionBounds& region);

// The steps from a count to an area, each kept because the program shows them.
struct AreaSteps
{
    double pictureHeightReal = 0; // unit
    double pictureWidthReal = 0;  // unit
    double pictureAreaReal = 0;   // unit^2
    double pictureAreaPixels = 0; // pixels
    double areaPerPixel = 0;      // unit^2 per pixel
    double measuredArea = 0;      // unit^2
};

// Computes, in this order and in 64-bit floating point:
// height / lineLength * known, width / lineLength * known, their product,
// width * height, the quotient of the two, and that times the count.
// `scaleWidth` and `scaleHeight` are the working picture's size in pixels,
// `scaleLineLength` the scale line in pixels (must not be 0), `knownLength` the
// real length of that line in the unit.
AreaSteps computeArea(float scaleWidth, float scaleHeight, double scaleLineLength,
                      double knownLength, double blackPixelCount);

} // namespace verimetra
