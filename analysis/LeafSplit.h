#pragma once

#include "analysis/Region.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRect>

namespace verimetra {

// One leaf of a split, in working-picture pixels (positions from the picture's
// top-left corner, the pixel (x, y) covering x .. x + 1 and y .. y + 1).
struct LeafShape
{
    int number = 0;        // 1 for the first, row by row as splitLeaves() orders them
    qint64 pixels = 0;     // counted pixels of the leaf
    qint64 holePixels = 0; // uncounted pixels it encloses
    double perimeter = 0;  // the outer outline's length
    double length = 0;     // the largest Feret diameter
    double width = 0;      // the extent perpendicular to the length
    QPointF lengthFrom;    // the two ends of the length
    QPointF lengthTo;
    QPointF centroid;         // the mean of the centres of its pixels
    QRect bounds;             // the pixels it spans
    bool touchesEdge = false; // it has pixels on the region's first or last row or column
    QPolygonF outline;        // its outer outline through the centres of its edge pixels
};

// The counted pixels of a region split into leaves and specks.
struct LeafSplit
{
    QList<LeafShape> leaves;
    qint64 specks = 0;        // sets of counted pixels smaller than the minimum
    qint64 speckPixels = 0;   // their pixels together
    qint64 countedPixels = 0; // every counted pixel: the leaves' and the specks'
};

// Whether a pixel of a Format_RGB32 picture was counted: the count marks counted
// pixels red (colour value 255).
inline bool isCountedPixel(QRgb pixel)
{
    return (pixel & 0x00FFFFFFu) == 0x00FF0000u;
}

// Splits the counted pixels of `span` in `picture` (which the count has marked)
// into leaves:
// - a leaf is an 8-connected set of counted pixels of at least `minLeafPixels`;
//   smaller sets are specks, counted apart;
// - a hole of a leaf is a 4-connected set of uncounted pixels of the span that
//   does not reach the span's border and that the leaf encloses;
// - leaves are numbered row by row: a row is a band of the picture between two
//   horizontal lines that cross no leaf; rows go from the top down, and within a
//   row leaves go from left to right by their centroids. (A leaf as tall as two
//   rows joins them into one.)
// Only the span is read; pixels outside it count as uncounted.
LeafSplit splitLeaves(const QImage& picture, const PixelSpan& span, double minLeafPixels);

} // namespace verimetra
