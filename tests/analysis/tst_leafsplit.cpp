#include "analysis/LeafSplit.h"

#include <QImage>
#include <QTest>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

using namespace verimetra;

namespace {

constexpr QRgb Counted = 0xFFFF0000u;
constexpr QRgb Uncounted = 0xFFFFFFFFu;

using Shape = std::function<bool(double x, double y)>;

// A picture as the count leaves it: red where `shape` holds at a pixel's centre,
// white elsewhere.
QImage draw(int width, int height, const Shape& shape)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = shape(x + 0.5, y + 0.5) ? Counted : Uncounted;
        }
    }
    return picture;
}

qint64 countWhere(int width, int height, const Shape& shape)
{
    qint64 n = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            n += shape(x + 0.5, y + 0.5) ? 1 : 0;
        }
    }
    return n;
}

PixelSpan whole(const QImage& picture)
{
    return PixelSpan{0, 0, picture.width() - 1, picture.height() - 1};
}

Shape rectangle(double left, double top, double width, double height)
{
    return [=](double x, double y) {
        return x >= left && x < left + width && y >= top && y < top + height;
    };
}

Shape disk(double cx, double cy, double r)
{
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape ellipse(double cx, double cy, double a, double b)
{
    return [=](double x, double y) {
        return (x - cx) * (x - cx) / (a * a) + (y - cy) * (y - cy) / (b * b) <= 1;
    };
}

// A disk whose edge is ragged as a scanned one: each pixel's centre is inside when
// it lies within r plus a fixed pseudo-random amount of up to 0.8 pixels either way.
Shape raggedDisk(double cx, double cy, double r)
{
    return [=](double x, double y) {
        auto hash =
            static_cast<quint32>(int(x)) * 73856093u ^ static_cast<quint32>(int(y)) * 19349663u;
        hash = hash * 2654435761u;
        const double jitter = (double(hash >> 8) / double(1u << 24) - 0.5) * 1.6;
        return std::hypot(x - cx, y - cy) <= r + jitter;
    };
}

// A rectangle of `length` by `width` turned by `degrees` about its centre.
Shape turnedRectangle(double cx, double cy, double length, double width, double degrees)
{
    const double a = degrees * std::numbers::pi / 180;
    return [=](double x, double y) {
        const double u = (x - cx) * std::cos(a) + (y - cy) * std::sin(a);
        const double v = -(x - cx) * std::sin(a) + (y - cy) * std::cos(a);
        return std::abs(u) <= length / 2 && std::abs(v) <= width / 2;
    };
}

Shape unite(const Shape& a, const Shape& b)
{
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

Shape without(const Shape& a, const Shape& b)
{
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

bool near(double actual, double expected, double tolerance)
{
    return std::abs(actual - expected) <= tolerance;
}

} // namespace

class TestLeafSplit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void measuresOfKnownShapes_data();
    void measuresOfKnownShapes();
    void holesAreEnclosedUncountedPixels();
    void specksAreCountedApart();
    void leavesAreNumberedRowByRow();
    void diagonalNeighboursMakeOneLeaf();
    void edgeLeavesAreMarked_data();
    void edgeLeavesAreMarked();
    void outlineGoesRoundEveryArm();
    void onlyTheSpanIsRead();
    void emptyAndDegenerateInputs();
    void agreesWithAFloodFillOnRandomPictures();
};

// Every measure of one leaf against the true value of the shape it digitises.
// The perimeter comes within 2% for straight edges, 1% for smooth curves and 2% for
// an edge as ragged as a scanned one; the Feret measures within a pixel (or the
// raggedness either side).
void TestLeafSplit::measuresOfKnownShapes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<double>("perimeter");
    QTest::addColumn<double>("perimeterTolerance"); // relative
    QTest::addColumn<double>("length");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("feretTolerance"); // pixels
    QTest::addColumn<QPointF>("centroid");
    QTest::addColumn<bool>("ragged"); // its edge may enclose a few pixels

    const double pi = std::numbers::pi;
    QTest::newRow("square 100") << 140 << rectangle(20, 20, 100, 100) << 400.0 << 0.02
                                << std::hypot(100.0, 100.0) << 100 * std::sqrt(2.0) << 1.0
                                << QPointF(70, 70) << false;
    // The width of a rectangle across its diagonal: twice its area over the diagonal.
    QTest::newRow("rectangle 120 x 30")
        << 160 << rectangle(10, 50, 120, 30) << 300.0 << 0.02 << std::hypot(120.0, 30.0)
        << 2 * 120.0 * 30.0 / std::hypot(120.0, 30.0) << 1.0 << QPointF(70, 65) << false;
    QTest::newRow("disk r 60") << 140 << disk(70, 70, 60) << 2 * pi * 60 << 0.01 << 120.0 << 120.0
                               << 1.0 << QPointF(70, 70) << false;
    QTest::newRow("disk r 20") << 60 << disk(30, 30, 20) << 2 * pi * 20 << 0.01 << 40.0 << 40.0
                               << 1.0 << QPointF(30, 30) << false;
    // Ramanujan's perimeter of an ellipse.
    QTest::newRow("ellipse 90 x 30") << 200 << ellipse(100, 100, 90, 30)
                                     << pi * (3 * 120 - std::sqrt((3 * 90 + 30) * (90 + 3 * 30)))
                                     << 0.01 << 180.0 << 60.0 << 1.0 << QPointF(100, 100) << false;
    QTest::newRow("ragged disk r 60") << 140 << raggedDisk(70, 70, 60) << 2 * pi * 60 << 0.02
                                      << 120.0 << 120.0 << 2.5 << QPointF(70, 70) << true;
    // Across a long thin strip the width changes by 2.6 pixels a degree that the
    // digitised diagonal turns: it is known to 2 pixels.
    QTest::newRow("strip 150 x 20 at 30 degrees")
        << 200 << turnedRectangle(100, 100, 150, 20, 30) << 340.0 << 0.03 << std::hypot(150.0, 20.0)
        << 2 * 150.0 * 20.0 / std::hypot(150.0, 20.0) << 2.0 << QPointF(100, 100) << false;
}

