#pragma once

#include "image/PictureFit.h"

#include <QMdiSubWindow>

namespace verimetra {

class LineOverlay;
class MeasurementSession;
class PictureSurface;
class ShapeOverlay;

// The image window: a view of the session's working picture, fitted to the
// window's inner height; the mouse on the picture goes to the session's tools.
class ImageWindow : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit ImageWindow(MeasurementSession& session, QWidget* parent = nullptr);

    // Load: maximised at the top left, overlays and notice hidden, the image
    // counter and the per-image values restarted.
    void Form_Load();
    // First activation after loading: the fit (when a picture is loaded), and the
    // loaded picture stays hidden.
    void Form_Activate();

    // Shows the window maximised with its inner size settled at once.
    void showMaximisedNow();

    // Inner height of the window in pixels.
    int scaleHeight() const;

    // The session's loaded picture (kept hidden).
    const QImage& loadedPicture() const;

    // The picture fit: the working picture becomes the loaded picture scaled to the
    // window's inner height. Returns the fit; an invalid one leaves the picture empty.
    PictureFit fitPicture();

    PictureSurface* picture2() const { return m_picture2; }
    LineOverlay* line1() const;
    ShapeOverlay* shpRegion() const;
    ShapeOverlay* shpRubber() const;

    // Discards the window for good (used by "Close Image").
    void unload();

Q_SIGNALS:
    // The user asked the window to close: the main window closes the image.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Picture2_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
    void Picture2_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, float x, float y);
    void Picture2_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);

    MeasurementSession& m_session;
    QWidget* m_client;
    QWidget* m_picture1;
    PictureSurface* m_picture2;
    bool m_unloading = false;
};

} // namespace verimetra
