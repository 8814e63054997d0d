#include "analysis/LeafSplit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace verimetra {

namespace {

// Pixels x0 .. x1 of one row, both included.
struct Run
{
    int x0 = 0;
    int x1 = 0;
};

// The runs of every row of the span, in raster order; the runs of row y are
// runs[rowStart[y - y0]] .. runs[rowStart[y - y0 + 1] - 1].
struct RunTable
{
    std::vector<Run> runs;
    std::vector<int> rowStart;
};

// Union-find over run indices. The root of a set is always its smallest index, so
// a set's root is its run met first in raster order.
class Forest
{
public:
    explicit Forest(size_t size) : m_parent(size)
    {
        for (size_t i = 0; i < size; ++i) {
            m_parent[i] = static_cast<int>(i);
        }
    }
    int find(int i)
    {
        while (m_parent[size_t(i)] != i) {
            m_parent[size_t(i)] = m_parent[size_t(m_parent[size_t(i)])];
            i = m_parent[size_t(i)];
        }
        return i;
    }
    void unite(int a, int b)
    {
        a = find(a);
        b = find(b);
        if (a < b) {
            m_parent[size_t(b)] = a;
        } else if (b < a) {
            m_parent[size_t(a)] = b;
        }
    }
    // Numbers the sets 0, 1, ... in the order of their roots; gives the set of each
    // index and the number of sets.
    std::vector<int> number(int& sets)
    {
        std::vector<int> set(m_parent.size());
        sets = 0;
        for (size_t i = 0; i < m_parent.size(); ++i) {
            const int root = find(static_cast<int>(i));
            set[i] = root == static_cast<int>(i) ? sets++ : set[size_t(root)];
        }
        return set;
    }

private:
    std::vector<int> m_parent;
};

// Packs which of `count` pixels were counted into bits, 64 pixels a word, the
// first pixel in the lowest bit; bits past the last pixel are 0.
void packCountedPlain(const std::uint32_t* pixels, int count, std::uint64_t* bits)
{
    for (int w = 0; w * 64 < count; ++w) {
        std::uint64_t word = 0;
        const int end = std::min(64, count - w * 64);
        for (int j = 0; j < end; ++j) {
            word |= std::uint64_t(isCountedPixel(pixels[w * 64 + j])) << j;
        }
        bits[w] = word;
    }
}

#if defined(__x86_64__)
// The same eight pixels at a time, with AVX2.
__attribute__((target("avx2"))) void packCountedAvx2(const std::uint32_t* pixels, int count,
                                                     std::uint64_t* bits)
{
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i red = _mm256_set1_epi32(0x00FF0000);
    const int whole = count / 64;
    for (int w = 0; w < whole; ++w) {
        std::uint64_t word = 0;
        for (int k = 0; k < 8; ++k) {
            const __m256i p = _mm256_loadu_si256(
                reinterpret_cast<const __m256i*>(pixels + std::ptrdiff_t(w) * 64 + k * 8));
            const __m256i same = _mm256_cmpeq_epi32(_mm256_and_si256(p, colour), red);
            word |= std::uint64_t(std::uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(same))))
                    << (8 * k);
        }
        bits[w] = word;
    }
    if (whole * 64 < count) {
        packCountedPlain(pixels + std::ptrdiff_t(whole) * 64, count - whole * 64, bits + whole);
    }
}
#endif

void packCounted(const std::uint32_t* pixels, int count, std::uint64_t* bits)
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        packCountedAvx2(pixels, count, bits);
        return;
    }
#endif
    packCountedPlain(pixels, count, bits);
}

// Appends the runs of set bits among the first `count` bits of `bits` (as
// packCounted() makes them), bit 0 being column `first`. Only the places where a bit
// differs from the one before it cost anything.
void findRuns(const std::uint64_t* bits, int first, int count, std::vector<Run>& runs)
{
    std::uint64_t carry = 0; // the last bit of the word before
    int start = 0;
    const int words = (count + 63) / 64;
    for (int w = 0; w < words; ++w) {
        const std::uint64_t word = bits[w];
        std::uint64_t changes = word ^ ((word << 1) | carry);
        carry = word >> 63;
        while (changes != 0) {
            const int j = std::countr_zero(changes);
            const int x = w * 64 + j;
            if ((word >> j) & 1u) {
                start = x;
            } else {
                runs.push_back(Run{first + start, first + x - 1});
            }
            changes &= changes - 1;
        }
    }
    if (carry != 0 && count % 64 == 0) {
        runs.push_back(Run{first + start, first + count - 1});
    }
}