void TestLeafSplit::measuresOfKnownShapes()
{
    QFETCH(int, size);
    QFETCH(Shape, shape);
    QFETCH(double, perimeter);
    QFETCH(double, perimeterTolerance);
    QFETCH(double, length);
    QFETCH(double, width);
    QFETCH(double, feretTolerance);
    QFETCH(QPointF, centroid);
    QFETCH(bool, ragged);

    const QImage picture = draw(size, size, shape);
    const LeafSplit split = splitLeaves(picture, whole(picture), 1);
    QCOMPARE(split.leaves.size(), 1);
    const LeafShape& leaf = split.leaves.first();
    QCOMPARE(leaf.number, 1);
    QCOMPARE(leaf.pixels, countWhere(size, size, shape));
    QCOMPARE(split.countedPixels, leaf.pixels);
    if (!ragged) {
        QCOMPARE(leaf.holePixels, 0);
    }
    QVERIFY2(
        near(leaf.perimeter, perimeter, perimeter * perimeterTolerance),
        qPrintable(QStringLiteral("perimeter %1, true %2").arg(leaf.perimeter).arg(perimeter)));
    QVERIFY2(near(leaf.length, length, feretTolerance),
             qPrintable(QStringLiteral("length %1, true %2").arg(leaf.length).arg(length)));
    QVERIFY2(near(leaf.width, width, feretTolerance),
             qPrintable(QStringLiteral("width %1, true %2").arg(leaf.width).arg(width)));
    QVERIFY2(near(leaf.centroid.x(), centroid.x(), 0.05) &&
                 near(leaf.centroid.y(), centroid.y(), 0.05),
             qPrintable(
                 QStringLiteral("centroid %1, %2").arg(leaf.centroid.x()).arg(leaf.centroid.y())));
    QVERIFY(near(QLineF(leaf.lengthFrom, leaf.lengthTo).length(), leaf.length, 1e-9));
    QVERIFY(!leaf.touchesEdge);
    QVERIFY(leaf.outline.size() >= 4);
}

