#include "image/PictureSurface.h"

#include "image/Overlays.h"
#include "image/PixelAccess.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

namespace verimetra {

PictureSurface::PictureSurface(QWidget* parent)
    : QWidget(parent),
      // Where the overlays sit before anything moves them.
      m_line(new LineOverlay(QStringLiteral("Line1"), QColor(0, 0, 255), QLineF(136, 208, 240, 208),
                             this)),
      m_region(new ShapeOverlay(QStringLiteral("shpRegion"), QColor(192, 0, 0),
                                QRectF(16, 72, 30, 30), this)),
      m_rubber(new ShapeOverlay(QStringLiteral("shpRubber"), QColor(0, 192, 0),
                                QRectF(0, 0, 30, 30), this)),
      m_wait(new QLabel(QStringLiteral("Please Wait..."), this))
{
    setObjectName(QStringLiteral("Picture2"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);

    m_wait->setObjectName(QStringLiteral("lblWait"));
    QFont waitFont(QStringLiteral("Arial"));
    waitFont.setPointSizeF(36);
    waitFont.setBold(true);
    m_wait->setFont(waitFont);
    m_wait->setAutoFillBackground(true);
    QPalette waitPalette = m_wait->palette();
    waitPalette.setColor(QPalette::Window, Qt::yellow);
    waitPalette.setColor(QPalette::WindowText, Qt::red);
    m_wait->setPalette(waitPalette);
    m_wait->adjustSize();
    m_wait->move(16, 16);
    m_wait->hide();
}

void PictureSurface::setPicture(const QImage& picture)
{
    // The working picture keeps a buffer of its own, never shared with the cached
    // fit: the passes over it then run in place, and a Refresh costs one copy of the
    // pixels into memory that is already there rather than a fresh allocation.
    const bool reuse = !picture.isNull() && m_picture.isDetached() &&
                       m_picture.size() == picture.size() &&
                       m_picture.format() == picture.format() &&
                       m_picture.bytesPerLine() == picture.bytesPerLine();
    if (reuse) {
        std::memcpy(m_picture.bits(), picture.constBits(), size_t(picture.sizeInBytes()));
    } else {
        m_picture = picture.copy();
    }
    resize(m_picture.size());
    update();
}

void PictureSurface::clear()
{
    m_picture.fill(palette().color(QPalette::Window));
    update();
}

int PictureSurface::point(double x, double y) const
{
    return pointAt(m_picture, x, y);
}

void PictureSurface::setPixel(double x, double y, int colourValue)
{
    setPixelAt(m_picture, x, y, colourValue);
    if (x >= 0 && y >= 0) {
        update(QRect(static_cast<int>(x), static_cast<int>(y), 1, 1));
    }
}

void PictureSurface::changed(const QRect& area)
{
    if (!area.isEmpty()) {
        update(area);
    }
}

void PictureSurface::changedAll()
{
    update();
}

void PictureSurface::refresh()
{
    repaint();
}

void PictureSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    const QRect onPicture = area & m_picture.rect();
    if (!onPicture.isEmpty()) {
        painter.drawImage(onPicture.topLeft(), m_picture, onPicture);
    }
    // Only what lies off the picture needs the background.
    for (const QRect& rest : QRegion(area).subtracted(QRegion(onPicture))) {
        painter.fillRect(rest, palette().color(QPalette::Window));
    }
    m_region->paint(painter);
    m_rubber->paint(painter);
    m_line->paint(painter);
}

void PictureSurface::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Q_EMIT mouseDown(event->button(), event->modifiers(), static_cast<float>(at.x()),
                     static_cast<float>(at.y()));
}

void PictureSurface::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A second click of a double click is one more press, as with any other press.
    mousePressEvent(event);
}

void PictureSurface::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Q_EMIT mouseMove(event->buttons(), event->modifiers(), static_cast<float>(at.x()),
                     static_cast<float>(at.y()));
}

void PictureSurface::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Q_EMIT mouseUp(event->button(), event->modifiers(), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
}

} // namespace verimetra