// Joins the runs of two neighbouring rows that touch: with `reach` 1 also diagonally
// (8-connected sets), with 0 only edge to edge (4-connected sets).
void joinRows(const RunTable& table, int upper, int lower, int reach, Forest& forest)
{
    int i = table.rowStart[size_t(upper)];
    const int iEnd = table.rowStart[size_t(upper) + 1];
    int j = table.rowStart[size_t(lower)];
    const int jEnd = table.rowStart[size_t(lower) + 1];
    while (i < iEnd && j < jEnd) {
        const Run& a = table.runs[size_t(i)];
        const Run& b = table.runs[size_t(j)];
        if (b.x0 <= a.x1 + reach && a.x0 <= b.x1 + reach) {
            forest.unite(i, j);
        }
        if (a.x1 < b.x1) {
            ++i;
        } else {
            ++j;
        }
    }
}

// The uncounted pixels of a row between and around its counted runs.
void gapsOf(const Run* counted, int count, int x0, int x1, std::vector<Run>& gaps)
{
    int from = x0;
    for (int k = 0; k < count; ++k) {
        if (counted[k].x0 > from) {
            gaps.push_back(Run{from, counted[k].x0 - 1});
        }
        from = counted[k].x1 + 1;
    }
    if (from <= x1) {
        gaps.push_back(Run{from, x1});
    }
}

// The run of `table`'s row `row` that holds column x, or -1.
int runAt(const RunTable& table, int row, int x)
{
    const auto first = table.runs.begin() + table.rowStart[size_t(row)];
    const auto last = table.runs.begin() + table.rowStart[size_t(row) + 1];
    const auto after = std::upper_bound(first, last, x,
                                        [](int column, const Run& run) { return column < run.x0; });
    if (after == first || (after - 1)->x1 < x) {
        return -1;
    }
    return static_cast<int>(after - 1 - table.runs.begin());
}

struct GridPoint
{
    std::int64_t x = 0;
    std::int64_t y = 0;
    // Row by row, then along the row: the order in which a leaf's rows give them.
    bool operator<(const GridPoint& other) const
    {
        return y < other.y || (y == other.y && x < other.x);
    }
    bool operator==(const GridPoint&) const = default;
};

