#pragma once

#include "core/Result.h"
#include "image/PictureFit.h"
#include "session/LeafReport.h"
#include "session/SessionState.h"

#include <QImage>
#include <QObject>
#include <optional>

namespace verimetra {

// Which tools a press on the working picture serves, as the tool options stand
// (the scale-line option and the three paint options may be chosen together),
// and the colour values of the eraser and the brush.
struct ToolChoice
{
    bool scaleLine = false; // "Draw the scale line"
    bool toolSize = false;  // "Change Eraser/Brush tool size"
    bool eraser = false;
    bool brush = false;
    int eraserColour = 16777215;
    int brushColour = 0;
};

// One measurement, from the picture to its area, without any window: the loaded
// picture and its fit, the working picture, the scale line, the selection, the
// paint tools and the last measurement's values. The windows are views of it: they
// call its steps and repaint what its signals say has changed.
class MeasurementSession : public QObject
{
    Q_OBJECT

public:
    explicit MeasurementSession(QObject* parent = nullptr);
    ~MeasurementSession() override;

    const SessionState& state() const { return m_state; }

    const QImage& loadedPicture() const { return m_loaded; }
    // The working picture: the loaded picture fitted, then converted, touched up and
    // measured in place.
    const QImage& picture() const { return m_picture; }

    // --- The picture ---------------------------------------------------------------

    // Reads an image file; the reason, for the user, when it cannot be read.
    static Result<QImage> readPicture(const QString& path);
    // Whether `size`, read from `path`, can be fitted to `height`; why not.
    static Outcome checkFit(const QString& path, QSize size, int height);
    // `picture`, read from `path`, becomes the loaded picture; its fit is made by reset().
    void takePicture(const QString& path, QImage picture);
    // All that opening an image file does to the session: read, check the fit, take
    // the picture, fit it to `height` and give it the next image slot.
    Outcome open(const QString& path, int height);
    // The working picture anew: the loaded picture fitted to `height`. An invalid fit
    // leaves no working picture.
    PictureFit reset(int height);
    // Erases the working picture to `background`, keeping its size.
    void clearPicture(QColor background);
    // Drops the loaded and the working picture; the values stay.
    void closePicture();

    // The first image of a new image window takes slot 1: the counter and the
    // last area restart.
    void restartSlots();
    // The image just opened takes the next slot, emptied.
    void nextSlot();
    // Entry `index` (0 to 10; any other does nothing) of the unit names offered at start-up.
    void setUnitName(int index, const QString& name);

    // --- The steps of a measurement ------------------------------------------------

    // The region the next conversion or measurement works on: the selection
    // rectangle's bounds while the rectangle is shown, otherwise the whole picture.
    RegionBounds chooseRegion();
    // Black and white by `threshold` over the region.
    void convert(int threshold);
    // Counts the black pixels of the region, marks them red and turns the count into
    // an area with the scale line and `knownLength`, the length of that line as typed
    // (read by the leading-number rule). Gives the area of the current image slot.
    Result<double> measure(const QString& knownLength);
    // Splits the counted pixels of the last measurement into leaves of at least
    // `minLeafArea` unit^2; smaller sets are specks. Only while the working picture is
    // as the measurement left it.
    Result<LeafReport> splitIntoLeaves(double minLeafArea);
    // The leaves of the last split while the working picture is unchanged since;
    // null otherwise.
    const LeafReport* leaves() const { return m_leaves ? &*m_leaves : nullptr; }
    // How the last measurement was made, for the rows recorded from it; none (an
    // invalid time) before the first measurement.
    Provenance provenance() const;
    // The unit of measurement, as confirmed with the scale.
    void setUnit(const QString& unit) { m_state.unit = unit; }
    // One stamp of the paint tool with its outline's top-left corner at (x, y).
    QRect stamp(float x, float y, int colourValue);

    // --- The tools -----------------------------------------------------------------

    void setTools(const ToolChoice& tools);
    const ToolChoice& tools() const { return m_tools; }
    void setRegionMode(RegionMode mode);

    // A press, a move and a release on the working picture, in picture pixels: each
    // serves, in a fixed order, every tool whose condition holds.
    void pressAt(float x, float y);
    void moveTo(float x, float y);
    void release();

    // The outlines drawn over the picture: where a new image window puts them, all
    // hidden, the selection rectangle shown at 30 x 30, the tool outline shown or not.
    void resetOutlines();
    void hideOutlines();
    void showSelectionOutline();
    void hideSelectionOutline();
    void setToolOutlineVisible(bool visible);

Q_SIGNALS:
    // The working picture was replaced (its size may have changed).
    void pictureReplaced();
    // Pixels of the working picture changed within `area`.
    void pictureChanged(const QRect& area);
    // The scale line, the selection rectangle or the tool outline moved, or was shown
    // or hidden.
    void outlinesChanged();
    // A press started a scale line: the scale may be confirmed.
    void scaleLineStarted();
    // A long pass over the picture begins (true) or has ended (false).
    void busyChanged(bool busy);
    // Leaves were found, or the leaves found last no longer hold.
    void leavesChanged();

private:
    void setWorkingPicture(const QImage& picture);
    // The working picture changed: the last count and its leaves no longer describe it.
    void pictureTouched();

    // Whether the working picture is as the last measurement left it.
    bool m_countCurrent = false;
    std::optional<LeafReport> m_leaves;

    SessionState m_state;
    ToolChoice m_tools;
    QImage m_loaded;
    QImage m_picture;
    FitCache m_fitCache;
};

} // namespace verimetra
