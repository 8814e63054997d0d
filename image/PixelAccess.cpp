#include "image/PixelAccess.h"

#include "analysis/ColourValue.h"
#include "analysis/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace verimetra {

namespace {

// The pixel that contains (x, y), or false when that is off the picture (NaN too).
bool pixelOf(const QImage& picture, double x, double y, int& column, int& row)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    if (!(fx >= 0 && fx < picture.width() && fy >= 0 && fy < picture.height())) {
        return false;
    }
    column = static_cast<int>(fx);
    row = static_cast<int>(fy);
    return true;
}

bool hasDirectPixels(const QImage& picture)
{
    return picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
}

// Rounded bounds first .. last of one stamp direction, clipped to 0 .. size - 1.
bool stampRange(float from, float to, int size, int& first, int& last)
{
    if (std::isnan(from) || std::isnan(to)) {
        return false;
    }
    const std::int64_t lo = std::max<std::int64_t>(roundToInt64(from), 0);
    const std::int64_t hi = std::min<std::int64_t>(roundToInt64(to), std::int64_t(size) - 1);
    if (lo > hi) {
        return false;
    }
    first = static_cast<int>(lo);
    last = static_cast<int>(hi);
    return true;
}

} // namespace

int pointAt(const QImage& picture, double x, double y)
{
    int column = 0;
    int row = 0;
    if (!pixelOf(picture, x, y, column, row)) {
        return colour::Outside;
    }
    if (hasDirectPixels(picture)) {
        return toColourValue(reinterpret_cast<const QRgb*>(picture.constScanLine(row))[column]);
    }
    return toColourValue(picture.pixel(column, row));
}

void setPixelAt(QImage& picture, double x, double y, int colourValue)
{
    int column = 0;
    int row = 0;
    if (!pixelOf(picture, x, y, column, row)) {
        return;
    }
    if (hasDirectPixels(picture)) {
        reinterpret_cast<QRgb*>(picture.scanLine(row))[column] = toRgb32(colourValue);
        return;
    }
    picture.setPixel(column, row, toRgb32(colourValue));
}

QRect stamp(QImage& picture, float left, float top, float width, float height, int colourValue)
{
    // The outline's fields are 32-bit floats, and so are these sums.
    const float right = left + width;
    const float bottom = top + height;
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;
    if (picture.isNull() || !stampRange(left, right, picture.width(), x0, x1) ||
        !stampRange(top, bottom, picture.height(), y0, y1)) {
        return {};
    }
    if (picture.format() != QImage::Format_RGB32) {
        picture.convertTo(QImage::Format_RGB32);
    }
    const QRgb paint = toRgb32(colourValue);
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    for (int y = y0; y <= y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        for (int x = x0; x <= x1; ++x) {
            const QRgb rgb = line[x] & 0x00FFFFFFu;
            if (rgb == 0 || rgb == 0x00FFFFFFu) {
                line[x] = paint;
            }
        }
    }
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

} // namespace verimetra
