#pragma once

#include "image/PictureFit.h"

#include <QMdiSubWindow>
#include <functional>

namespace verimetra {

struct SharedState;
class LineOverlay;
class PictureSurface;
class ShapeOverlay;

// What the mouse handlers of the picture read from, and tell, the main window.
struct ToolControls
{
    std::function<bool()> scaleLineSelected; // "Draw the scale line"
    std::function<bool()> toolSizeSelected;  // "Change Eraser/Brush tool size"
    std::function<bool()> eraserSelected;
    std::function<bool()> brushSelected;
    std::function<int()> eraserColour; // colour values of the two swatches
    std::function<int()> brushColour;
    std::function<void()> scaleLineStarted; // lets the scale be confirmed
};

// The image window: the loaded picture (kept hidden) and the working picture,
// fitted to the window's inner height, with its mouse tools.
class ImageWindow : public QMdiSubWindow
{
    Q_OBJECT

public:
    ImageWindow(SharedState& state, ToolControls controls, QWidget* parent = nullptr);

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

    const QImage& loadedPicture() const { return m_loaded; }
    void setLoadedPicture(const QImage& picture);

    // The picture fit: the working picture becomes the loaded picture scaled to the
    // window's inner height. Returns the fit; an invalid one leaves the picture empty.
    PictureFit fitPicture();
    // The fit this window would give `size` now, without changing anything.
    PictureFit fitFor(QSize size) const;

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

    SharedState& m_state;
    ToolControls m_controls;
    QWidget* m_client;
    QWidget* m_picture1;
    PictureSurface* m_picture2;
    QImage m_loaded;
    FitCache m_fitCache;
    bool m_unloading = false;
};

} // namespace verimetra
