#pragma once

#include "analysis/LeafSplit.h"
#include "analysis/LeafUnits.h"
#include "results/ResultRecord.h"

#include <QList>

namespace verimetra {

// The counted pixels of the last measurement split into leaves, with each leaf's
// area and values in the unit; the leaves' areas and the specks' area add up to
// the measured area.
struct LeafReport
{
    LeafSplit split;          // in working-picture pixels
    PixelScale scale;         // of the measurement
    QList<double> areas;      // unit^2, one a leaf in the order of split.leaves
    QList<LeafValues> values; // likewise
    double specksArea = 0;    // unit^2
};

} // namespace verimetra
