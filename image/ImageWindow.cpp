#include "image/ImageWindow.h"

#include "image/Overlays.h"
#include "image/PictureSurface.h"
#include "session/MeasurementSession.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>

namespace verimetra {

ImageWindow::ImageWindow(MeasurementSession& session, QWidget* parent)
    : QMdiSubWindow(parent), m_session(session), m_client(new QWidget),
      m_picture1(new QWidget(m_client)), m_picture2(new PictureSurface(session, m_client))
{
    setObjectName(QStringLiteral("frmPicture"));
    m_client->setObjectName(QStringLiteral("frmPictureClient"));
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->hide();
    // Where the working picture sits in the window; a picture larger than the
    // window runs past its edges and is still all there.
    m_picture2->move(24, 8);
    m_client->setMinimumSize(1, 1);
    setWidget(m_client);
    setWindowIcon(QIcon(QStringLiteral(":/verimetra/icon-48.png")));

    connect(m_picture2, &PictureSurface::mouseDown, this, &ImageWindow::Picture2_MouseDown);
    connect(m_picture2, &PictureSurface::mouseMove, this, &ImageWindow::Picture2_MouseMove);
    connect(m_picture2, &PictureSurface::mouseUp, this, &ImageWindow::Picture2_MouseUp);
}

LineOverlay* ImageWindow::line1() const
{
    return m_picture2->line();
}
ShapeOverlay* ImageWindow::shpRegion() const
{
    return m_picture2->region();
}
ShapeOverlay* ImageWindow::shpRubber() const
{
    return m_picture2->rubber();
}

void ImageWindow::showMaximisedNow()
{
    showMaximized();
    if (layout()) {
        layout()->activate(); // the inner size is needed by the fit right away
    }
}

void ImageWindow::Form_Load()
{
    showMaximisedNow();
    move(0, 0);
    m_session.hideOutlines();
    m_session.restartSlots();
    m_picture2->waitNotice()->hide();
}

void ImageWindow::Form_Activate()
{
    if (!loadedPicture().isNull()) {
        fitPicture();
    }
    m_picture1->hide();
}

int ImageWindow::scaleHeight() const
{
    return m_client->height();
}

const QImage& ImageWindow::loadedPicture() const
{
    return m_session.loadedPicture();
}

PictureFit ImageWindow::fitPicture()
{
    return m_session.reset(scaleHeight());
}

void ImageWindow::unload()
{
    m_unloading = true;
    if (QMdiArea* area = mdiArea()) {
        area->removeSubWindow(this);
    }
    delete this;
}

void ImageWindow::closeEvent(QCloseEvent* event)
{
    if (m_unloading) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    event->ignore();
    Q_EMIT closeRequested();
}

// The mouse button and the keys held do not matter to any tool.

void ImageWindow::Picture2_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, float x, float y)
{
    m_session.pressAt(x, y);
}

void ImageWindow::Picture2_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, float x, float y)
{
    m_session.moveTo(x, y);
}

void ImageWindow::Picture2_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, float, float)
{
    m_session.release();
}

} // namespace verimetra