void TestLeafSplit::holesAreEnclosedUncountedPixels()
{
    // A ring with a speck in its hole, a square with two holes, and a "C" whose
    // opening runs to the border: its inside is no hole.
    const Shape ring = without(disk(60, 60, 50), disk(60, 60, 20));
    const Shape speck = rectangle(59, 59, 2, 2);
    const Shape holed =
        without(rectangle(130, 20, 80, 80), unite(rectangle(140, 30, 10, 10), disk(180, 70, 12)));
    const Shape cShape = without(rectangle(20, 130, 80, 60), rectangle(40, 150, 80, 20));
    const Shape all = unite(unite(ring, speck), unite(holed, cShape));
    const QImage picture = draw(220, 200, all);

    const LeafSplit split = splitLeaves(picture, PixelSpan{0, 0, 219, 199}, 10);
    QCOMPARE(split.leaves.size(), 3);
    QCOMPARE(split.specks, 1);
    QCOMPARE(split.speckPixels, 4);

    const LeafShape& ringLeaf = split.leaves[0];
    QCOMPARE(ringLeaf.pixels, countWhere(220, 200, ring));
    // The speck's pixels are counted ones: the hole is the rest of the inner disk.
    QCOMPARE(ringLeaf.holePixels, countWhere(220, 200, disk(60, 60, 20)) - 4);

    const LeafShape& holedLeaf = split.leaves[1];
    QCOMPARE(holedLeaf.pixels, countWhere(220, 200, holed));
    QCOMPARE(holedLeaf.holePixels, 100 + countWhere(220, 200, disk(180, 70, 12)));

    const LeafShape& cLeaf = split.leaves[2];
    QCOMPARE(cLeaf.pixels, countWhere(220, 200, cShape));
    QCOMPARE(cLeaf.holePixels, 0);
    QCOMPARE(split.countedPixels, ringLeaf.pixels + holedLeaf.pixels + cLeaf.pixels + 4);
}

void TestLeafSplit::specksAreCountedApart()
{
    // Two leaves of 100 and 36 pixels and specks of 1, 2 and 35 pixels: the minimum
    // decides, and a set of exactly the minimum is a leaf.
    const Shape shape = unite(
        unite(rectangle(10, 10, 10, 10), rectangle(40, 10, 6, 6)),
        unite(unite(rectangle(70, 10, 1, 1), rectangle(80, 10, 2, 1)), rectangle(10, 40, 5, 7)));
    const QImage picture = draw(100, 60, shape);
    const LeafSplit split = splitLeaves(picture, whole(picture), 36);
    QCOMPARE(split.leaves.size(), 2);
    QCOMPARE(split.leaves[0].pixels, 100);
    QCOMPARE(split.leaves[1].pixels, 36);
    QCOMPARE(split.specks, 3);
    QCOMPARE(split.speckPixels, 1 + 2 + 35);
    QCOMPARE(split.countedPixels, 100 + 36 + 38);

    const LeafSplit none = splitLeaves(picture, whole(picture), 101);
    QCOMPARE(none.leaves.size(), 0);
    QCOMPARE(none.specks, 5);
    QCOMPARE(none.speckPixels, none.countedPixels);
}

void TestLeafSplit::leavesAreNumberedRowByRow()
{
    // Two rows of leaves, staggered up and down within each row, and a third row
    // below a gap: rows from the top, left to right within a row, whatever the
    // leaves' sizes and heights.
    const Shape row1 = unite(unite(rectangle(70, 5, 10, 30), rectangle(10, 15, 20, 20)),
                             rectangle(40, 25, 10, 10)); // tops 5, 15, 25; all below 35
    const Shape row2 = unite(rectangle(55, 50, 30, 10), disk(20, 60, 10));
    const Shape row3 = rectangle(5, 85, 90, 5);
    const QImage picture = draw(100, 100, unite(unite(row1, row2), row3));
    const LeafSplit split = splitLeaves(picture, whole(picture), 1);
    QCOMPARE(split.leaves.size(), 6);
    const QList<int> lefts = {10, 40, 70, 10, 55, 5};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(split.leaves[i].number, i + 1);
        QCOMPARE(split.leaves[i].bounds.left(), lefts[i]);
    }

    // A leaf reaching from one row into the next joins the two rows into one.
    const QImage joined = draw(100, 100, unite(unite(row1, row2), rectangle(95, 20, 4, 40)));
    const LeafSplit one = splitLeaves(joined, whole(joined), 1);
    QCOMPARE(one.leaves.size(), 6);
    QList<int> order;
    for (const LeafShape& leaf : one.leaves) {
        order << leaf.bounds.left();
    }
    QCOMPARE(order, (QList<int>{10, 10, 40, 55, 70, 95})); // by centroid x: the disk's is 20
}

