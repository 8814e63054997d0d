#pragma once

#include "image/Overlays.h"

#include <QList>
#include <QPointF>
#include <QPolygonF>

namespace verimetra {

struct LeafReport;

// The leaves found in the working picture, drawn over it: each leaf's outline, its
// length as a dotted line and its number at its centroid. Leaves that reach the
// region's edge, and may be cut off, are drawn in orange with a dashed outline
// and "(edge)" after their number.
class LeavesOverlay : public Overlay
{
    Q_OBJECT
    Q_PROPERTY(int count READ count)

public:
    explicit LeavesOverlay(QWidget* surface);

    int count() const { return static_cast<int>(m_leaves.size()); }
    // The text shown for leaf `index` (0 for the first).
    QString label(int index) const;

    // Shows the leaves of `report`, or none when it is null.
    void show(const LeafReport* report);

    void paint(QPainter& painter) const override;

private:
    QRect screenRect() const override;

    struct Drawn
    {
        QPolygonF outline;
        QPointF lengthFrom;
        QPointF lengthTo;
        QPointF centroid;
        QRectF bounds;
        QString label;
        bool atEdge = false;
    };
    QList<Drawn> m_leaves;
};

} // namespace verimetra
