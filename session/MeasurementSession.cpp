#include "session/MeasurementSession.h"

#include "analysis/AreaMeasurement.h"
#include "analysis/Conversion.h"
#include "analysis/LeadingNumber.h"
#include "image/ImageLoader.h"
#include "session/ToolSteps.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace verimetra {

Q_LOGGING_CATEGORY(lcSession, "verimetra.session", QtInfoMsg)

namespace {

QRect rectOf(const PixelSpan& span)
{
    return span.isEmpty() ? QRect() : QRect(QPoint(span.x0, span.y0), QPoint(span.x1, span.y1));
}

} // namespace

MeasurementSession::MeasurementSession(QObject* parent) : QObject(parent)
{
    connect(this, &MeasurementSession::pictureReplaced, this, &MeasurementSession::pictureTouched);
    connect(this, &MeasurementSession::pictureChanged, this, &MeasurementSession::pictureTouched);
}

MeasurementSession::~MeasurementSession() = default;

// ---------------------------------------------------------------------------
// The picture

Result<QImage> MeasurementSession::readPicture(const QString& path)
{
    Result<QImage> loaded = loadImageFile(path);
    if (!loaded.ok()) {
        return failed(tr("Cannot open the image \"%1\":\n%2.")
                          .arg(QDir::toNativeSeparators(path), loaded.error()));
    }
    return loaded;
}

Outcome MeasurementSession::checkFit(const QString& path, QSize size, int height)
{
    if (!computeFit(height, size).isValid()) {
        return failed(tr("Cannot show the image \"%1\": a picture of %2 × %3 pixels cannot be "
                         "fitted to the height of the image window.")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(size.width())
                          .arg(size.height()));
    }
    return Done{};
}

void MeasurementSession::takePicture(const QString& path, QImage picture)
{
    m_state.imageFileName = path;
    m_state.imageFileTitle = QFileInfo(path).fileName();
    m_loaded = std::move(picture);
    m_fitCache.clear();
}

Outcome MeasurementSession::open(const QString& path, int height)
{
    Result<QImage> read = readPicture(path);
    if (!read.ok()) {
        return read.failure();
    }
    if (Outcome fits = checkFit(path, read.value().size(), height); !fits.ok()) {
        return fits;
    }
    takePicture(path, read.take());
    reset(height);
    nextSlot();
    return Done{};
}

PictureFit MeasurementSession::reset(int height)
{
    const PictureFit fit = computeFit(height, m_loaded.size());
    m_state.fit = fit;
    if (!fit.isValid()) {
        setWorkingPicture(QImage());
        return fit;
    }
    const QSize size(static_cast<int>(fit.width), static_cast<int>(fit.height));
    setWorkingPicture(m_fitCache.scaled(m_loaded, size));
    return fit;
}

void MeasurementSession::setWorkingPicture(const QImage& picture)
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
    m_state.convertedThreshold = -1;
    Q_EMIT pictureReplaced();
}

void MeasurementSession::pictureTouched()
{
    m_countCurrent = false;
    if (m_leaves) {
        m_leaves.reset();
        Q_EMIT leavesChanged();
    }
}

void MeasurementSession::clearPicture(QColor background)
{
    m_picture.fill(background);
    m_state.convertedThreshold = -1;
    Q_EMIT pictureChanged(m_picture.rect());
}

void MeasurementSession::closePicture()
{
    m_loaded = QImage();
    m_fitCache.clear();
    m_picture = QImage();
    Q_EMIT pictureReplaced();
}

void MeasurementSession::restartSlots()
{
    m_state.lastArea = 0;
    m_state.imageCounter = 0;
    m_state.setAreaSlot(0, 0);
}

void MeasurementSession::nextSlot()
{
    m_state.lastArea = 0;
    m_state.imageCounter += 1;
    m_state.setAreaSlot(m_state.imageCounter, 0);
    qCDebug(lcSession) << "opened" << m_state.imageFileName << "as slot" << m_state.imageCounter;
}

void MeasurementSession::setUnitName(int index, const QString& name)
{
    if (index >= 0 && size_t(index) < m_state.unitNames.size()) {
        m_state.unitNames[size_t(index)] = name;
    }
}

// ---------------------------------------------------------------------------
// The steps of a measurement

