#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace verimetra {

class LeavesOverlay;
class LineOverlay;
class MeasurementSession;
class ShapeOverlay;

// The working picture of a measurement session: one widget pixel is one picture
// pixel. It shows the picture with the scale line, the selection rectangle, the
// tool outline and the "Please Wait..." notice drawn above it, repaints what the
// session says has changed, and reports the mouse in picture pixels.
class PictureSurface : public QWidget
{
    Q_OBJECT
    // The working picture without any overlay, for reading its pixels.
    Q_PROPERTY(QImage picture READ picture)

public:
    explicit PictureSurface(MeasurementSession& session, QWidget* parent = nullptr);

    const QImage& picture() const;

    // Shows what has been drawn so far at once.
    void refresh();

    LineOverlay* line() const { return m_line; }
    ShapeOverlay* region() const { return m_region; }
    ShapeOverlay* rubber() const { return m_rubber; }
    LeavesOverlay* leaves() const { return m_leaves; }
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
    void showPicture();
    void showChange(const QRect& area);
    void showOutlines();
    void showBusy(bool busy);

    MeasurementSession& m_session;
    LineOverlay* m_line;
    ShapeOverlay* m_region;
    ShapeOverlay* m_rubber;
    LeavesOverlay* m_leaves;
    QLabel* m_wait;
};

} // namespace verimetra
