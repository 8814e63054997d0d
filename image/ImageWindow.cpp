#include "image/ImageWindow.h"

#include "app/SharedState.h"
#include "image/MouseTools.h"
#include "image/Overlays.h"
#include "image/PictureSurface.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>

namespace verimetra {

ImageWindow::ImageWindow(SharedState& state, ToolControls controls, QWidget* parent)
    : QMdiSubWindow(parent), m_state(state), m_controls(std::move(controls)), m_client(new QWidget),
      m_picture1(new QWidget(m_client)), m_picture2(new PictureSurface(m_client))
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
    line1()->setVisible(false);
    shpRubber()->setVisible(false);
    shpRegion()->setVisible(false);
    m_state.lastArea = 0;
    m_state.imageCounter = 0;
    m_state.setAreaSlot(0, 0);
    m_picture2->waitNotice()->hide();
}

void ImageWindow::Form_Activate()
{
    if (!m_loaded.isNull()) {
        fitPicture();
    }
    m_picture1->hide();
}

int ImageWindow::scaleHeight() const
{
    return m_client->height();
}

void ImageWindow::setLoadedPicture(const QImage& picture)
{
    m_loaded = picture;
    m_fitCache.clear();
}

PictureFit ImageWindow::fitFor(QSize size) const
{
    return computeFit(scaleHeight(), size);
}

PictureFit ImageWindow::fitPicture()
{
    const PictureFit fit = fitFor(m_loaded.size());
    m_state.fitRatio = fit.ratio;
    m_state.fitHeight = fit.height;
    m_state.fitWidth = fit.width;
    if (!fit.isValid()) {
        m_picture2->setPicture(QImage());
        return fit;
    }
    const QSize size(static_cast<int>(fit.width), static_cast<int>(fit.height));
    m_picture2->setPicture(m_fitCache.scaled(m_loaded, size));
    return fit;
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

// Each handler makes its tests in a fixed order, every test on its own: one event
// serves every tool whose condition holds. The mouse button does not matter.

void ImageWindow::Picture2_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, float x, float y)
{
    if (m_controls.scaleLineSelected()) {
        scaleLinePress(m_state, *line1(), x, y);
        m_controls.scaleLineStarted();
    }
    if (m_controls.toolSizeSelected()) {
        toolSizePress(m_state, *shpRubber(), x, y);
    }
    if (m_controls.eraserSelected()) {
        strokePress(m_state, *shpRubber(), *m_picture2, m_controls.eraserColour(), x, y);
    }
    if (m_controls.brushSelected()) {
        strokePress(m_state, *shpRubber(), *m_picture2, m_controls.brushColour(), x, y);
    }
    if (m_state.regionMode == RegionMode::Selecting) {
        selectionPress(m_state, *shpRegion(), x, y);
    }
}

void ImageWindow::Picture2_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, float x, float y)
{
    if (m_state.scaleLineDrawing) {
        scaleLineMove(m_state, *line1(), x, y);
    }
    if (m_state.toolSizing) {
        toolSizeMove(m_state, *shpRubber(), x, y);
    }
    if (m_state.paintDragging) {
        strokeMove(m_state, *shpRubber(), *m_picture2, x, y);
    }
    if (m_state.regionDragging) {
        selectionMove(m_state, *shpRegion(), x, y);
    }
}

void ImageWindow::Picture2_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, float, float)
{
    if (m_state.scaleLineDrawing) {
        scaleLineRelease(m_state, *line1());
    }
    if (m_state.toolSizing) {
        toolSizeRelease(m_state);
    }
    if (m_state.paintDragging) {
        strokeRelease(m_state);
    }
    if (m_state.regionDragging) {
        selectionRelease(m_state, *shpRegion());
    }
}

} // namespace verimetra