void TestLeafSplit::diagonalNeighboursMakeOneLeaf()
{
    // A staircase of single pixels touching at corners is one leaf; the white
    // pixels it separates diagonally are one 4-connected set, not holes.
    QImage picture(12, 12, QImage::Format_RGB32);
    picture.fill(Uncounted);
    for (int i = 1; i < 11; ++i) {
        picture.setPixel(i, i, Counted);
    }
    const LeafSplit split = splitLeaves(picture, whole(picture), 1);
    QCOMPARE(split.leaves.size(), 1);
    QCOMPARE(split.leaves[0].pixels, 10);
    QCOMPARE(split.leaves[0].holePixels, 0);
    // From the first centre to the last, plus half a pixel at each end.
    QCOMPARE(split.leaves[0].length, std::hypot(9.0, 9.0) + 1);
    // Nine diagonal steps there and back, less what the smoothing cuts at the two
    // turns.
    const double there = 9 * std::sqrt(2.0);
    QVERIFY2(split.leaves[0].perimeter > 0.8 * 2 * there &&
                 split.leaves[0].perimeter <= 2 * there + std::numbers::pi,
             qPrintable(QString::number(split.leaves[0].perimeter)));

    // A diamond of four pixels around one white pixel: 8-connected, so the white
    // pixel inside is enclosed.
    QImage diamond(5, 5, QImage::Format_RGB32);
    diamond.fill(Uncounted);
    for (QPoint p : {QPoint(2, 1), QPoint(1, 2), QPoint(3, 2), QPoint(2, 3)}) {
        diamond.setPixel(p, Counted);
    }
    const LeafSplit ring = splitLeaves(diamond, whole(diamond), 1);
    QCOMPARE(ring.leaves.size(), 1);
    QCOMPARE(ring.leaves[0].holePixels, 1);
}

void TestLeafSplit::edgeLeavesAreMarked_data()
{
    QTest::addColumn<PixelSpan>("span");
    QTest::addColumn<bool>("touches");

    QTest::newRow("whole picture, leaf inside") << PixelSpan{0, 0, 59, 39} << false;
    QTest::newRow("region cutting the leaf") << PixelSpan{0, 0, 25, 39} << true;
    QTest::newRow("region ending on its last row") << PixelSpan{0, 0, 59, 29} << true;
    QTest::newRow("region starting on its first column") << PixelSpan{20, 0, 59, 39} << true;
    QTest::newRow("region one pixel wider") << PixelSpan{19, 9, 40, 30} << false;
}

void TestLeafSplit::edgeLeavesAreMarked()
{
    QFETCH(PixelSpan, span);
    QFETCH(bool, touches);
    const QImage picture = draw(60, 40, rectangle(20, 10, 20, 20));
    const LeafSplit split = splitLeaves(picture, span, 1);
    QCOMPARE(split.leaves.size(), 1);
    QCOMPARE(split.leaves[0].touchesEdge, touches);
}

