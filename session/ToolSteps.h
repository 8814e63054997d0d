#pragma once

#include <QRect>

class QImage;

// What a press, a move and a release on the working picture do for each tool.
// The session's mouse steps call these in their fixed order; each function is one
// tool's step and touches only that tool's values.

namespace verimetra {

struct SessionState;

// Scale line: the press starts it at the rounded press position, each move draws
// it to the rounded pointer position, the release stores the drawn line's length.
void scaleLinePress(SessionState& state, float x, float y);
void scaleLineMove(SessionState& state, float x, float y);
void scaleLineRelease(SessionState& state);

// Tool size: the press puts a 1 x 1 outline at the press point; each move sizes it
// right and down from there, a dimension that was already 60 or more staying 60.
void toolSizePress(SessionState& state, float x, float y);
void toolSizeMove(SessionState& state, float x, float y);
void toolSizeRelease(SessionState& state);

// Brush and eraser: the press and every move put the outline's top-left corner at
// the pointer and stamp once there. Each returns the part of the picture it changed.
QRect strokePress(SessionState& state, QImage& picture, int colourValue, float x, float y);
QRect strokeMove(SessionState& state, QImage& picture, float x, float y);
void strokeRelease(SessionState& state);

// Selection rectangle: the press point is always its top-left corner; the release
// stores its bounds as they stand, neither clipped nor ordered.
void selectionPress(SessionState& state, float x, float y);
void selectionMove(SessionState& state, float x, float y);
void selectionRelease(SessionState& state);

} // namespace verimetra
