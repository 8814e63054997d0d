#include "image/PictureSurface.h"

#include "image/LeavesOverlay.h"
#include "image/Overlays.h"
#include "session/MeasurementSession.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace verimetra {

PictureSurface::PictureSurface(MeasurementSession& session, QWidget* parent)
    : QWidget(parent), m_session(session),
      m_line(new LineOverlay(QStringLiteral("Line1"), QColor(0, 0, 255),
                             session.state().scaleLine.drawn, this)),
      m_region(new ShapeOverlay(QStringLiteral("shpRegion"), QColor(192, 0, 0),
                                session.state().selection.outline, this)),
      m_rubber(new ShapeOverlay(QStringLiteral("shpRubber"), QColor(0, 192, 0),
                                session.state().paint.outline, this)),
      m_leaves(new LeavesOverlay(this)), m_wait(new QLabel(QStringLiteral("Please Wait..."), this))
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

    connect(&m_session, &MeasurementSession::pictureReplaced, this, &PictureSurface::showPicture);
    connect(&m_session, &MeasurementSession::pictureChanged, this, &PictureSurface::showChange);
    connect(&m_session, &MeasurementSession::outlinesChanged, this, &PictureSurface::showOutlines);
    connect(&m_session, &MeasurementSession::busyChanged, this, &PictureSurface::showBusy);
    connect(&m_session, &MeasurementSession::leavesChanged, this,
            [this] { m_leaves->show(m_session.leaves()); });
}

const QImage& PictureSurface::picture() const
{
    return m_session.picture();
}

void PictureSurface::showPicture()
{
    resize(picture().size());
    update();
}

void PictureSurface::showChange(const QRect& area)
{
    if (!area.isEmpty()) {
        update(area);
    }
}

void PictureSurface::showOutlines()
{
    const SessionState& state = m_session.state();
    m_line->show(state.scaleLine.drawn);
    m_region->show(state.selection.outline);
    m_rubber->show(state.paint.outline);
}

void PictureSurface::showBusy(bool busy)
{
    if (busy) {
        m_wait->show();
        refresh();
    } else {
        m_wait->hide();
    }
}

void PictureSurface::refresh()
{
    repaint();
}

void PictureSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    const QImage& shown = picture();
    const QRect onPicture = area & shown.rect();
    if (!onPicture.isEmpty()) {
        painter.drawImage(onPicture.topLeft(), shown, onPicture);
    }
    // Only what lies off the picture needs the background.
    for (const QRect& rest : QRegion(area).subtracted(QRegion(onPicture))) {
        painter.fillRect(rest, palette().color(QPalette::Window));
    }
    m_leaves->paint(painter);
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