std::int64_t cross(const GridPoint& o, const GridPoint& a, const GridPoint& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double distance(const GridPoint& a, const GridPoint& b)
{
    const double dx = double(a.x - b.x);
    const double dy = double(a.y - b.y);
    return std::sqrt(dx * dx + dy * dy);
}

// The convex hull of `points` (sorted and unique on return), with its turns all to
// the same side, by Andrew's monotone chain.
std::vector<GridPoint> convexHull(std::vector<GridPoint>& points)
{
    if (!std::is_sorted(points.begin(), points.end())) {
        std::sort(points.begin(), points.end());
    }
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) {
        return points;
    }
    std::vector<GridPoint> hull(2 * points.size());
    size_t k = 0;
    for (const GridPoint& p : points) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0) {
            --k;
        }
        hull[k++] = p;
    }
    const size_t lowerSize = k + 1;
    for (size_t i = points.size() - 1; i-- > 0;) {
        while (k >= lowerSize && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    return hull;
}

// The length and the width of a leaf, taking each pixel as a disk one pixel wide
// around its centre (as the perimeter does). The length is the largest distance
// between the centres of two of its pixels, found by rotating calipers around their
// convex hull, plus one; the width is the hull's extent perpendicular to that
// longest chord, plus one.
void feretMeasures(std::vector<GridPoint>& centres, LeafShape& leaf)
{
    const std::vector<GridPoint> hull = convexHull(centres);
    const size_t m = hull.size();
    if (m == 0) {
        return;
    }
    GridPoint from = hull[0];
    GridPoint to = hull[0];
    double best = 0;
    auto consider = [&](const GridPoint& a, const GridPoint& b) {
        const double d = distance(a, b);
        if (d > best) {
            best = d;
            from = a;
            to = b;
        }
    };
    if (m < 3) {
        consider(hull[0], hull[m - 1]);
    } else {
        size_t j = 1;
        for (size_t i = 0; i < m; ++i) {
            const size_t next = (i + 1) % m;
            const GridPoint edge{hull[next].x - hull[i].x, hull[next].y - hull[i].y};
            auto ahead = [&](size_t k) {
                const GridPoint& a = hull[k];
                const GridPoint& b = hull[(k + 1) % m];
                return edge.x * (b.y - a.y) - edge.y * (b.x - a.x) > 0;
            };
            while (ahead(j)) {
                j = (j + 1) % m;
            }
            consider(hull[i], hull[j]);
            consider(hull[next], hull[j]);
        }
    }
    // The ends of the length lie half a pixel beyond the two centres.
    double ux = 1;
    double uy = 0;
    if (best > 0) {
        ux = double(to.x - from.x) / best;
        uy = double(to.y - from.y) / best;
    }
    leaf.length = best + 1;
    leaf.lengthFrom = QPointF(double(from.x) + 0.5 - ux / 2, double(from.y) + 0.5 - uy / 2);
    leaf.lengthTo = QPointF(double(to.x) + 0.5 + ux / 2, double(to.y) + 0.5 + uy / 2);
    double low = 0;
    double high = 0;
    for (size_t i = 0; i < m; ++i) {
        const double p = -uy * double(hull[i].x - from.x) + ux * double(hull[i].y - from.y);
        low = std::min(low, p);
        high = std::max(high, p);
    }
    leaf.width = high - low + 1;
}

// Moore-neighbour directions, clockwise on the screen (y grows downwards): east,
// south-east, south, south-west, west, north-west, north, north-east.
constexpr int StepX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int StepY[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// How many edge pixels on each side of a point of the outline its smoothed
// position averages.
constexpr int SmoothingReach = 2;

// The length of the closed chain of edge-pixel centres `chain` after each point is
// replaced by the mean of the 2 * SmoothingReach + 1 points around it. The step
// between two smoothed points is the difference of the two points that enter and
// leave the window, over its size.
double smoothedLength(const std::vector<GridPoint>& chain)
{
    const auto n = static_cast<std::int64_t>(chain.size());
    const std::int64_t window = 2 * SmoothingReach + 1;
    double length = 0;
    if (n < window + 1) {
        for (std::int64_t i = 0; i < n; ++i) {
            length += distance(chain[size_t(i)], chain[size_t((i + n - 1) % n)]);
        }
        return length;
    }
    for (std::int64_t i = 0; i < n; ++i) {
        const GridPoint& entering = chain[size_t((i + SmoothingReach) % n)];
        const GridPoint& leaving = chain[size_t((i - SmoothingReach - 1 + 2 * n) % n)];
        length += distance(entering, leaving);
    }
    return length / double(window);
}

// The perimeter of a leaf and its outline, from its first pixel in raster order.
// The outer outline is followed through the centres of the leaf's edge pixels as a
// chain of 8-neighbour steps; the perimeter is the length of that chain smoothed
// over five edge pixels (which takes the staircase out of slanted edges and the
// raggedness out of scanned ones), plus pi, the length that the outline gains from
// the centres of the edge pixels out to their outer edges.
void traceOutline(const QImage& picture, const PixelSpan& span, int startX, int startY,
                  qint64 pixels, LeafShape& leaf)
{
    auto counted = [&](int x, int y) {
        if (x < span.x0 || x > span.x1 || y < span.y0 || y > span.y1) {
            return false;
        }
        return isCountedPixel(reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y))[x]);
    };
    // The first counted neighbour of (x, y), clockwise from direction `from`.
    auto nextStep = [&](int x, int y, int from) {
        for (int i = 0; i < 8; ++i) {
            const int d = (from + i) & 7;
            if (counted(x + StepX[d], y + StepY[d])) {
                return d;
            }
        }
        return -1;
    };

    QPolygonF outline;
    outline << QPointF(startX + 0.5, startY + 0.5);
    std::vector<GridPoint> chain{{startX, startY}};
    // The pixels above and to the left of the first pixel are not the leaf's: the
    // search starts from the north-west.
    const int first = nextStep(startX, startY, 5);
    if (first < 0) {
        leaf.perimeter = std::numbers::pi;
        leaf.outline = outline;
        return;
    }
    int x = startX;
    int y = startY;
    int step = first;
    int previous = -1;
    // Each edge pixel is passed at most four times; the bound only guards the loop.
    const qint64 maxSteps = 8 * pixels + 8;
    for (qint64 n = 0; n < maxSteps; ++n) {
        if (previous >= 0 && step != previous) {
            outline << QPointF(x + 0.5, y + 0.5);
        }
        x += StepX[step];
        y += StepY[step];
        previous = step;
        // Search from 90 degrees left of the step just made.
        step = nextStep(x, y, (previous + 6) & 7);
        if (x == startX && y == startY && step == first) {
            break;
        }
        chain.push_back({x, y});
    }
    leaf.perimeter = smoothedLength(chain) + std::numbers::pi;
    leaf.outline = outline;
}

