#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace verimetra {

class LineOverlay;
class ShapeOverlay;

// The working picture: one widget pixel is one picture pixel. It shows the
// picture with the scale line, the selection rectangle, the tool outline and the
// "Please Wait..." notice drawn above it, and reports the mouse in picture pixels.
class PictureSurface : public QWidget
{
    Q_OBJECT
    // The working picture without any overlay, for reading its pixels.
    Q_PROPERTY(QImage picture READ picture)

public:
    explicit PictureSurface(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }

    // Replaces the working picture (Format_RGB32) and resizes the widget to it.
    void setPicture(const QImage& picture);
    // Erases the picture to the background colour, keeping its size.
    void clear();

    // Colour value at (x, y), -1 outside; setting outside does nothing.
    int point(double x, double y) const;
    void setPixel(double x, double y, int colourValue);

    // Direct access for whole-region work; call changed() afterwards.
    QImage& pixels() { return m_picture; }
    void changed(const QRect& area);
    void changedAll();

    // Shows what has been drawn so far at once.
    void refresh();

    LineOverlay* line() const { return m_line; }
    ShapeOverlay* region() const { return m_region; }
    ShapeOverlay* rubber() const { return m_rubber; }
    QLabel* waitNotice() const { return m_wait; }

Q_SIGNALS:
    // Picture pixels as floats; every mouse button is reported alike.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, float x, float y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    LineOverlay* m_line;
    ShapeOverlay* m_region;
    ShapeOverlay* m_rubber;
    QLabel* m_wait;
};

} // namespace verimetra