void TestLeafSplit::outlineGoesRoundEveryArm()
{
    // A "V" whose first pixel is the apex joining its two arms: the outline leaves
    // the apex twice before it is closed, and the perimeter holds both arms.
    const int n = 20;
    QImage picture(2 * n + 3, n + 2, QImage::Format_RGB32);
    picture.fill(Uncounted);
    const int apex = n + 1;
    picture.setPixel(apex, 0, Counted);
    for (int k = 1; k <= n; ++k) {
        picture.setPixel(apex - k, k, Counted);
        picture.setPixel(apex + k, k, Counted);
    }
    const LeafSplit split = splitLeaves(picture, whole(picture), 1);
    QCOMPARE(split.leaves.size(), 1);
    // Both arms there and back, less what the smoothing cuts at the three turns: one
    // arm alone would give half.
    const double arms = 4 * n * std::sqrt(2.0);
    QVERIFY2(split.leaves[0].perimeter > 0.9 * arms &&
                 split.leaves[0].perimeter <= arms + std::numbers::pi,
             qPrintable(QString::number(split.leaves[0].perimeter)));
    QCOMPARE(split.leaves[0].outline.size(), 4); // apex, one tip, apex, the other tip
}

void TestLeafSplit::onlyTheSpanIsRead()
{
    // Two leaves joined outside the span are two leaves inside it; the parts
    // outside are not counted.
    const Shape shape =
        unite(unite(rectangle(10, 10, 10, 30), rectangle(40, 10, 10, 30)), rectangle(10, 5, 40, 5));
    const QImage picture = draw(60, 50, shape);
    QCOMPARE(splitLeaves(picture, whole(picture), 1).leaves.size(), 1);
    const LeafSplit split = splitLeaves(picture, PixelSpan{0, 10, 59, 49}, 1);
    QCOMPARE(split.leaves.size(), 2);
    QCOMPARE(split.leaves[0].pixels, 300);
    QCOMPARE(split.leaves[1].pixels, 300);
    QVERIFY(split.leaves[0].touchesEdge);
}

