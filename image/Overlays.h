#pragma once

#include <QColor>
#include <QLineF>
#include <QObject>
#include <QPen>
#include <QRectF>

class QPainter;
class QWidget;

namespace verimetra {

// Something drawn over the working picture, never part of its pixels. Each change
// repaints only the screen area the overlay covered before and covers after.
class Overlay : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool visible READ isVisible WRITE setVisible)

public:
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    virtual void paint(QPainter& painter) const = 0;

protected:
    Overlay(const QString& name, QColor colour, QWidget* surface);

    virtual QRect screenRect() const = 0;
    QPen pen() const;

    template <typename Change> void change(Change&& apply)
    {
        const QRect before = screenRect();
        const bool wasVisible = m_visible;
        apply();
        repaintChange(wasVisible, before);
    }

private:
    void repaintChange(bool wasVisible, const QRect& before);

    QWidget* m_surface;
    QColor m_colour;
    bool m_visible = true;
};

// A rectangle over the working picture (the selection rectangle, the tool
// outline). Position and size in picture pixels, as
// 32-bit floats; the size is never set negative.
class ShapeOverlay : public Overlay
{
    Q_OBJECT
    Q_PROPERTY(float left READ left WRITE setLeft)
    Q_PROPERTY(float top READ top WRITE setTop)
    Q_PROPERTY(float width READ width WRITE setWidth)
    Q_PROPERTY(float height READ height WRITE setHeight)

public:
    ShapeOverlay(const QString& name, QColor colour, QRectF geometry, QWidget* surface);

    float left() const { return m_left; }
    float top() const { return m_top; }
    float width() const { return m_width; }
    float height() const { return m_height; }

    void setLeft(float value);
    void setTop(float value);
    void setWidth(float value);
    void setHeight(float value);

    void paint(QPainter& painter) const override;

private:
    QRect screenRect() const override;

    float m_left = 0;
    float m_top = 0;
    float m_width = 0;
    float m_height = 0;
};

// The scale line drawn over the working picture.
class LineOverlay : public Overlay
{
    Q_OBJECT
    Q_PROPERTY(float x1 READ x1 WRITE setX1)
    Q_PROPERTY(float y1 READ y1 WRITE setY1)
    Q_PROPERTY(float x2 READ x2 WRITE setX2)
    Q_PROPERTY(float y2 READ y2 WRITE setY2)

public:
    LineOverlay(const QString& name, QColor colour, QLineF line, QWidget* surface);

    float x1() const { return m_x1; }
    float y1() const { return m_y1; }
    float x2() const { return m_x2; }
    float y2() const { return m_y2; }

    void setX1(float value);
    void setY1(float value);
    void setX2(float value);
    void setY2(float value);

    void paint(QPainter& painter) const override;

private:
    QRect screenRect() const override;

    float m_x1 = 0;
    float m_y1 = 0;
    float m_x2 = 0;
    float m_y2 = 0;
};

} // namespace verimetra
