#pragma once

#include <QDateTime>
#include <QRect>
#include <QString>
#include <utility>

namespace verimetra {

// The values of one leaf of a picture split into leaves, in the unit (lengths) and
// the unit squared (areas). A leaf's row carries them beside its name and area.
struct LeafValues
{
    int leaf = 0;             // the leaf's number in its picture, 1 for the first; 0: no leaf
    double holesArea = 0;     // unit^2: uncounted pixels the leaf encloses
    double filledArea = 0;    // unit^2: the leaf's area plus its holes
    double holesPercent = 0;  // holesArea as a percentage of filledArea
    double perimeter = 0;     // unit: the outer outline
    double length = 0;        // unit: the largest Feret diameter
    double width = 0;         // unit: the extent perpendicular to the length
    double centroidX = 0;     // unit, from the left edge of the working picture
    double centroidY = 0;     // unit, from its top edge
    bool touchesEdge = false; // the leaf reaches the region's edge and may be cut off
    qint64 specks = 0;        // specks left out of this leaf's picture
    double specksArea = 0;    // unit^2, their total area
    bool operator==(const LeafValues&) const = default;
};

// How a row's area was measured: enough for a reviewer to check or redo it.
struct Provenance
{
    static constexpr int NoThreshold = -1; // the region was not converted
    QString imageFile;                     // the image file measured, as it was opened
    QString unit;                          // the unit of the lengths; areas are in its square
    double pixelsPerUnit = 0;              // working-picture pixels per unit, from the scale line
    double knownLength = 0;                // the scale line's length in the unit, as typed
    int threshold = NoThreshold;           // the conversion's threshold
    QRect region;                          // the pixels counted, in working-picture pixels
    QDateTime measuredAt;                  // when the count was made; invalid: no provenance known
    QString programVersion;                // the version of the program that measured it
    bool operator==(const Provenance&) const = default;
};

// One row of the results table. The classic results file keeps the name and the
// area; the CSV export keeps everything.
struct ResultRecord
{
    ResultRecord() = default;
    ResultRecord(QString name, double area) : name(std::move(name)), area(area) {}

    QString name;
    double area = 0;       // unit^2, the full value
    LeafValues leaf;       // only a leaf's row has them
    Provenance provenance; // none for rows read from a classic file

    bool isLeaf() const { return leaf.leaf > 0; }
    bool hasProvenance() const { return provenance.measuredAt.isValid(); }
    bool operator==(const ResultRecord&) const = default;
};

} // namespace verimetra
