#include "image/Overlays.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace verimetra {

namespace {
// Overlays may lie far off the picture; keep their screen rectangles sane.
int clampToScreen(double v)
{
    if (!std::isfinite(v)) {
        return 0;
    }
    return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6));
}

QRect boundsOf(double x0, double y0, double x1, double y1)
{
    const int left = clampToScreen(std::floor(std::min(x0, x1))) - 2;
    const int top = clampToScreen(std::floor(std::min(y0, y1))) - 2;
    const int right = clampToScreen(std::ceil(std::max(x0, x1))) + 2;
    const int bottom = clampToScreen(std::ceil(std::max(y0, y1))) + 2;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
} // namespace

Overlay::Overlay(const QString& name, QColor colour, QWidget* surface)
    : QObject(surface), m_surface(surface), m_colour(colour)
{
    setObjectName(name);
}

void Overlay::repaintChange(bool wasVisible, const QRect& before)
{
    if (wasVisible) {
        m_surface->update(before);
    }
    if (m_visible) {
        m_surface->update(screenRect());
    }
}

QPen Overlay::pen() const
{
    QPen pen(m_colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    return pen;
}

ShapeOverlay::ShapeOverlay(const QString& name, QColor colour, const Outline& outline,
                           QWidget* surface)
    : Overlay(name, colour, surface)
{
    show(outline);
}

QRect ShapeOverlay::screenRect() const
{
    return boundsOf(m_outline.left, m_outline.top, double(m_outline.left) + m_outline.width,
                    double(m_outline.top) + m_outline.height);
}

void ShapeOverlay::show(const Outline& outline)
{
    change(outline.visible, [&] { m_outline = outline; });
}

void ShapeOverlay::paint(QPainter& painter) const
{
    if (!isVisible()) {
        return;
    }
    painter.setPen(pen());
    painter.setBrush(Qt::NoBrush);
    // The border runs along the inside of the outline's bounds.
    painter.drawRect(QRectF(double(m_outline.left) + 0.5, double(m_outline.top) + 0.5,
                            std::max(0.0, double(m_outline.width) - 1.0),
                            std::max(0.0, double(m_outline.height) - 1.0)));
}

LineOverlay::LineOverlay(const QString& name, QColor colour, const LinePosition& line,
                         QWidget* surface)
    : Overlay(name, colour, surface)
{
    show(line);
}

QRect LineOverlay::screenRect() const
{
    return boundsOf(m_line.from.x, m_line.from.y, m_line.to.x, m_line.to.y);
}

void LineOverlay::show(const LinePosition& line)
{
    change(line.visible, [&] { m_line = line; });
}

void LineOverlay::paint(QPainter& painter) const
{
    if (!isVisible()) {
        return;
    }
    painter.setPen(pen());
    painter.drawLine(QPointF(double(m_line.from.x) + 0.5, double(m_line.from.y) + 0.5),
                     QPointF(double(m_line.to.x) + 0.5, double(m_line.to.y) + 0.5));
}

} // namespace verimetra
