#pragma once

// What a press, a move and a release on the working picture do for each tool.
// The image window's mouse handlers call these in their fixed order; each
// function is one tool's step and touches only that tool's state.

namespace verimetra {

struct SharedState;
class LineOverlay;
class ShapeOverlay;
class PictureSurface;

// Scale line: the press starts it at the rounded press position, each move draws
// it to the rounded pointer position, the release stores the drawn line's length.
void scaleLinePress(SharedState& state, LineOverlay& line, float x, float y);
void scaleLineMove(SharedState& state, LineOverlay& line, float x, float y);
void scaleLineRelease(SharedState& state, const LineOverlay& line);

// Tool size: the press puts a 1 x 1 outline at the press point; each move sizes it
// right and down from there, a dimension that was already 60 or more staying 60.
void toolSizePress(SharedState& state, ShapeOverlay& rubber, float x, float y);
void toolSizeMove(SharedState& state, ShapeOverlay& rubber, float x, float y);
void toolSizeRelease(SharedState& state);

// Brush and eraser: the press and every move put the outline's top-left corner at
// the pointer and stamp once there.
void strokePress(SharedState& state, ShapeOverlay& rubber, PictureSurface& surface, int colourValue,
                 float x, float y);
void strokeMove(SharedState& state, ShapeOverlay& rubber, PictureSurface& surface, float x,
                float y);
void strokeRelease(SharedState& state);

// Selection rectangle: the press point is always its top-left corner; the release
// stores its bounds as they stand, neither clipped nor ordered.
void selectionPress(SharedState& state, ShapeOverlay& region, float x, float y);
void selectionMove(SharedState& state, ShapeOverlay& region, float x, float y);
void selectionRelease(SharedState& state, const ShapeOverlay& region);

} // namespace verimetra
