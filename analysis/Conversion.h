#pragma once

#include "analysis/Region.h"

#include <QImage>

namespace verimetra {

// Threshold range of the spinner.
inline constexpr int ThresholdMinimum = 100;
inline constexpr int ThresholdMaximum = 500;
inline constexpr int ThresholdStart = 300;

// Level of a colour value: red + green + blue/3, the third rounded to nearest
// (ties to even). 0 for black, 595 for white; -1 (outside) gives 595.
int colourLevel(int colourValue);

// One black-and-white pass over the part of `region` that lies on `picture`
// (Format_RGB32): a pixel whose level is at most `threshold` becomes black (0),
// every other one white (16777215). Pixels outside the region keep their colours.
void convertToBlackAndWhite(QImage& picture, const RegionBounds& region, int threshold);

} // namespace verimetra
