#pragma once

#include "analysis/LeafSplit.h"
#include "results/ResultRecord.h"

namespace verimetra {

// The size of one working-picture pixel in the unit of measurement.
struct PixelScale
{
    double lengthPerPixel = 0; // unit
    double areaPerPixel = 0;   // unit^2
};

// A leaf's area in the unit squared: its pixels times the area of one pixel.
double leafArea(const LeafShape& leaf, const PixelScale& scale);

// The values of `leaf`, one of `split`'s leaves, in the unit and the unit squared.
LeafValues leafValues(const LeafShape& leaf, const LeafSplit& split, const PixelScale& scale);

// The smallest leaf in pixels for a smallest leaf of `minLeafArea` unit^2: a set of
// counted pixels is a leaf when its area, as leafArea() gives it, is not below the
// minimum. Infinite when no number of pixels has an area (a scale of 0).
double minLeafPixels(double minLeafArea, const PixelScale& scale);

} // namespace verimetra