RegionBounds MeasurementSession::chooseRegion()
{
    if (!m_state.selection.outline.visible) {
        m_state.selection.region = RegionBounds{0, 0, static_cast<double>(m_picture.width()),
                                                static_cast<double>(m_picture.height())};
    }
    return m_state.selection.region;
}

void MeasurementSession::convert(int threshold)
{
    const RegionBounds region = chooseRegion();
    convertToBlackAndWhite(m_picture, region, threshold);
    m_state.convertedThreshold = threshold;
    Q_EMIT pictureChanged(rectOf(conversionSpan(region, m_picture.size())));
}

Result<double> MeasurementSession::measure(const QString& knownLength)
{
    if (m_picture.isNull()) {
        return failed(tr("There is no picture to measure."));
    }
    if (!(m_state.scaleLine.length > 0)) {
        return failed(tr("There is no scale yet.\n\nDraw the scale line over an object of "
                         "known length first (\"Draw the scale line\"), type its length "
                         "under \"Unit of measurement:\", and measure again."));
    }
    // A known length so large that the picture's real size overflows would give no area.
    // The picture's real area is at most the square of its longer side's real length.
    const double known = leadingNumber(knownLength);
    const double side =
        double(std::max(m_picture.width(), m_picture.height())) / m_state.scaleLine.length * known;
    if (!std::isfinite(side * side)) {
        return failed(tr("The known length \"%1\" is too large to measure with.").arg(knownLength));
    }

    Q_EMIT busyChanged(true);
    const RegionBounds region = chooseRegion();
    Measurement& measurement = m_state.measurement;
    measurement.blackPixelCount = 0;
    m_state.setAreaSlot(m_state.imageCounter, 0);
    measurement.blackPixelCount = static_cast<double>(countAndMarkBlack(m_picture, region));
    measurement.span = countSpan(region, m_picture.size());
    Q_EMIT pictureChanged(rectOf(measurement.span));
    Q_EMIT busyChanged(false);
    m_countCurrent = true;
    measurement.imageFile = m_state.imageFileName;
    measurement.unit = m_state.unit;
    measurement.knownLength = known;
    measurement.scaleLineLength = m_state.scaleLine.length;
    measurement.threshold = m_state.convertedThreshold;
    // Local time with its offset from UTC fixed: the time as the user's clock showed it,
    // written as such without a time-zone lookup for every row that carries it.
    const QDateTime now = QDateTime::currentDateTime();
    measurement.measuredAt = now.toOffsetFromUtc(now.offsetFromUtc());

    measurement.steps = computeArea(float(m_picture.width()), float(m_picture.height()),
                                    m_state.scaleLine.length, known, measurement.blackPixelCount);
    m_state.lastArea = measurement.steps.measuredArea;
    m_state.setAreaSlot(m_state.imageCounter,
                        m_state.lastArea + m_state.areaSlot(m_state.imageCounter));
    return m_state.areaSlot(m_state.imageCounter);
}

Result<LeafReport> MeasurementSession::splitIntoLeaves(double minLeafArea)
{
    if (!m_countCurrent) {
        return failed(
            tr("There is no measurement to split into leaves: measure the picture first."));
    }
    const Measurement& measurement = m_state.measurement;
    LeafReport report;
    report.scale.areaPerPixel = measurement.steps.areaPerPixel;
    report.scale.lengthPerPixel = std::abs(measurement.knownLength) / measurement.scaleLineLength;
    Q_EMIT busyChanged(true);
    report.split =
        splitLeaves(m_picture, measurement.span, minLeafPixels(minLeafArea, report.scale));
    Q_EMIT busyChanged(false);
    for (const LeafShape& leaf : report.split.leaves) {
        report.areas.append(leafArea(leaf, report.scale));
        report.values.append(leafValues(leaf, report.split, report.scale));
    }
    report.specksArea = double(report.split.speckPixels) * report.scale.areaPerPixel;
    qCDebug(lcSession) << "split" << report.split.countedPixels << "pixels into"
                       << report.split.leaves.size() << "leaves and" << report.split.specks
                       << "specks";
    m_leaves = report;
    Q_EMIT leavesChanged();
    return report;
}