// The runs of counted pixels of every row of the span.
RunTable findCountedRuns(const QImage& picture, const PixelSpan& span)
{
    RunTable table;
    const int rows = span.y1 - span.y0 + 1;
    table.rowStart.reserve(size_t(rows) + 1);
    const int count = span.x1 - span.x0 + 1;
    std::vector<std::uint64_t> bits(static_cast<size_t>(count + 63) / 64);
    for (int y = span.y0; y <= span.y1; ++y) {
        table.rowStart.push_back(static_cast<int>(table.runs.size()));
        const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        packCounted(row + span.x0, count, bits.data());
        findRuns(bits.data(), span.x0, count, table.runs);
    }
    table.rowStart.push_back(static_cast<int>(table.runs.size()));
    return table;
}

RunTable gapsBetween(const RunTable& counted, const PixelSpan& span)
{
    RunTable gaps;
    const int rows = span.y1 - span.y0 + 1;
    gaps.rowStart.reserve(size_t(rows) + 1);
    for (int r = 0; r < rows; ++r) {
        gaps.rowStart.push_back(static_cast<int>(gaps.runs.size()));
        const int first = counted.rowStart[size_t(r)];
        gapsOf(counted.runs.data() + first, counted.rowStart[size_t(r) + 1] - first, span.x0,
               span.x1, gaps.runs);
    }
    gaps.rowStart.push_back(static_cast<int>(gaps.runs.size()));
    return gaps;
}

// What is gathered of each leaf while its runs are visited in raster order.
struct LeafTally
{
    double sumX = 0; // of the pixels' centres
    double sumY = 0;
    int row = -1; // the row whose extremes are being gathered
    int rowMin = 0;
    int rowMax = 0;
    std::vector<GridPoint> ends; // the leftmost and the rightmost pixel of each row
    void flushRow()
    {
        if (row >= 0) {
            ends.push_back({rowMin, row});
            ends.push_back({rowMax, row});
        }
    }
};

// Orders and numbers the leaves row by row: a row is a band of the picture between
// two horizontal lines that cross no leaf, rows go from the top down, and within a
// row the leaves go from left to right by their centroids.
void numberRowByRow(QList<LeafShape>& leaves)
{
    std::stable_sort(leaves.begin(), leaves.end(), [](const LeafShape& a, const LeafShape& b) {
        return a.bounds.top() < b.bounds.top();
    });
    qsizetype rowStart = 0;
    int rowBottom = 0;
    auto finishRow = [&](qsizetype rowEnd) {
        std::stable_sort(
            leaves.begin() + rowStart, leaves.begin() + rowEnd,
            [](const LeafShape& a, const LeafShape& b) { return a.centroid.x() < b.centroid.x(); });
    };
    for (qsizetype i = 0; i < leaves.size(); ++i) {
        if (i > rowStart && leaves[i].bounds.top() > rowBottom) {
            finishRow(i);
            rowStart = i;
        }
        rowBottom = i == rowStart ? leaves[i].bounds.bottom()
                                  : std::max(rowBottom, leaves[i].bounds.bottom());
    }
    finishRow(leaves.size());
    for (qsizetype i = 0; i < leaves.size(); ++i) {
        leaves[i].number = static_cast<int>(i) + 1;
    }
}

} // namespace