void TestLeafSplit::emptyAndDegenerateInputs()
{
    const QImage blank = draw(20, 20, [](double, double) { return false; });
    QCOMPARE(splitLeaves(blank, whole(blank), 1).countedPixels, 0);
    QCOMPARE(splitLeaves(QImage(), PixelSpan{0, 0, 10, 10}, 1).leaves.size(), 0);
    QCOMPARE(splitLeaves(blank, PixelSpan{}, 1).leaves.size(), 0);

    // A full picture is one leaf touching the edge; a span beyond the picture is clipped.
    const QImage full = draw(8, 6, [](double, double) { return true; });
    const LeafSplit split = splitLeaves(full, PixelSpan{-5, -5, 100, 100}, 1);
    QCOMPARE(split.leaves.size(), 1);
    QCOMPARE(split.leaves[0].pixels, 48);
    QVERIFY(split.leaves[0].touchesEdge);
    QCOMPARE(split.leaves[0].length, std::hypot(7.0, 5.0) + 1);

    // Rows are read 64 pixels at a time: runs across a word's end, and runs that end
    // on the last pixel of a row that fills whole words.
    const QImage words = draw(128, 4, unite(rectangle(60, 0, 10, 2), rectangle(100, 2, 28, 2)));
    const LeafSplit across = splitLeaves(words, whole(words), 1);
    QCOMPARE(across.leaves.size(), 2);
    QCOMPARE(across.leaves[0].pixels, 20);
    QCOMPARE(across.leaves[1].pixels, 56);
    QCOMPARE(across.leaves[1].bounds, QRect(100, 2, 28, 2));
    const QImage wide = draw(64, 3, [](double, double) { return true; });
    QCOMPARE(splitLeaves(wide, whole(wide), 1).leaves.value(0).pixels, 192);

    // One pixel: its perimeter is that of a disk of one pixel's width.
    QImage dot = blank;
    dot.setPixel(5, 5, Counted);
    const LeafSplit single = splitLeaves(dot, whole(dot), 1);
    QCOMPARE(single.leaves.size(), 1);
    QCOMPARE(single.leaves[0].perimeter, std::numbers::pi);
    QCOMPARE(single.leaves[0].length, 1.0);
    QCOMPARE(single.leaves[0].width, 1.0);
    QCOMPARE(single.leaves[0].centroid, QPointF(5.5, 5.5));

    // Other formats are read as their colours: an ARGB picture with the marks.
    QImage argb =
        draw(10, 10, rectangle(2, 2, 4, 4)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(splitLeaves(argb, whole(argb), 1).countedPixels, 16);
}

namespace {

// A plain reference: sets found by flood fill, pixel by pixel.
struct Reference
{
    int width = 0;
    int height = 0;
    std::vector<char> counted;
    std::vector<int> set; // 8-connected set of each counted pixel, -1 elsewhere
    std::vector<int> gap; // 4-connected set of each uncounted pixel, -1 elsewhere
    std::vector<qint64> setPixels;
    std::vector<QPoint> setFirst;
    std::vector<char> setAtEdge;
    std::vector<qint64> gapPixels;
    std::vector<char> gapAtBorder;

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    int at(int x, int y) const { return y * width + x; }

    // Labels pixels alike with `value` from (x, y), stepping to 4 or 8 neighbours.
    int flood(std::vector<int>& label, int x0, int y0, bool value, bool diagonal, int id)
    {
        std::vector<QPoint> stack{{x0, y0}};
        label[size_t(at(x0, y0))] = id;
        int n = 0;
        while (!stack.empty()) {
            const QPoint p = stack.back();
            stack.pop_back();
            ++n;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if ((dx == 0 && dy == 0) || (!diagonal && dx != 0 && dy != 0)) {
                        continue;
                    }
                    const int x = p.x() + dx;
                    const int y = p.y() + dy;
                    if (inside(x, y) && bool(counted[size_t(at(x, y))]) == value &&
                        label[size_t(at(x, y))] < 0) {
                        label[size_t(at(x, y))] = id;
                        stack.push_back({x, y});
                    }
                }
            }
        }
        return n;
    }

    explicit Reference(const QImage& picture) : width(picture.width()), height(picture.height())
    {
        counted.resize(size_t(width * height));
        set.assign(counted.size(), -1);
        gap.assign(counted.size(), -1);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                counted[size_t(at(x, y))] = isCountedPixel(picture.pixel(x, y));
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool c = counted[size_t(at(x, y))];
                std::vector<int>& label = c ? set : gap;
                if (label[size_t(at(x, y))] >= 0) {
                    continue;
                }
                if (c) {
                    setPixels.push_back(flood(set, x, y, true, true, int(setPixels.size())));
                    setFirst.push_back({x, y});
                } else {
                    gapPixels.push_back(flood(gap, x, y, false, false, int(gapPixels.size())));
                }
            }
        }
        setAtEdge.assign(setPixels.size(), 0);
        gapAtBorder.assign(gapPixels.size(), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (x == 0 || y == 0 || x == width - 1 || y == height - 1) {
                    if (counted[size_t(at(x, y))]) {
                        setAtEdge[size_t(set[size_t(at(x, y))])] = 1;
                    } else {
                        gapAtBorder[size_t(gap[size_t(at(x, y))])] = 1;
                    }
                }
            }
        }
    }

    // Whether set `s` encloses the pixel (x, y): no 4-path leads from it to the
    // border without crossing one of s's pixels.
    bool encloses(int s, int x0, int y0) const
    {
        std::vector<char> seen(counted.size(), 0);
        std::vector<QPoint> stack{{x0, y0}};
        seen[size_t(at(x0, y0))] = 1;
        while (!stack.empty()) {
            const QPoint p = stack.back();
            stack.pop_back();
            if (p.x() == 0 || p.y() == 0 || p.x() == width - 1 || p.y() == height - 1) {
                return false;
            }
            for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                const QPoint q = p + d;
                if (!seen[size_t(at(q.x(), q.y()))] && set[size_t(at(q.x(), q.y()))] != s) {
                    seen[size_t(at(q.x(), q.y()))] = 1;
                    stack.push_back(q);
                }
            }
        }
        return true;
    }

    // The uncounted pixels of the holes that set `s` encloses: of every gap off the
    // border that lies next to s and that s encloses.
    qint64 holesOf(int s) const
    {
        qint64 total = 0;
        for (size_t g = 0; g < gapPixels.size(); ++g) {
            if (gapAtBorder[g]) {
                continue;
            }
            bool next = false;
            QPoint any;
            for (int y = 0; y < height && !next; ++y) {
                for (int x = 0; x < width && !next; ++x) {
                    if (gap[size_t(at(x, y))] != int(g)) {
                        continue;
                    }
                    any = {x, y};
                    for (const QPoint d :
                         {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                        const QPoint q = QPoint(x, y) + d;
                        if (inside(q.x(), q.y()) && set[size_t(at(q.x(), q.y()))] == s) {
                            next = true;
                        }
                    }
                }
            }
            if (next && encloses(s, any.x(), any.y())) {
                total += gapPixels[g];
            }
        }
        return total;
    }
};

} // namespace

