#include "analysis/ColourValue.h"
#include "analysis/Conversion.h"
#include "analysis/Region.h"

#include <QImage>
#include <QTest>

#include <cmath>
#include <limits>

using namespace verimetra;

Q_DECLARE_METATYPE(verimetra::RegionBounds)

namespace {

constexpr QRgb BlackRgb = 0xFF000000u;
constexpr QRgb WhiteRgb = 0xFFFFFFFFu;

int colourValueOf(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}

QImage filled(int width, int height, QRgb rgb)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(rgb);
    return image;
}

RegionBounds wholePicture(const QImage& image)
{
    return {0, 0, double(image.width()), double(image.height())};
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levels_data();
    void levels();
    void blueThirdsAgreeWithLevel();
    void spans_data();
    void spans();
    void regionLeavesOutsideAlone();
    void wholePictureBoundsIncludeEdge();
    void sharedPictureKeepsOriginal();
};

void TestConversion::levels_data()
{
    QTest::addColumn<int>("colourValue");
    QTest::addColumn<int>("level");

    QTest::newRow("white") << colourValueOf(255, 255, 255) << 595;
    QTest::newRow("black") << colourValueOf(0, 0, 0) << 0;
    QTest::newRow("leaf green") << colourValueOf(60, 120, 40) << 193;
    QTest::newRow("at 300") << colourValueOf(150, 150, 0) << 300;
    QTest::newRow("100,150,200") << colourValueOf(100, 150, 200) << 317;
    QTest::newRow("red") << colourValueOf(255, 0, 0) << 255;
    QTest::newRow("blue") << colourValueOf(0, 0, 255) << 85;
    QTest::newRow("yellow") << colourValueOf(255, 255, 0) << 510;
    QTest::newRow("blue 1") << colourValueOf(0, 0, 1) << 0;
    QTest::newRow("blue 2") << colourValueOf(0, 0, 2) << 1;
    QTest::newRow("outside") << colour::Outside << 595;
}

// The level itself, and that the pass turns a pixel of that level black exactly at
// a threshold equal to it and white one below.
void TestConversion::levels()
{
    QFETCH(int, colourValue);
    QFETCH(int, level);
    QCOMPARE(colourLevel(colourValue), level);
    if (colourValue == colour::Outside) {
        return;
    }

    QImage atLevel = filled(1, 1, toRgb32(colourValue));
    convertToBlackAndWhite(atLevel, wholePicture(atLevel), level);
    QCOMPARE(atLevel.pixel(0, 0), BlackRgb);

    QImage below = filled(1, 1, toRgb32(colourValue));
    convertToBlackAndWhite(below, wholePicture(below), level - 1);
    QCOMPARE(below.pixel(0, 0), WhiteRgb);
}

// The pass compares in whole numbers; every blue value and every threshold near the
// levels it gives must decide as red + green + round(blue / 3) does.
void TestConversion::blueThirdsAgreeWithLevel()
{
    QImage ramp(256, 1, QImage::Format_RGB32);
    for (int blue = 0; blue < 256; ++blue) {
        ramp.setPixel(blue, 0, qRgb(7, 3, blue));
    }
    for (int threshold = 0; threshold <= 100; ++threshold) {
        QImage image = ramp.copy();
        convertToBlackAndWhite(image, {0, 0, 255, 0}, threshold);
        for (int blue = 0; blue < 256; ++blue) {
            const bool black = colourLevel(colourValueOf(7, 3, blue)) <= threshold;
            QCOMPARE(image.pixel(blue, 0), black ? BlackRgb : WhiteRgb);
        }
    }
}

void TestConversion::spans_data()
{
    QTest::addColumn<RegionBounds>("region");
    QTest::addColumn<int>("x0");
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("y0");
    QTest::addColumn<int>("y1");

    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    // Picture 10 x 8; x1 < x0 means nothing is visited.
    QTest::newRow("whole") << RegionBounds{0, 0, 10, 8} << 0 << 9 << 0 << 7;
    QTest::newRow("steps from left") << RegionBounds{1.5, 2.7, 3.2, 4.6} << 1 << 2 << 2 << 3;
    QTest::newRow("single pixel") << RegionBounds{4.9, 1.2, 4.9, 1.2} << 4 << 4 << 1 << 1;
    QTest::newRow("reversed") << RegionBounds{5, 0, 4, 8} << 0 << -1 << 0 << -1;
    QTest::newRow("left of picture") << RegionBounds{-5, -3, 2, 1} << 0 << 2 << 0 << 1;
    QTest::newRow("past picture") << RegionBounds{12, 0, 20, 8} << 0 << -1 << 0 << -1;
    QTest::newRow("huge") << RegionBounds{-1e300, -1e300, 1e300, 1e300} << 0 << 9 << 0 << 7;
    QTest::newRow("infinite right") << RegionBounds{3, 0, inf, 8} << 3 << 9 << 0 << 7;
    QTest::newRow("infinite left") << RegionBounds{-inf, 0, 5, 8} << 0 << -1 << 0 << -1;
    QTest::newRow("nan") << RegionBounds{nan, 0, 5, 8} << 0 << -1 << 0 << -1;
}

void TestConversion::spans()
{
    QFETCH(RegionBounds, region);
    QFETCH(int, x0);
    QFETCH(int, x1);
    QFETCH(int, y0);
    QFETCH(int, y1);
    const PixelSpan span = conversionSpan(region, QSize(10, 8));
    if (x1 < x0) {
        QVERIFY(span.isEmpty());
        return;
    }
    QCOMPARE(span.x0, x0);
    QCOMPARE(span.x1, x1);
    QCOMPARE(span.y0, y0);
    QCOMPARE(span.y1, y1);
}

void TestConversion::regionLeavesOutsideAlone()
{
    const QRgb dark = qRgb(60, 120, 40);
    const QRgb light = qRgb(100, 150, 200);
    QImage image(6, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            image.setPixel(x, y, (x + y) % 2 ? dark : light);
        }
    }
    const QImage before = image.copy();
    convertToBlackAndWhite(image, {1.5, 1, 3.2, 2}, 300); // columns 1..2, rows 1..2

    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            const QRgb expected = inside ? ((x + y) % 2 ? BlackRgb : WhiteRgb) : before.pixel(x, y);
            QCOMPARE(image.pixel(x, y), expected);
        }
    }
}

void TestConversion::wholePictureBoundsIncludeEdge()
{
    QImage image = filled(3, 2, qRgb(60, 120, 40));
    image.setPixel(2, 1, qRgb(255, 255, 0));
    convertToBlackAndWhite(image, wholePicture(image), 300);
    QCOMPARE(image.size(), QSize(3, 2));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(image.pixel(x, y), (x == 2 && y == 1) ? WhiteRgb : BlackRgb);
        }
    }
}

// The working picture often shares its pixels with a cached copy: the pass must
// write its own buffer, carry the pixels outside the region over, and leave the
// other holder as it was.
void TestConversion::sharedPictureKeepsOriginal()
{
    QImage original(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            original.setPixel(x, y, qRgb(20 * x, 30 * y, 90));
        }
    }
    const QImage reference = original.copy();
    QImage working = original;
    convertToBlackAndWhite(working, {1, 0, 2, 1}, 300);

    QCOMPARE(original, reference);
    QVERIFY(working.constBits() != original.constBits());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 2 && y <= 1;
            const QRgb expected = inside ? BlackRgb : reference.pixel(x, y);
            QCOMPARE(working.pixel(x, y), expected);
        }
    }
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
