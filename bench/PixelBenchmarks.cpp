#include "PixelBenchmarks.h"

#include "BenchPictures.h"
#include "Summary.h"

#include "analysis/AreaMeasurement.h"
#include "analysis/ColourValue.h"
#include "analysis/Conversion.h"
#include "analysis/LeafSplit.h"
#include "image/PictureFit.h"
#include "image/PictureSurface.h"
#include "image/PixelAccess.h"
#include "session/MeasurementSession.h"

#include <QCoreApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <string>
#include <tuple>
#include <vector>

namespace verimetra::bench {

namespace {

// How the passes are timed. A conversion or a count changes the picture, so every
// iteration first restores the unconverted (or converted) pixels with a memcpy into
// the same buffer, untimed, and only the call itself is timed (manual time from the
// steady clock around the call). This is cheaper and more exact than PauseTiming, and
// every pass starts from the same pixels (converting a converted picture again would
// find only black and white). The restore would leave a picture of up to
// 2000 x 1500 in the last-level cache and time it at cache speed, so the caches are
// emptied after it. The floor pass is timed in exactly the same way.
constexpr double PassMinTime = 0.1;
constexpr double StampMinTime = 0.1;

enum Section
{
    FloorSection = 0,
    FloorIntoSection,
    FloorFreshSection,
    ConvertSection,
    ConvertSharedSection,
    CountSection,
    CountSharedSection,
    SplitSection,
    StampSection,
    RepaintStampSection,
    BrushStepSection,
    RepaintWholeSection,
    RefreshHitSection = 30,
    RefreshAfterConversionSection,
    RefreshAgainSection
};

constexpr int StampSide = 60; // a 60-pixel outline stamps 61 x 61 pixels
// Sets of fewer counted pixels are specks: the dust on the benchmark's scans.
constexpr double SmallestBenchLeaf = 400;

std::string key(QSize size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

std::string label(QSize size)
{
    return std::to_string(size.width()) + " x " + std::to_string(size.height());
}

std::string floorName(QSize size)
{
    return "floor/" + key(size);
}

RegionBounds wholeOf(QSize size)
{
    return RegionBounds{0, 0, double(size.width()), double(size.height())};
}

void setRatioToFloor(benchmark::State& state, QSize size, double meanSeconds)
{
    if (const std::optional<double> floor = recordedTime(floorName(size))) {
        state.counters["ratio_to_floor"] = meanSeconds / *floor;
    }
}

// Runs `prepare` untimed and `pass` timed in every iteration; returns the mean time.
template <typename Prepare, typename Pass>
double timeEachPass(benchmark::State& state, Prepare prepare, Pass pass)
{
    double total = 0;
    for (auto _ : state) {
        prepare();
        evictCaches();
        const Clock::time_point start = Clock::now();
        pass();
        const Clock::time_point end = Clock::now();
        benchmark::ClobberMemory();
        const double seconds = secondsBetween(start, end);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    return state.iterations() > 0 ? total / double(state.iterations()) : 0;
}

// Stamp positions spread over the picture, the stamp wholly on it.
std::vector<QPoint> stampPositions(QSize size)
{
    std::vector<QPoint> positions(4096);
    std::uint32_t state = 2463534242u;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    const auto spanX = std::uint32_t(size.width() - StampSide - 1);
    const auto spanY = std::uint32_t(size.height() - StampSide - 1);
    for (QPoint& p : positions) {
        p = QPoint(int(next() % spanX), int(next() % spanY));
    }
    return positions;
}

// A picture surface shown as a window of its own on the offscreen screen, the scale
// line and the selection hidden and the tool outline shown, as while painting.
class ShownSurface
{
public:
    // The session's working picture is `picture` fitted to `fitHeight`, by default
    // to its own height: the picture itself.
    explicit ShownSurface(const QImage& picture, int fitHeight = 0) : m_surface(m_session)
    {
        m_session.takePicture(QString(), picture);
        m_session.reset(fitHeight > 0 ? fitHeight : picture.height());
        m_session.hideOutlines();
        m_session.setToolOutlineVisible(true);
        m_surface.show();
        for (int i = 0; i < 100 && !exposed(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QCoreApplication::processEvents();
    }

    PictureSurface& surface() { return m_surface; }
    MeasurementSession& session() { return m_session; }

    bool exposed() const
    {
        return m_surface.windowHandle() != nullptr && m_surface.windowHandle()->isExposed();
    }

    // Reports a surface that did not get its picture's size or was never exposed.
    bool usable(benchmark::State& state, QSize size)
    {
        if (!exposed()) {
            state.SkipWithError("the picture surface was not exposed");
            return false;
        }
        if (m_surface.size() != size) {
            state.SkipWithError("the picture surface did not take the picture's size");
            return false;
        }
        return true;
    }

private:
    MeasurementSession m_session;
    PictureSurface m_surface;
};

// --- the floor --------------------------------------------------------------------

void floorInPlace(benchmark::State& state, QSize size)
{
    const QImage& original = unconvertedPicture(size);
    QImage work = original.copy();
    const double mean = timeEachPass(
        state, [&] { restorePixels(work, original); }, [&] { floorPassInPlace(work); });
    recordTime(floorName(size), mean);
    state.counters["GB_per_s"] = mean > 0 ? 2.0 * double(original.sizeInBytes()) / mean / 1e9 : 0;
}

void floorIntoOther(benchmark::State& state, QSize size)
{
    const QImage& original = unconvertedPicture(size);
    QImage work = original.copy();
    QImage target = original.copy();
    const double mean = timeEachPass(
        state, [&] { restorePixels(work, original); }, [&] { floorPassInto(work, target); });
    setRatioToFloor(state, size, mean);
}

void floorIntoFresh(benchmark::State& state, QSize size)
{
    const QImage& original = unconvertedPicture(size);
    QImage target;
    const double mean = timeEachPass(
        state, [&] { target = QImage(); },
        [&] {
            target = QImage(size, QImage::Format_RGB32);
            floorPassInto(original, target);
        });
    setRatioToFloor(state, size, mean);
}

// --- conversion and count ------------------------------------------------------------

void convertOwn(benchmark::State& state, QSize size)
{
    const QImage& original = unconvertedPicture(size);
    QImage work = original.copy();
    const RegionBounds whole = wholeOf(size);
    const double mean = timeEachPass(
        state, [&] { restorePixels(work, original); },
        [&] { convertToBlackAndWhite(work, whole, ThresholdStart); });
    setRatioToFloor(state, size, mean);
}

// A pass over a picture that shares its pixels with another QImage: it is detached
// (copied into fresh memory) first, whose first touch dominates at large sizes.
void convertShared(benchmark::State& state, QSize size)
{
    const QImage& original = unconvertedPicture(size);
    QImage work;
    const RegionBounds whole = wholeOf(size);
    const double mean = timeEachPass(
        state,
        [&] {
            work = QImage(); // the previous result goes, untimed
            work = original; // shares the pixels
        },
        [&] { convertToBlackAndWhite(work, whole, ThresholdStart); });
    setRatioToFloor(state, size, mean);
}

void countOwn(benchmark::State& state, QSize size)
{
    const QImage& converted = convertedPicture(size);
    QImage work = converted.copy();
    const RegionBounds whole = wholeOf(size);
    std::int64_t black = 0;
    const double mean = timeEachPass(
        state, [&] { restorePixels(work, converted); },
        [&] { black = countAndMarkBlack(work, whole); });
    benchmark::DoNotOptimize(black);
    setRatioToFloor(state, size, mean);
    state.counters["black_fraction"] = double(black) / (double(size.width()) * size.height());
}

void countShared(benchmark::State& state, QSize size)
{
    const QImage& converted = convertedPicture(size);
    QImage work;
    const RegionBounds whole = wholeOf(size);
    std::int64_t black = 0;
    const double mean = timeEachPass(
        state,
        [&] {
            work = QImage();
            work = converted;
        },
        [&] { black = countAndMarkBlack(work, whole); });
    benchmark::DoNotOptimize(black);
    setRatioToFloor(state, size, mean);
}

// The split of a counted picture into leaves with all their measures. The split
// only reads the picture; each pass starts with empty caches, as the floor does.
void splitCounted(benchmark::State& state, QSize size)
{
    QImage counted = convertedPicture(size).copy();
    const RegionBounds whole = wholeOf(size);
    countAndMarkBlack(counted, whole);
    const PixelSpan span = countSpan(whole, size);
    LeafSplit split;
    const double mean = timeEachPass(
        state, [] {}, [&] { split = splitLeaves(counted, span, SmallestBenchLeaf); });
    setRatioToFloor(state, size, mean);
    state.counters["leaves"] = double(split.leaves.size());
    state.counters["specks"] = double(split.specks);
}

// --- the stamp and the repaints ---------------------------------------------------

void stampAtChangingPositions(benchmark::State& state, QSize size)
{
    QImage work = convertedPicture(size).copy();
    const std::vector<QPoint> positions = stampPositions(size);
    std::size_t i = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        const QPoint p = positions[i % positions.size()];
        const int colourValue = (i & 1) ? colour::White : colour::Black;
        QRect changed = stamp(work, float(p.x()), float(p.y()), StampSide, StampSide, colourValue);
        benchmark::DoNotOptimize(changed);
        ++i;
    }
    const double total = secondsBetween(start, Clock::now());
    setRatioToFloor(state, size, state.iterations() > 0 ? total / double(state.iterations()) : 0);
}

void repaintStampRect(benchmark::State& state, QSize size)
{
    ShownSurface shown(convertedPicture(size));
    if (!shown.usable(state, size)) {
        return;
    }
    PictureSurface& surface = shown.surface();
    const std::vector<QPoint> positions = stampPositions(size);
    std::size_t i = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        const QRect rect(positions[i % positions.size()], QSize(StampSide + 1, StampSide + 1));
        surface.repaint(rect);
        ++i;
    }
    const double total = secondsBetween(start, Clock::now());
    QCoreApplication::processEvents();
    setRatioToFloor(state, size, state.iterations() > 0 ? total / double(state.iterations()) : 0);
}

// One step of the brush: the session's stamp into the working picture, then the
// repaint of what it reports changed.
void brushStep(benchmark::State& state, QSize size)
{
    ShownSurface shown(convertedPicture(size));
    if (!shown.usable(state, size)) {
        return;
    }
    PictureSurface& surface = shown.surface();
    MeasurementSession& session = shown.session();
    // The tool outline sized to StampSide by a drag, as the user sizes it.
    ToolChoice sizing;
    sizing.toolSize = true;
    session.setTools(sizing);
    session.pressAt(0, 0);
    session.moveTo(StampSide, StampSide);
    session.release();
    const std::vector<QPoint> positions = stampPositions(size);
    std::size_t i = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        const QPoint p = positions[i % positions.size()];
        const int colourValue = (i & 1) ? colour::White : colour::Black;
        const QRect rect = session.stamp(float(p.x()), float(p.y()), colourValue);
        surface.repaint(rect);
        ++i;
    }
    const double total = secondsBetween(start, Clock::now());
    QCoreApplication::processEvents();
    setRatioToFloor(state, size, state.iterations() > 0 ? total / double(state.iterations()) : 0);
}

void repaintWhole(benchmark::State& state, QSize size)
{
    ShownSurface shown(convertedPicture(size));
    if (!shown.usable(state, size)) {
        return;
    }
    PictureSurface& surface = shown.surface();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        surface.repaint();
    }
    const double total = secondsBetween(start, Clock::now());
    QCoreApplication::processEvents();
    setRatioToFloor(state, size, state.iterations() > 0 ? total / double(state.iterations()) : 0);
}

// --- Refresh ------------------------------------------------------------------------

struct RefreshCase
{
    QSize loaded;
    int fitHeight;
};

QSize fittedSize(const RefreshCase& c)
{
    const PictureFit fit = computeFit(c.fitHeight, c.loaded);
    return QSize(int(fit.width), int(fit.height));
}

// What Refresh (and a threshold change) does with the picture, as the session's
// reset does it: the fit of the loaded picture, found in the cache, copied into the
// working picture.
void refreshHit(benchmark::State& state, RefreshCase c)
{
    ShownSurface shown(unconvertedPicture(c.loaded), c.fitHeight);
    if (!shown.usable(state, fittedSize(c))) {
        return;
    }
    MeasurementSession& session = shown.session();
    for (auto _ : state) {
        session.reset(c.fitHeight);
    }
    QCoreApplication::processEvents();
}

// All that Refresh does to the picture: the surface erased, the fit from the cache,
// and the repaint that then shows it (the whole surface here).
void refreshWhole(benchmark::State& state, RefreshCase c, bool afterConversion)
{
    ShownSurface shown(unconvertedPicture(c.loaded), c.fitHeight);
    if (!shown.usable(state, fittedSize(c))) {
        return;
    }
    PictureSurface& surface = shown.surface();
    MeasurementSession& session = shown.session();
    const QColor background = surface.palette().color(QPalette::Window);
    timeEachPass(
        state,
        [&] {
            if (afterConversion) {
                session.convert(ThresholdStart); // the whole picture: no selection shown
                surface.refresh();
            }
            QCoreApplication::processEvents();
        },
        [&] {
            session.clearPicture(background);
            session.reset(c.fitHeight);
            surface.repaint();
        });
    QCoreApplication::processEvents();
}

// --- registration -------------------------------------------------------------------

template <typename Function>
benchmark::internal::Benchmark* add(const std::string& name, Function function)
{
    return benchmark::RegisterBenchmark(name.c_str(), function);
}

void addRow(const std::string& name, const std::string& operation, QSize size, Section section,
            GoalKind goal = GoalKind::None, double limit = 0)
{
    SummaryRow row;
    row.benchmark = name;
    row.operation = operation;
    row.size = label(size);
    row.floorBenchmark = floorName(size);
    row.goal = goal;
    row.limit = limit;
    row.section = section;
    addSummaryRow(std::move(row));
}

void registerRefresh(RefreshCase c, const std::string& sizeLabel, bool judged)
{
    const std::string tag = key(c.loaded) + "/fit" + std::to_string(c.fitHeight);
    const GoalKind goal = judged ? GoalKind::Under : GoalKind::None;
    const QSize working = fittedSize(c);
    const std::string size = sizeLabel + " (working " + label(working) + ")";

    const std::string hit = "refresh_hit/" + tag;
    add(hit, [c](benchmark::State& s) { refreshHit(s, c); })->Unit(benchmark::kMicrosecond);
    const std::string after = "refresh_after_conversion/" + tag;
    add(after, [c](benchmark::State& s) { refreshWhole(s, c, true); })
        ->UseManualTime()
        ->MinTime(PassMinTime)
        ->Unit(benchmark::kMillisecond);
    const std::string again = "refresh_again/" + tag;
    add(again, [c](benchmark::State& s) { refreshWhole(s, c, false); })
        ->UseManualTime()
        ->MinTime(PassMinTime)
        ->Unit(benchmark::kMillisecond);

    for (auto [name, operation, section] :
         {std::tuple{hit, "Refresh / threshold change: FitCache hit + working picture",
                     RefreshHitSection},
          std::tuple{after,
                     "Refresh / threshold change after a conversion: clear + FitCache hit + "
                     "working picture + repaint",
                     RefreshAfterConversionSection},
          std::tuple{again,
                     "Refresh / threshold change again: clear + "
                     "FitCache hit + working picture + repaint",
                     RefreshAgainSection}}) {
        SummaryRow row;
        row.benchmark = name;
        row.operation = operation;
        row.size = size;
        row.goal = goal;
        row.limit = 0.020;
        row.section = section;
        addSummaryRow(std::move(row));
    }
}

} // namespace

void registerPixelBenchmarks()
{
    const QSize scan(7016, 4960);
    const std::vector<QSize> sizes = {QSize(1400, 1050), QSize(2000, 1500), QSize(4000, 3000),
                                      scan};
    for (const QSize size : sizes) {
        const std::string k = key(size);
        // Refresh first: it needs the unconverted picture as the loaded one.
        if (size == QSize(4000, 3000)) {
            registerRefresh(RefreshCase{size, 3000}, "4000 x 3000 picture", false);
        }
        if (size == scan) {
            registerRefresh(RefreshCase{size, 1000}, "7016 x 4960 scan", true);
        }

        const auto pass = [&](const std::string& name, auto function, const std::string& operation,
                              Section section, GoalKind goal = GoalKind::None, double limit = 0) {
            add(name, [size, function](benchmark::State& s) { function(s, size); })
                ->UseManualTime()
                ->MinTime(PassMinTime)
                ->Unit(benchmark::kMillisecond);
            addRow(name, operation, size, section, goal, limit);
        };
        pass(floorName(size), floorInPlace, "floor: read and write every pixel in place",
             FloorSection);
        pass("floor_into_other/" + k, floorIntoOther,
             "floor into another picture (already allocated)", FloorIntoSection);
        pass("floor_into_fresh/" + k, floorIntoFresh,
             "floor into a newly allocated picture (incl. the allocation)", FloorFreshSection);
        pass("convert/" + k, convertOwn, "conversion pass, threshold 300 (picture of its own)",
             ConvertSection, GoalKind::TimesFloor, 2.0);
        // The program's working picture owns its buffer; a picture that shares its
        // pixels is the library's general case, shown without a goal.
        pass("convert_shared/" + k, convertShared,
             "conversion pass over a picture sharing its pixels (not the program's case)",
             ConvertSharedSection);
        pass("count/" + k, countOwn, "count and mark black (picture of its own)", CountSection,
             GoalKind::TimesFloor, 2.0);
        pass("count_shared/" + k, countShared,
             "count over a picture sharing its pixels (not the program's case)",
             CountSharedSection);
        // The goal is set for a large working picture and a full-resolution scan; on
        // small pictures the leaves' outlines weigh more against the tiny floor.
        const bool large = size.width() >= 4000;
        pass("split/" + k, splitCounted,
             "each leaf: split the counted pixels into leaves with every measure", SplitSection,
             large ? GoalKind::TimesFloor : GoalKind::None, large ? 3.0 : 0);

        const auto timed = [&](const std::string& name, auto function, const std::string& operation,
                               Section section, benchmark::TimeUnit unit,
                               GoalKind goal = GoalKind::None, double limit = 0) {
            add(name, [size, function](benchmark::State& s) { function(s, size); })
                ->MinTime(StampMinTime)
                ->Unit(unit);
            addRow(name, operation, size, section, goal, limit);
        };
        timed("stamp/" + k, stampAtChangingPositions, "stamp 61 x 61 (changing positions)",
              StampSection, benchmark::kMicrosecond, GoalKind::Under, 20e-6);
        timed("repaint_stamp_rect/" + k, repaintStampRect,
              "repaint after a stamp: repaint of the 61 x 61 rect", RepaintStampSection,
              benchmark::kMicrosecond);
        timed("brush_step/" + k, brushStep, "brush step: the session's stamp + repaint of its rect",
              BrushStepSection, benchmark::kMicrosecond);
        timed("repaint_whole/" + k, repaintWhole, "repaint of the whole surface",
              RepaintWholeSection, benchmark::kMillisecond);
    }
}

} // namespace verimetra::bench
