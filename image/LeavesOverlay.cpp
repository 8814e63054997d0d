#include "image/LeavesOverlay.h"

#include "session/LeafReport.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

namespace verimetra {

namespace {

const QColor LeafColour(0, 80, 255);
const QColor EdgeColour(255, 128, 0);

// Room around a leaf for its label and the width of its pen.
constexpr int LabelMargin = 48;

QFont labelFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11);
    font.setBold(true);
    return font;
}

} // namespace

LeavesOverlay::LeavesOverlay(QWidget* surface)
    : Overlay(QStringLiteral("shpLeaves"), LeafColour, surface)
{
    change(false, [] {});
}

QString LeavesOverlay::label(int index) const
{
    return m_leaves.value(index).label;
}

void LeavesOverlay::show(const LeafReport* report)
{
    change(report && !report->split.leaves.isEmpty(), [&] {
        m_leaves.clear();
        if (!report) {
            return;
        }
        for (const LeafShape& leaf : report->split.leaves) {
            Drawn drawn;
            drawn.outline = leaf.outline;
            drawn.lengthFrom = leaf.lengthFrom;
            drawn.lengthTo = leaf.lengthTo;
            drawn.centroid = leaf.centroid;
            drawn.bounds = QRectF(leaf.bounds);
            drawn.atEdge = leaf.touchesEdge;
            drawn.label =
                leaf.touchesEdge ? tr("%1 (edge)").arg(leaf.number) : QString::number(leaf.number);
            m_leaves.append(drawn);
        }
    });
}

QRect LeavesOverlay::screenRect() const
{
    QRect area;
    for (const Drawn& drawn : m_leaves) {
        area |= drawn.bounds.toAlignedRect().adjusted(-LabelMargin, -LabelMargin, LabelMargin,
                                                      LabelMargin);
    }
    return area;
}

void LeavesOverlay::paint(QPainter& painter) const
{
    if (!isVisible()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(labelFont());
    const QFontMetrics metrics(painter.font());
    for (const Drawn& drawn : m_leaves) {
        const QColor colour = drawn.atEdge ? EdgeColour : LeafColour;
        QPen outlinePen(colour, 2);
        outlinePen.setCosmetic(true);
        outlinePen.setStyle(drawn.atEdge ? Qt::DashLine : Qt::SolidLine);
        painter.setPen(outlinePen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(drawn.outline);

        QPen lengthPen(colour, 1);
        lengthPen.setCosmetic(true);
        lengthPen.setStyle(Qt::DotLine);
        painter.setPen(lengthPen);
        painter.drawLine(drawn.lengthFrom, drawn.lengthTo);

        // The number in a white box at the centroid.
        QRectF box = metrics.boundingRect(drawn.label);
        box.adjust(-3, -1, 3, 1);
        box.moveCenter(drawn.centroid);
        painter.setPen(QPen(colour, 1));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawRoundedRect(box, 3, 3);
        painter.setPen(colour.darker(140));
        painter.drawText(box, Qt::AlignCenter, drawn.label);
    }
    painter.restore();
}

} // namespace verimetra
