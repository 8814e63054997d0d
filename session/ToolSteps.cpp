#include "session/ToolSteps.h"

#include "analysis/Rounding.h"
#include "image/PixelAccess.h"
#include "session/SessionState.h"

#include <QImage>
#include <cmath>

namespace verimetra {

namespace {
// The tool outline never grows past this by dragging, once it has reached it.
constexpr float MaxDraggedToolSize = 60;

float distance(float from, float to)
{
    return static_cast<float>(std::fabs(double(to) - double(from)));
}

// A drag that sizes an outline starts with a 1 x 1 outline shown at the press point.
void startOutline(Outline& outline, double& anchorX, double& anchorY, float x, float y)
{
    outline.visible = true;
    anchorY = y;
    anchorX = x;
    outline.top = y;
    outline.left = x;
    outline.height = 1;
    outline.width = 1;
}

QRect stampUnderOutline(const PaintTool& paint, QImage& picture)
{
    const Outline& outline = paint.outline;
    return stamp(picture, outline.left, outline.top, outline.width, outline.height, paint.colour);
}
} // namespace

void scaleLinePress(SessionState& state, float x, float y)
{
    ScaleLine& line = state.scaleLine;
    line.drawing = true;
    line.drawn.visible = true;
    line.startX = roundToInt64(x);
    line.startY = roundToInt64(y);
}

void scaleLineMove(SessionState& state, float x, float y)
{
    ScaleLine& line = state.scaleLine;
    line.endX = roundToInt64(x);
    line.endY = roundToInt64(y);
    line.drawn.from.y = static_cast<float>(line.startY);
    line.drawn.from.x = static_cast<float>(line.startX);
    line.drawn.to.y = static_cast<float>(line.endY);
    line.drawn.to.x = static_cast<float>(line.endX);
}

void scaleLineRelease(SessionState& state)
{
    // The length of the line as drawn: the release adds no point of its own.
    ScaleLine& line = state.scaleLine;
    const double dy = double(line.drawn.to.y) - double(line.drawn.from.y);
    const double dx = double(line.drawn.to.x) - double(line.drawn.from.x);
    line.length = std::sqrt(dy * dy + dx * dx);
    line.drawing = false;
}

void toolSizePress(SessionState& state, float x, float y)
{
    PaintTool& paint = state.paint;
    paint.sizing = true;
    startOutline(paint.outline, paint.anchorX, paint.anchorY, x, y);
}

void toolSizeMove(SessionState& state, float x, float y)
{
    PaintTool& paint = state.paint;
    const auto anchorX = static_cast<float>(paint.anchorX);
    const auto anchorY = static_cast<float>(paint.anchorY);
    Outline& outline = paint.outline;
    outline.top = anchorY;
    outline.left = anchorX;
    // The size before this move decides: one move may pass 60, the next one caps it.
    outline.height =
        outline.height >= MaxDraggedToolSize ? MaxDraggedToolSize : distance(anchorY, y);
    outline.width = outline.width >= MaxDraggedToolSize ? MaxDraggedToolSize : distance(anchorX, x);
}

void toolSizeRelease(SessionState& state)
{
    state.paint.sizing = false;
}

QRect strokePress(SessionState& state, QImage& picture, int colourValue, float x, float y)
{
    PaintTool& paint = state.paint;
    paint.dragging = true;
    paint.colour = colourValue;
    paint.outline.top = y;
    paint.outline.left = x;
    return stampUnderOutline(paint, picture);
}

QRect strokeMove(SessionState& state, QImage& picture, float x, float y)
{
    PaintTool& paint = state.paint;
    paint.outline.top = y;
    paint.outline.left = x;
    return stampUnderOutline(paint, picture);
}

void strokeRelease(SessionState& state)
{
    state.paint.dragging = false;
}

void selectionPress(SessionState& state, float x, float y)
{
    Selection& selection = state.selection;
    startOutline(selection.outline, selection.anchorX, selection.anchorY, x, y);
    selection.dragging = true;
}

void selectionMove(SessionState& state, float x, float y)
{
    Selection& selection = state.selection;
    const auto anchorX = static_cast<float>(selection.anchorX);
    const auto anchorY = static_cast<float>(selection.anchorY);
    selection.outline.top = anchorY;
    selection.outline.left = anchorX;
    // No normalisation: a drag up or left gives the rectangle mirrored through the press.
    selection.outline.height = distance(anchorY, y);
    selection.outline.width = distance(anchorX, x);
}

void selectionRelease(SessionState& state)
{
    // Sums of the outline's 32-bit fields, kept as they come out.
    Selection& selection = state.selection;
    const Outline& outline = selection.outline;
    selection.region.left = outline.left;
    selection.region.right = outline.width + outline.left;
    selection.region.top = outline.top;
    selection.region.bottom = outline.height + outline.top;
    selection.dragging = false;
}

} // namespace verimetra