Provenance MeasurementSession::provenance() const
{
    const Measurement& measurement = m_state.measurement;
    Provenance provenance;
    if (!measurement.measuredAt.isValid()) {
        return provenance;
    }
    provenance.imageFile = measurement.imageFile;
    provenance.unit = measurement.unit;
    provenance.knownLength = measurement.knownLength;
    provenance.pixelsPerUnit = measurement.knownLength != 0
                                   ? measurement.scaleLineLength / std::abs(measurement.knownLength)
                                   : 0;
    provenance.threshold = measurement.threshold;
    provenance.region = rectOf(measurement.span);
    provenance.measuredAt = measurement.measuredAt;
    provenance.programVersion = QStringLiteral(VERIMETRA_VERSION);
    return provenance;
}

QRect MeasurementSession::stamp(float x, float y, int colourValue)
{
    m_state.paint.colour = colourValue;
    const QRect changed = strokeMove(m_state, m_picture, x, y);
    Q_EMIT outlinesChanged();
    Q_EMIT pictureChanged(changed);
    return changed;
}

// ---------------------------------------------------------------------------
// The tools

void MeasurementSession::setTools(const ToolChoice& tools)
{
    m_tools = tools;
}

void MeasurementSession::setRegionMode(RegionMode mode)
{
    m_state.selection.mode = mode;
}

// Each step makes its tests in a fixed order, every test on its own: one event
// serves every tool whose condition holds. The mouse button does not matter.

void MeasurementSession::pressAt(float x, float y)
{
    if (m_tools.scaleLine) {
        scaleLinePress(m_state, x, y);
        Q_EMIT outlinesChanged();
        Q_EMIT scaleLineStarted();
    }
    if (m_tools.toolSize) {
        toolSizePress(m_state, x, y);
        Q_EMIT outlinesChanged();
    }
    if (m_tools.eraser) {
        const QRect changed = strokePress(m_state, m_picture, m_tools.eraserColour, x, y);
        Q_EMIT outlinesChanged();
        Q_EMIT pictureChanged(changed);
    }
    if (m_tools.brush) {
        const QRect changed = strokePress(m_state, m_picture, m_tools.brushColour, x, y);
        Q_EMIT outlinesChanged();
        Q_EMIT pictureChanged(changed);
    }
    if (m_state.selection.mode == RegionMode::Selecting) {
        selectionPress(m_state, x, y);
        Q_EMIT outlinesChanged();
    }
}

void MeasurementSession::moveTo(float x, float y)
{
    if (m_state.scaleLine.drawing) {
        scaleLineMove(m_state, x, y);
        Q_EMIT outlinesChanged();
    }
    if (m_state.paint.sizing) {
        toolSizeMove(m_state, x, y);
        Q_EMIT outlinesChanged();
    }
    if (m_state.paint.dragging) {
        const QRect changed = strokeMove(m_state, m_picture, x, y);
        Q_EMIT outlinesChanged();
        Q_EMIT pictureChanged(changed);
    }
    if (m_state.selection.dragging) {
        selectionMove(m_state, x, y);
        Q_EMIT outlinesChanged();
    }
}

void MeasurementSession::release()
{
    if (m_state.scaleLine.drawing) {
        scaleLineRelease(m_state);
    }
    if (m_state.paint.sizing) {
        toolSizeRelease(m_state);
    }
    if (m_state.paint.dragging) {
        strokeRelease(m_state);
    }
    if (m_state.selection.dragging) {
        selectionRelease(m_state);
    }
}

// ---------------------------------------------------------------------------
// The outlines

void MeasurementSession::resetOutlines()
{
    m_state.scaleLine.drawn = ScaleLine{}.drawn;
    m_state.selection.outline = Selection{}.outline;
    m_state.paint.outline = PaintTool{}.outline;
    Q_EMIT outlinesChanged();
}

void MeasurementSession::hideOutlines()
{
    m_state.scaleLine.drawn.visible = false;
    m_state.paint.outline.visible = false;
    m_state.selection.outline.visible = false;
    Q_EMIT outlinesChanged();
}

void MeasurementSession::showSelectionOutline()
{
    Outline& outline = m_state.selection.outline;
    outline.height = 30;
    outline.width = 30;
    outline.visible = true;
    Q_EMIT outlinesChanged();
}

void MeasurementSession::hideSelectionOutline()
{
    m_state.selection.outline.visible = false;
    Q_EMIT outlinesChanged();
}

void MeasurementSession::setToolOutlineVisible(bool visible)
{
    m_state.paint.outline.visible = visible;
    Q_EMIT outlinesChanged();
}

} // namespace verimetra
