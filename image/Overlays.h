#pragma once

#include "session/SessionState.h"

#include <QColor>
#include <QObject>
#include <QPen>

class QPainter;
class QWidget;

namespace verimetra {

// Something drawn over the working picture, never part of its pixels: it shows
// where the session has an outline. Each change repaints only the screen area the
// overlay covered before and covers after.
class Overlay : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool visible READ isVisible)

public:
    bool isVisible() const { return m_visible; }

    virtual void paint(QPainter& painter) const = 0;

protected:
    Overlay(const QString& name, QColor colour, QWidget* surface);

    virtual QRect screenRect() const = 0;
    QPen pen() const;

    // Applies a new position and visibility, repainting what they change.
    template <typename Change> void change(bool visible, Change&& apply)
    {
        const QRect before = screenRect();
        const bool wasVisible = m_visible;
        apply();
        m_visible = visible;
        if (wasVisible != visible || before != screenRect()) {
            repaintChange(wasVisible, before);
        }
    }

private:
    void repaintChange(bool wasVisible, const QRect& before);

    QWidget* m_surface;
    QColor m_colour;
    bool m_visible = true;
};

// A rectangle over the working picture (the selection rectangle, the tool
// outline). Position and size in picture pixels, as
// 32-bit floats; the size is never negative.
class ShapeOverlay : public Overlay
{
    Q_OBJECT
    Q_PROPERTY(float left READ left)
    Q_PROPERTY(float top READ top)
    Q_PROPERTY(float width READ width)
    Q_PROPERTY(float height READ height)

public:
    ShapeOverlay(const QString& name, QColor colour, const Outline& outline, QWidget* surface);

    float left() const { return m_outline.left; }
    float top() const { return m_outline.top; }
    float width() const { return m_outline.width; }
    float height() const { return m_outline.height; }

    void show(const Outline& outline);

    void paint(QPainter& painter) const override;

private:
    QRect screenRect() const override;

    Outline m_outline;
};

// The scale line drawn over the working picture.
class LineOverlay : public Overlay
{
    Q_OBJECT
    Q_PROPERTY(float x1 READ x1)
    Q_PROPERTY(float y1 READ y1)
    Q_PROPERTY(float x2 READ x2)
    Q_PROPERTY(float y2 READ y2)

public:
    LineOverlay(const QString& name, QColor colour, const LinePosition& line, QWidget* surface);

    float x1() const { return m_line.from.x; }
    float y1() const { return m_line.from.y; }
    float x2() const { return m_line.to.x; }
    float y2() const { return m_line.to.y; }

    void show(const LinePosition& line);

    void paint(QPainter& painter) const override;

private:
    QRect screenRect() const override;

    LinePosition m_line;
};

} // namespace verimetra
