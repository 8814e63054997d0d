#include "analysis/AreaMeasurement.h"
#include "analysis/ColourValue.h"
#include "analysis/Region.h"

#include <QImage>
#include <QTest>

#include <bit>
#include <cstdint>

using namespace verimetra;

namespace {

constexpr QRgb BlackRgb = 0xFF000000u;
constexpr QRgb WhiteRgb = 0xFFFFFFFFu;
constexpr QRgb RedRgb = 0xFFFF0000u;

QImage filled(int width, int height, QRgb rgb)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(rgb);
    return image;
}

std::uint64_t bitsOf(double value)
{
    return std::bit_cast<std::uint64_t>(value);
}

} // namespace

class TestAreaMeasurement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noBlackCountsZero();
    void onlyExactBlackCounts();
    void roundedBounds_data();
    void roundedBounds();
    void wholePictureBeyondEdge();
    void marksRegionOnly();
    void sharedPictureKeepsOriginal();
    void workedExample();
    void secondScale();
    void knownLengthSquares();
};

void TestAreaMeasurement::noBlackCountsZero()
{
    QImage image = filled(4, 4, qRgb(10, 10, 10));
    QCOMPARE(countAndMarkBlack(image, {0, 0, 4, 4}), std::int64_t(0));
    QCOMPARE(image, filled(4, 4, WhiteRgb));
}

// Colour value 1 (red 1) is not black; the alpha byte does not matter.
void TestAreaMeasurement::onlyExactBlackCounts()
{
    QImage image(3, 1, QImage::Format_RGB32);
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(0));
    row[0] = toRgb32(1);
    row[1] = 0x00000000u; // black with a zero alpha byte
    row[2] = BlackRgb;
    QCOMPARE(countAndMarkBlack(image, {0, 0, 2, 0}), std::int64_t(2));
    QCOMPARE(image.pixel(0, 0), WhiteRgb);
    QCOMPARE(image.pixel(1, 0), RedRgb);
    QCOMPARE(image.pixel(2, 0), RedRgb);
}

void TestAreaMeasurement::roundedBounds_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    QTest::newRow("10.5 to 11.5") << 10.5 << 11.5 << 10 << 12;
    QTest::newRow("9.5 to 12.5") << 9.5 << 12.5 << 10 << 12;
    QTest::newRow("10.4 to 11.6") << 10.4 << 11.6 << 10 << 12;
    QTest::newRow("whole") << 10.0 << 10.0 << 10 << 10;
}

// The same bounds on both axes of a black picture: the square first..last is
// counted and marked, its neighbours stay black.
void TestAreaMeasurement::roundedBounds()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, first);
    QFETCH(int, last);
    QImage image = filled(20, 20, BlackRgb);
    const std::int64_t side = last - first + 1;
    QCOMPARE(countAndMarkBlack(image, {low, low, high, high}), side * side);
    for (int y = first - 1; y <= last + 1; ++y) {
        for (int x = first - 1; x <= last + 1; ++x) {
            const bool inside = x >= first && x <= last && y >= first && y <= last;
            QCOMPARE(image.pixel(x, y), inside ? RedRgb : BlackRgb);
        }
    }
}

// Bounds 0..width and 0..height reach one row and column past the picture (and
// beyond, for stored bounds far out); they add nothing.
void TestAreaMeasurement::wholePictureBeyondEdge()
{
    QImage image = filled(5, 3, BlackRgb);
    image.setPixel(4, 2, qRgb(200, 200, 200));
    QImage wide = image.copy();
    QCOMPARE(countAndMarkBlack(image, {0, 0, 5, 3}), std::int64_t(14));
    QCOMPARE(image.pixel(4, 2), WhiteRgb);
    QCOMPARE(countAndMarkBlack(wide, {-1e9, -1e9, 1e9, 1e9}), std::int64_t(14));
    QCOMPARE(wide, image);
}

void TestAreaMeasurement::marksRegionOnly()
{
    QImage image(5, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            image.setPixel(x, y, (x + y) % 2 ? BlackRgb : qRgb(40, 200, 90));
        }
    }
    const QImage before = image.copy();
    QCOMPARE(countAndMarkBlack(image, {1, 1, 3, 2}), std::int64_t(3));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
            const QRgb expected = inside ? ((x + y) % 2 ? RedRgb : WhiteRgb) : before.pixel(x, y);
            QCOMPARE(image.pixel(x, y), expected);
        }
    }
}

void TestAreaMeasurement::sharedPictureKeepsOriginal()
{
    QImage original = filled(4, 3, BlackRgb);
    original.setPixel(0, 0, qRgb(1, 2, 3));
    const QImage reference = original.copy();
    QImage working = original;
    QCOMPARE(countAndMarkBlack(working, {0, 1, 2, 2}), std::int64_t(6));

    QCOMPARE(original, reference);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = x <= 2 && y >= 1;
            QCOMPARE(working.pixel(x, y), inside ? RedRgb : reference.pixel(x, y));
        }
    }
}

void TestAreaMeasurement::workedExample()
{
    const AreaSteps steps = computeArea(30, 20, 10, 1, 357);
    QCOMPARE(steps.pictureHeightReal, 2.0);
    QCOMPARE(steps.pictureWidthReal, 3.0);
    QCOMPARE(steps.pictureAreaReal, 6.0);
    QCOMPARE(steps.pictureAreaPixels, 600.0);
    QCOMPARE(bitsOf(steps.areaPerPixel), bitsOf(0.01));
    QCOMPARE(bitsOf(steps.measuredArea), bitsOf(3.5700000000000003));
}

void TestAreaMeasurement::secondScale()
{
    const AreaSteps steps = computeArea(30, 20, 15, 2, 357);
    QCOMPARE(bitsOf(steps.measuredArea), bitsOf(6.346666666666667));
}

// The known length enters squared, its sign drops out.
void TestAreaMeasurement::knownLengthSquares()
{
    const double one = computeArea(640, 480, 123.4, 1, 9876).measuredArea;
    QCOMPARE(bitsOf(computeArea(640, 480, 123.4, 2, 9876).measuredArea), bitsOf(4 * one));
    QCOMPARE(bitsOf(computeArea(640, 480, 123.4, -1, 9876).measuredArea), bitsOf(one));
    QCOMPARE(computeArea(640, 480, 123.4, 0, 9876).measuredArea, 0.0);
}

QTEST_GUILESS_MAIN(TestAreaMeasurement)
#include "tst_areameasurement.moc"
