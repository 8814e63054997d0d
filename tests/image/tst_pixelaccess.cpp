#include "analysis/ColourValue.h"
#include "image/PixelAccess.h"

#include <QImage>
#include <QTest>

#include <limits>

using namespace verimetra;

namespace {

constexpr QRgb BlackRgb = 0xFF000000u;
constexpr QRgb WhiteRgb = 0xFFFFFFFFu;

QImage filled(int width, int height, QRgb rgb)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(rgb);
    return image;
}

// Bounding box of the pixels that differ from `background`.
QRect changedArea(const QImage& image, QRgb background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

} // namespace

class TestPixelAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void point_data();
    void point();
    void setPixelOutsideDoesNothing();
    void stampGeometry_data();
    void stampGeometry();
    void stampRepaintsOnlyBlackAndWhite();
    void stampPastEdge();
};

void TestPixelAccess::point_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("expected");

    // Picture 4 x 3, pixel (x, y) holds red x, green y, blue 7.
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("origin") << 0.0 << 0.0 << 0x070000;
    QTest::newRow("inside the pixel") << 2.7 << 1.9 << 0x070102;
    QTest::newRow("last pixel") << 3.99 << 2.99 << 0x070203;
    QTest::newRow("right edge") << 4.0 << 0.0 << -1;
    QTest::newRow("bottom edge") << 0.0 << 3.0 << -1;
    QTest::newRow("just left") << -0.5 << 0.0 << -1;
    QTest::newRow("nan") << nan << 1.0 << -1;
    QTest::newRow("far") << 1e300 << -1e300 << -1;
}

void TestPixelAccess::point()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, expected);
    QImage image(4, 3, QImage::Format_RGB32);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            image.setPixel(column, row, qRgb(column, row, 7));
        }
    }
    QCOMPARE(pointAt(image, x, y), expected);
    setPixelAt(image, x, y, 0x123456);
    if (expected != -1) {
        QCOMPARE(pointAt(image, x, y), 0x123456);
    }
}

void TestPixelAccess::setPixelOutsideDoesNothing()
{
    QImage image = filled(3, 3, WhiteRgb);
    const QImage before = image.copy();
    setPixelAt(image, -1, 1, 0);
    setPixelAt(image, 1, 3, 0);
    setPixelAt(image, std::numeric_limits<double>::quiet_NaN(), 1, 0);
    QCOMPARE(image, before);
}

void TestPixelAccess::stampGeometry_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("30 x 30 at 100") << 100.f << 100.f << 30.f << 30.f << QRect(100, 100, 31, 31);
    QTest::newRow("1 x 1") << 50.f << 60.f << 1.f << 1.f << QRect(50, 60, 2, 2);
    QTest::newRow("zero width") << 50.f << 60.f << 0.f << 5.f << QRect(50, 60, 1, 6);
    QTest::newRow("zero height") << 50.f << 60.f << 5.f << 0.f << QRect(50, 60, 6, 1);
    QTest::newRow("ties to even") << 100.5f << 101.5f << 30.f << 30.f << QRect(100, 102, 31, 31);
    QTest::newRow("fractions") << 10.4f << 10.6f << 2.2f << 2.2f << QRect(10, 11, 4, 3);
    // 0.1f + 2.4f is exactly 2.5f in float (round to 2) but above 2.5 in double.
    QTest::newRow("float sum") << 0.1f << 0.1f << 2.4f << 2.4f << QRect(0, 0, 3, 3);
    QTest::newRow("60 x 60") << 20.f << 30.f << 60.f << 60.f << QRect(20, 30, 61, 61);
}

void TestPixelAccess::stampGeometry()
{
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QRect, expected);
    QImage image = filled(200, 200, WhiteRgb);
    QCOMPARE(stamp(image, left, top, width, height, colour::Black), expected);
    QCOMPARE(changedArea(image, WhiteRgb), expected);
    for (int y = expected.top(); y <= expected.bottom(); ++y) {
        for (int x = expected.left(); x <= expected.right(); ++x) {
            QCOMPARE(image.pixel(x, y), BlackRgb);
        }
    }
}

void TestPixelAccess::stampRepaintsOnlyBlackAndWhite()
{
    QImage image(5, 1, QImage::Format_RGB32);
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(0));
    row[0] = WhiteRgb;
    row[1] = BlackRgb;
    row[2] = toRgb32(colour::Red); // a measurement mark
    row[3] = qRgb(60, 120, 40);
    row[4] = 0x00FFFFFFu; // white with a zero alpha byte

    QImage brushed = image.copy();
    QCOMPARE(stamp(brushed, 0, 0, 4, 0, colour::Black), QRect(0, 0, 5, 1));
    QCOMPARE(brushed.pixel(0, 0), BlackRgb);
    QCOMPARE(brushed.pixel(1, 0), BlackRgb);
    QCOMPARE(brushed.pixel(2, 0), 0xFFFF0000u);
    QCOMPARE(brushed.pixel(3, 0), qRgb(60, 120, 40));
    QCOMPARE(brushed.pixel(4, 0), BlackRgb);

    const int eraser = 0xC8D0D4; // some window background
    QImage erased = image.copy();
    stamp(erased, 0, 0, 4, 0, eraser);
    QCOMPARE(pointAt(erased, 0, 0), eraser);
    QCOMPARE(pointAt(erased, 1, 0), eraser);
    QCOMPARE(pointAt(erased, 2, 0), colour::Red);
    QCOMPARE(erased.pixel(3, 0), qRgb(60, 120, 40));
    QCOMPARE(pointAt(erased, 4, 0), eraser);
}

void TestPixelAccess::stampPastEdge()
{
    QImage image = filled(10, 10, WhiteRgb);
    QCOMPARE(stamp(image, 7, 8, 5, 5, colour::Black), QRect(7, 8, 3, 2));
    QCOMPARE(changedArea(image, WhiteRgb), QRect(7, 8, 3, 2));

    QImage corner = filled(10, 10, WhiteRgb);
    QCOMPARE(stamp(corner, -20, -3, 21, 4, colour::Black), QRect(0, 0, 2, 2));
    QCOMPARE(changedArea(corner, WhiteRgb), QRect(0, 0, 2, 2));

    QImage missed = filled(10, 10, WhiteRgb);
    QVERIFY(stamp(missed, 11, 2, 5, 5, colour::Black).isEmpty());
    QVERIFY(stamp(missed, -40, 2, 30, 5, colour::Black).isEmpty());
    QCOMPARE(missed, filled(10, 10, WhiteRgb));
}

QTEST_GUILESS_MAIN(TestPixelAccess)
#include "tst_pixelaccess.moc"