LeafSplit splitLeaves(const QImage& source, const PixelSpan& requested, double minLeafPixels)
{
    LeafSplit split;
    QImage converted;
    const QImage* picture = &source;
    if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32) {
        converted = source.convertToFormat(QImage::Format_RGB32);
        picture = &converted;
    }
    PixelSpan span = requested;
    span.x0 = std::max(span.x0, 0);
    span.y0 = std::max(span.y0, 0);
    span.x1 = std::min(span.x1, picture->width() - 1);
    span.y1 = std::min(span.y1, picture->height() - 1);
    if (picture->isNull() || span.isEmpty()) {
        return split;
    }
    const int rows = span.y1 - span.y0 + 1;

    // The counted pixels as runs, joined into 8-connected sets.
    const RunTable counted = findCountedRuns(*picture, span);
    Forest forest(counted.runs.size());
    for (int r = 1; r < rows; ++r) {
        joinRows(counted, r - 1, r, 1, forest);
    }
    int sets = 0;
    const std::vector<int> setOf = forest.number(sets);
    std::vector<qint64> setPixels(size_t(sets), 0);
    for (size_t k = 0; k < counted.runs.size(); ++k) {
        setPixels[size_t(setOf[k])] += counted.runs[k].x1 - counted.runs[k].x0 + 1;
    }

    // Leaves and specks; the sets are numbered in the order of their first runs.
    std::vector<int> leafOf(size_t(sets), -1);
    std::vector<int> firstRun(size_t(sets), -1);
    for (size_t k = 0; k < counted.runs.size(); ++k) {
        if (firstRun[size_t(setOf[k])] < 0) {
            firstRun[size_t(setOf[k])] = static_cast<int>(k);
        }
    }
    for (int s = 0; s < sets; ++s) {
        const qint64 pixels = setPixels[size_t(s)];
        split.countedPixels += pixels;
        if (double(pixels) < minLeafPixels) {
            ++split.specks;
            split.speckPixels += pixels;
            continue;
        }
        leafOf[size_t(s)] = static_cast<int>(split.leaves.size());
        LeafShape leaf;
        leaf.number = static_cast<int>(split.leaves.size()) + 1;
        leaf.pixels = pixels;
        split.leaves.append(leaf);
    }
    if (split.leaves.isEmpty()) {
        return split;
    }

    // Each leaf's centroid, extent and row extremes, in one pass over its runs.
    std::vector<LeafTally> tallies(size_t(split.leaves.size()));
    for (int r = 0; r < rows; ++r) {
        const int y = span.y0 + r;
        for (int k = counted.rowStart[size_t(r)]; k < counted.rowStart[size_t(r) + 1]; ++k) {
            const int l = leafOf[size_t(setOf[size_t(k)])];
            if (l < 0) {
                continue;
            }
            const Run& run = counted.runs[size_t(k)];
            const double n = run.x1 - run.x0 + 1;
            LeafTally& tally = tallies[size_t(l)];
            LeafShape& leaf = split.leaves[l];
            tally.sumX += n * (double(run.x0) + double(run.x1) + 1.0) / 2.0;
            tally.sumY += n * (y + 0.5);
            leaf.bounds |= QRect(QPoint(run.x0, y), QPoint(run.x1, y));
            if (y == span.y0 || y == span.y1 || run.x0 == span.x0 || run.x1 == span.x1) {
                leaf.touchesEdge = true;
            }
            if (tally.row != y) {
                tally.flushRow();
                tally.row = y;
                tally.rowMin = run.x0;
            }
            tally.rowMax = run.x1;
        }
    }

    // Holes: 4-connected sets of uncounted pixels that do not reach the border.
    // The pixel above a hole's first pixel belongs to the leaf around it.
    const RunTable gaps = gapsBetween(counted, span);
    Forest gapForest(gaps.runs.size());
    for (int r = 1; r < rows; ++r) {
        joinRows(gaps, r - 1, r, 0, gapForest);
    }
    int gapSets = 0;
    const std::vector<int> gapSetOf = gapForest.number(gapSets);
    std::vector<qint64> gapPixels(size_t(gapSets), 0);
    std::vector<char> reachesBorder(size_t(gapSets), 0);
    std::vector<int> enclosingLeaf(size_t(gapSets), -1);
    std::vector<char> seen(size_t(gapSets), 0);
    for (int r = 0; r < rows; ++r) {
        for (int k = gaps.rowStart[size_t(r)]; k < gaps.rowStart[size_t(r) + 1]; ++k) {
            const Run& run = gaps.runs[size_t(k)];
            const auto s = size_t(gapSetOf[size_t(k)]);
            gapPixels[s] += run.x1 - run.x0 + 1;
            if (r == 0 || r == rows - 1 || run.x0 == span.x0 || run.x1 == span.x1) {
                reachesBorder[s] = 1;
            }
            if (!seen[s]) {
                seen[s] = 1;
                const int above = r > 0 ? runAt(counted, r - 1, run.x0) : -1;
                if (above >= 0) {
                    enclosingLeaf[s] = leafOf[size_t(setOf[size_t(above)])];
                }
            }
        }
    }
    for (int s = 0; s < gapSets; ++s) {
        if (!reachesBorder[size_t(s)] && enclosingLeaf[size_t(s)] >= 0) {
            split.leaves[enclosingLeaf[size_t(s)]].holePixels += gapPixels[size_t(s)];
        }
    }

    // The measures of each leaf.
    for (int s = 0; s < sets; ++s) {
        const int l = leafOf[size_t(s)];
        if (l < 0) {
            continue;
        }
        LeafShape& leaf = split.leaves[l];
        LeafTally& tally = tallies[size_t(l)];
        tally.flushRow();
        leaf.centroid = QPointF(tally.sumX / double(leaf.pixels), tally.sumY / double(leaf.pixels));
        feretMeasures(tally.ends, leaf);
        tally.ends = {};
        const Run& start = counted.runs[size_t(firstRun[size_t(s)])];
        traceOutline(*picture, span, start.x0, leaf.bounds.top(), leaf.pixels, leaf);
    }
    numberRowByRow(split.leaves);
    return split;
}

} // namespace verimetra
