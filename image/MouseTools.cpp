#include "image/MouseTools.h"

#include "analysis/Rounding.h"
#include "app/SharedState.h"
#include "image/Overlays.h"
#include "image/PictureSurface.h"
#include "image/PixelAccess.h"

#include <cmath>

namespace verimetra {

namespace {
// The tool outline never grows past this by dragging, once it has reached it.
constexpr float MaxDraggedToolSize = 60;

float distance(float from, float to)
{
    return static_cast<float>(std::fabs(double(to) - double(from)));
}

void stampUnderOutline(SharedState& state, const ShapeOverlay& rubber, PictureSurface& surface)
{
    surface.changed(stamp(surface.pixels(), rubber.left(), rubber.top(), rubber.width(),
                          rubber.height(), state.paintColor));
}
} // namespace

void scaleLinePress(SharedState& state, LineOverlay& line, float x, float y)
{
    state.scaleLineDrawing = true;
    line.setVisible(true);
    state.scaleLineStartX = roundToInt64(x);
    state.scaleLineStartY = roundToInt64(y);
}

void scaleLineMove(SharedState& state, LineOverlay& line, float x, float y)
{
    state.scaleLineEndX = roundToInt64(x);
    state.scaleLineEndY = roundToInt64(y);
    line.setY1(static_cast<float>(state.scaleLineStartY));
    line.setX1(static_cast<float>(state.scaleLineStartX));
    line.setY2(static_cast<float>(state.scaleLineEndY));
    line.setX2(static_cast<float>(state.scaleLineEndX));
}

void scaleLineRelease(SharedState& state, const LineOverlay& line)
{
    // The length of the line as drawn: the release adds no point of its own.
    const double dy = double(line.y2()) - double(line.y1());
    const double dx = double(line.x2()) - double(line.x1());
    state.scaleLineLength = std::sqrt(dy * dy + dx * dx);
    state.scaleLineDrawing = false;
}

void toolSizePress(SharedState& state, ShapeOverlay& rubber, float x, float y)
{
    state.toolSizing = true;
    rubber.setVisible(true);
    state.toolAnchorY = y;
    state.toolAnchorX = x;
    rubber.setTop(y);
    rubber.setLeft(x);
    rubber.setHeight(1);
    rubber.setWidth(1);
}

void toolSizeMove(SharedState& state, ShapeOverlay& rubber, float x, float y)
{
    const auto anchorX = static_cast<float>(state.toolAnchorX);
    const auto anchorY = static_cast<float>(state.toolAnchorY);
    rubber.setTop(anchorY);
    rubber.setLeft(anchorX);
    // The size before this move decides: one move may pass 60, the next one caps it.
    rubber.setHeight(rubber.height() >= MaxDraggedToolSize ? MaxDraggedToolSize
                                                           : distance(anchorY, y));
    rubber.setWidth(rubber.width() >= MaxDraggedToolSize ? MaxDraggedToolSize
                                                         : distance(anchorX, x));
}

void toolSizeRelease(SharedState& state)
{
    state.toolSizing = false;
}

void strokePress(SharedState& state, ShapeOverlay& rubber, PictureSurface& surface, int colourValue,
                 float x, float y)
{
    state.paintDragging = true;
    state.paintColor = colourValue;
    rubber.setTop(y);
    rubber.setLeft(x);
    stampUnderOutline(state, rubber, surface);
}

void strokeMove(SharedState& state, ShapeOverlay& rubber, PictureSurface& surface, float x, float y)
{
    rubber.setTop(y);
    rubber.setLeft(x);
    stampUnderOutline(state, rubber, surface);
}

void strokeRelease(SharedState& state)
{
    state.paintDragging = false;
}

void selectionPress(SharedState& state, ShapeOverlay& region, float x, float y)
{
    region.setVisible(true);
    state.regionAnchorY = y;
    state.regionAnchorX = x;
    region.setTop(y);
    region.setLeft(x);
    region.setHeight(1);
    region.setWidth(1);
    state.regionDragging = true;
}

void selectionMove(SharedState& state, ShapeOverlay& region, float x, float y)
{
    const auto anchorX = static_cast<float>(state.regionAnchorX);
    const auto anchorY = static_cast<float>(state.regionAnchorY);
    region.setTop(anchorY);
    region.setLeft(anchorX);
    // No normalisation: a drag up or left gives the rectangle mirrored through the press.
    region.setHeight(distance(anchorY, y));
    region.setWidth(distance(anchorX, x));
}

void selectionRelease(SharedState& state, const ShapeOverlay& region)
{
    // Sums of the outline's 32-bit fields, kept as they come out.
    state.region.left = region.left();
    state.region.right = region.width() + region.left();
    state.region.top = region.top();
    state.region.bottom = region.height() + region.top();
    state.regionDragging = false;
}

} // namespace verimetra
