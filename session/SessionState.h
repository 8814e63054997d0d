#pragma once

#include "analysis/AreaMeasurement.h"
#include "analysis/Region.h"
#include "image/PictureFit.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <array>

namespace verimetra {

// Selection mode; always equal to the value of the "Enclose the leaf" check box
// once a handler has finished.
enum class RegionMode
{
    None = 0,
    Selecting = 1,
    Confirmed = 2
};

// A rectangle drawn over the working picture (the selection rectangle, the tool
// outline): position and size in picture pixels as 32-bit floats, never a
// negative size.
struct Outline
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    bool visible = true;
};

// A point of the working picture in pixels, as 32-bit floats.
struct PicturePoint
{
    float x = 0;
    float y = 0;
};

// Where the scale line is drawn over the working picture.
struct LinePosition
{
    PicturePoint from;
    PicturePoint to;
    bool visible = true;
};

// The scale line: the drag that draws it and the length it gave.
struct ScaleLine
{
    bool drawing = false;
    qint64 startX = 0; // press position, rounded
    qint64 startY = 0;
    qint64 endX = 0; // latest move of the drag, rounded
    qint64 endY = 0;
    double length = 0; // pixels; 0 until the first line is released
    // Where a new image window first shows the line, before any drag.
    LinePosition drawn{{136, 208}, {240, 208}};
};

// The selection rectangle and the region that conversion and measurement use.
struct Selection
{
    RegionMode mode = RegionMode::None;
    bool dragging = false;
    double anchorX = 0; // press position of the selection drag, not rounded
    double anchorY = 0;
    RegionBounds region;
    Outline outline{16, 72, 30, 30};
};

// The brush, the eraser and the tool size.
struct PaintTool
{
    bool sizing = false;
    double anchorX = 0; // press position of the tool-size drag, not rounded
    double anchorY = 0;
    bool dragging = false; // a brush or eraser stroke is in progress
    int colour = 0;        // colour value painted by the current stroke
    Outline outline{0, 0, 30, 30};
};

// The last measurement: the count, the steps from it to the area, and what a
// reviewer needs to redo it.
struct Measurement
{
    double blackPixelCount = 0;
    AreaSteps steps;
    QString imageFile;          // the image measured
    QString unit;               // the unit of measurement then
    double knownLength = 0;     // the scale line's length in the unit, as read
    double scaleLineLength = 0; // pixels
    PixelSpan span;             // the pixels counted
    int threshold = -1;         // the threshold the counted region was converted with; -1: none
    QDateTime measuredAt;       // invalid until the first measurement
};

// The values of one measurement session, for the whole run. Everything starts at 0
// or empty; nothing is read from or written to disk. Positions are working-picture
// pixels (origin top left, x right, y down).
struct SessionState
{
    // Image slots.
    QString imageFileName;  // full path of the image opened last
    QString imageFileTitle; // the same without its folder
    int imageCounter = 0;   // slot of the current image in areaByImage; 1 for the first image
    QList<double> areaByImage{0.0};    // area (unit^2) of each image slot; grows as needed
    double lastArea = 0;               // area found by the last measurement, unit^2
    std::array<QString, 11> unitNames; // entry 0 "cm", entry 1 "mm", the rest unused
    QString unit;                      // the unit of measurement confirmed with the scale
    // The threshold of the last conversion of the working picture; -1 when it has been
    // drawn anew from the loaded picture since.
    int convertedThreshold = -1;

    // Sets slot `index` of areaByImage, growing the table when needed.
    void setAreaSlot(int index, double area);
    double areaSlot(int index) const;

    PictureFit fit; // the fit of the loaded picture, kept between fits
    ScaleLine scaleLine;
    Selection selection;
    PaintTool paint;
    Measurement measurement;
};

} // namespace verimetra
