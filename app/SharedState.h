#pragma once

#include "analysis/Region.h"

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

// The values that the windows share for the whole run. Everything starts at 0 or
// empty; nothing is read from or written to disk. Positions are working-picture
// pixels (origin top left, x right, y down).
struct SharedState
{
    // Image and results slots.
    QString imageFileName;  // full path of the image opened last
    QString imageFileTitle; // the same without its folder
    int imageCounter = 0;   // slot of the current image in areaByImage; 1 for the first image
    QList<double> areaByImage{0.0};    // area (unit^2) of each image slot; grows as needed
    double lastArea = 0;               // area found by the last measurement, unit^2
    int rowCount = 0;                  // data rows of the results table (row 0 is the heading)
    std::array<QString, 11> unitNames; // entry 0 "cm", entry 1 "mm", the rest unused

    // Sets slot `index` of areaByImage, growing the table when needed.
    void setAreaSlot(int index, double area);
    double areaSlot(int index) const;

    // Picture fit, kept between fits.
    double fitRatio = 0;  // inner height of the image window / loaded picture height
    double fitHeight = 0; // working picture height, whole pixels
    double fitWidth = 0;  // working picture width, whole pixels

    // Scale line.
    bool scaleLineDrawing = false;
    qint64 scaleLineStartX = 0; // press position, rounded
    qint64 scaleLineStartY = 0;
    qint64 scaleLineEndX = 0; // latest move of the drag, rounded
    qint64 scaleLineEndY = 0;
    double scaleLineLength = 0; // pixels; 0 until the first line is released

    // Selection rectangle and the region that conversion and measurement use.
    RegionMode regionMode = RegionMode::None;
    bool regionDragging = false;
    double regionAnchorX = 0; // press position of the selection drag, not rounded
    double regionAnchorY = 0;
    RegionBounds region; // regionLeft, regionTop, regionRight, regionBottom

    // Brush, eraser and tool size.
    bool toolSizing = false;
    double toolAnchorX = 0; // press position of the tool-size drag, not rounded
    double toolAnchorY = 0;
    bool paintDragging = false; // a brush or eraser stroke is in progress
    int paintColor = 0;         // colour value painted by the current stroke

    // The last measurement, in the order it computes them.
    double blackPixelCount = 0;
    double pictureHeightReal = 0; // unit
    double pictureWidthReal = 0;  // unit
    double pictureAreaReal = 0;   // unit^2
    double pictureAreaPixels = 0; // pixels
    double areaPerPixel = 0;      // unit^2
    double measuredArea = 0;      // unit^2
};

} // namespace verimetra