// Random pictures, from sparse dots to dense tangles with nested rings, split and
// compared with the flood fill: the same sets, pixels, holes and edge marks.
void TestLeafSplit::agreesWithAFloodFillOnRandomPictures()
{
    std::mt19937 random(20261211);
    for (int round = 0; round < 300; ++round) {
        const int width = 8 + int(random() % 40);
        const int height = 4 + int(random() % 25);
        const double density = 0.15 + 0.6 * double(random() % 1000) / 1000.0;
        QImage picture(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                picture.setPixel(x, y,
                                 double(random() % 1000) / 1000.0 < density ? Counted : Uncounted);
            }
        }
        const int minPixels = 1 + int(random() % 4);
        const LeafSplit split = splitLeaves(picture, whole(picture), minPixels);
        const Reference reference(picture);
        const QByteArray where = "round " + QByteArray::number(round);

        qint64 counted = 0;
        qint64 specks = 0;
        QList<QPoint> firsts;
        for (size_t s = 0; s < reference.setPixels.size(); ++s) {
            counted += reference.setPixels[s];
            if (reference.setPixels[s] < minPixels) {
                ++specks;
            } else {
                firsts << reference.setFirst[s];
            }
        }
        QVERIFY2(split.countedPixels == counted, where);
        QVERIFY2(split.specks == specks, where);
        QVERIFY2(split.leaves.size() == firsts.size(), where);
        for (const LeafShape& leaf : split.leaves) {
            // The reference set whose first pixel opens the leaf's top row.
            int s = -1;
            for (int x = leaf.bounds.left(); x <= leaf.bounds.right() && s < 0; ++x) {
                if (reference.counted[size_t(reference.at(x, leaf.bounds.top()))]) {
                    const int candidate = reference.set[size_t(reference.at(x, leaf.bounds.top()))];
                    if (reference.setPixels[size_t(candidate)] == leaf.pixels &&
                        reference.setFirst[size_t(candidate)].y() == leaf.bounds.top()) {
                        s = candidate;
                    }
                }
            }
            QVERIFY2(s >= 0, where + " leaf " + QByteArray::number(leaf.number));
            QVERIFY2(leaf.holePixels == reference.holesOf(s),
                     where + " holes of leaf " + QByteArray::number(leaf.number));
            QVERIFY2(leaf.touchesEdge == bool(reference.setAtEdge[size_t(s)]), where);
            QVERIFY2(std::isfinite(leaf.perimeter) && leaf.perimeter >= 3, where);
            // The length against every pair of the leaf's pixels.
            QList<QPoint> pixels;
            for (int y = 0; y < reference.height; ++y) {
                for (int x = 0; x < reference.width; ++x) {
                    if (reference.set[size_t(reference.at(x, y))] == s) {
                        pixels << QPoint(x, y);
                    }
                }
            }
            double longest = 0;
            for (qsizetype a = 0; a < pixels.size(); ++a) {
                for (qsizetype b = a + 1; b < pixels.size(); ++b) {
                    longest = std::max(longest, QLineF(pixels[a], pixels[b]).length());
                }
            }
            QVERIFY2(near(leaf.length, longest + 1, 1e-9),
                     where + " length of leaf " + QByteArray::number(leaf.number));
            QVERIFY2(leaf.length >= 1 && leaf.width >= 1 && leaf.width <= leaf.length + 1e-9,
                     where);
        }
    }
}

QTEST_GUILESS_MAIN(TestLeafSplit)
#include "tst_leafsplit.moc"
