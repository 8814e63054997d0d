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

void Overlay::setVisible(bool visible)
{
    change([&] { m_visible = visible; });
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

ShapeOverlay::ShapeOverlay(const QString& name, QColor colour, QRectF geometry, QWidget* surface)
    : Overlay(name, colour, surface), m_left(static_cast<float>(geometry.left())),
      m_top(static_cast<float>(geometry.top())), m_width(static_cast<float>(geometry.width())),
      m_height(static_cast<float>(geometry.height()))
{
}

QRect ShapeOverlay::screenRect() const
{
    return boundsOf(m_left, m_top, double(m_left) + m_width, double(m_top) + m_height);
}

void ShapeOverlay::setLeft(float value)
{
    change([&] { m_left = value; });
}
void ShapeOverlay::setTop(float value)
{
    change([&] { m_top = value; });
}
void ShapeOverlay::setWidth(float value)
{
    change([&] { m_width = value; });
}
void ShapeOverlay::setHeight(float value)
{
    change([&] { m_height = value; });
}

void ShapeOverlay::paint(QPainter& painter) const
{
    if (!isVisible()) {
        return;
    }
    painter.setPen(pen());
    painter.setBrush(Qt::NoBrush);
    // The border runs along the inside of the outline's bounds.
    painter.drawRect(QRectF(double(m_left) + 0.5, double(m_top) + 0.5,
                            std::max(0.0, double(m_width) - 1.0),
                            std::max(0.0, double(m_height) - 1.0)));
}

LineOverlay::LineOverlay(const QString& name, QColor colour, QLineF line, QWidget* surface)
    : Overlay(name, colour, surface), m_x1(static_cast<float>(line.x1())),
      m_y1(static_cast<float>(line.y1())), m_x2(static_cast<float>(line.x2())),
      m_y2(static_cast<float>(line.y2()))
{
}

QRect LineOverlay::screenRect() const
{
    return boundsOf(m_x1, m_y1, m_x2, m_y2);
}

void LineOverlay::setX1(float value)
{
    change([&] { m_x1 = value; });
}
void LineOverlay::setY1(float value)
{
    change([&] { m_y1 = value; });
}
void LineOverlay::setX2(float value)
{
    change([&] { m_x2 = value; });
}
void LineOverlay::setY2(float value)
{
    change([&] { m_y2 = value; });
}

void LineOverlay::paint(QPainter& painter) const
{
    if (!isVisible()) {
        return;
    }
    painter.setPen(pen());
    painter.drawLine(QPointF(double(m_x1) + 0.5, double(m_y1) + 0.5),
                     QPointF(double(m_x2) + 0.5, double(m_y2) + 0.5));
}

} // namespace verimetra
