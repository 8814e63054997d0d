#pragma once

#include <QImage>
#include <QRect>

namespace verimetra {

// Single-pixel access to a Format_RGB32 picture in colour values (see ColourValue.h).
// A position is in the pixel that contains it (x = 10.7 is column 10).
// Reading outside the picture gives -1; writing outside does nothing.
int pointAt(const QImage& picture, double x, double y);
void setPixelAt(QImage& picture, double x, double y, int colourValue);

// The brush and eraser stamp under an outline at (left, top) of size width x height:
// rows round(top) .. round(top + height) and columns round(left) .. round(left + width),
// both bounds included (a 30 x 30 outline at a whole position stamps 31 x 31 pixels).
// Only pixels whose colour value is exactly 0 or 16777215 are repainted with
// `colourValue`; the part of the stamp past the picture's edges is skipped.
// Returns the rectangle of the picture that the stamp covers (empty if none), which
// is all that needs repainting on screen.
QRect stamp(QImage& picture, float left, float top, float width, float height, int colourValue);

} // namespace verimetra
