#include "analysis/LeafUnits.h"

#include <cmath>
#include <limits>

namespace verimetra {

double leafArea(const LeafShape& leaf, const PixelScale& scale)
{
    return double(leaf.pixels) * scale.areaPerPixel;
}

LeafValues leafValues(const LeafShape& leaf, const LeafSplit& split, const PixelScale& scale)
{
    LeafValues values;
    values.leaf = leaf.number;
    values.holesArea = double(leaf.holePixels) * scale.areaPerPixel;
    values.filledArea = double(leaf.pixels + leaf.holePixels) * scale.areaPerPixel;
    // In pixels, so that a zero scale gives 0 % rather than no number.
    values.holesPercent = 100.0 * double(leaf.holePixels) / double(leaf.pixels + leaf.holePixels);
    values.perimeter = leaf.perimeter * scale.lengthPerPixel;
    values.length = leaf.length * scale.lengthPerPixel;
    values.width = leaf.width * scale.lengthPerPixel;
    values.centroidX = leaf.centroid.x() * scale.lengthPerPixel;
    values.centroidY = leaf.centroid.y() * scale.lengthPerPixel;
    values.touchesEdge = leaf.touchesEdge;
    values.specks = split.specks;
    values.specksArea = double(split.speckPixels) * scale.areaPerPixel;
    return values;
}

double minLeafPixels(double minLeafArea, const PixelScale& scale)
{
    if (!(minLeafArea > 0)) {
        return 0;
    }
    if (!(scale.areaPerPixel > 0)) {
        return std::numeric_limits<double>::infinity();
    }
    // The fewest whole pixels whose area, as leafArea() gives it, is not below the
    // minimum: the quotient alone may miss it by a rounding.
    double pixels = std::ceil(minLeafArea / scale.areaPerPixel);
    if (!(pixels < 9.0e15)) {
        return pixels;
    }
    while (pixels > 1 && (pixels - 1) * scale.areaPerPixel >= minLeafArea) {
        pixels -= 1;
    }
    while (pixels * scale.areaPerPixel < minLeafArea) {
        pixels += 1;
    }
    return pixels;
}

} // namespace verimetra
