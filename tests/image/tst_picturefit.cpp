#include "image/PictureFit.h"

#include <QTest>

using verimetra::computeFit;
using verimetra::FitCache;
using verimetra::PictureFit;

namespace {

// A picture whose every pixel differs from its neighbours, so that any change in
// resampling shows.
QImage pattern(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 53) & 255, (x * y) & 255));
        }
    }
    return image.convertToFormat(format);
}

QImage freshScale(const QImage& loaded, QSize size)
{
    return loaded.convertToFormat(QImage::Format_RGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

class TestPictureFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fit_data();
    void fit();
    void invalidFit_data();
    void invalidFit();
    void cacheMatchesFreshScale_data();
    void cacheMatchesFreshScale();
    void cacheShrinkAveragesPixels();
    void cacheRepeatIsShared();
    void cacheSeesChangedPictureAndSize();
    void cacheSameSizeSharesLoadedPicture();
};

void TestPictureFit::fit_data()
{
    QTest::addColumn<int>("clientHeight");
    QTest::addColumn<QSize>("loaded");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");

    QTest::newRow("3x2 in 3, width 4.5 to even") << 3 << QSize(3, 2) << 1.5 << 4.0 << 3.0;
    QTest::newRow("1200x900 in 600")
        << 600 << QSize(1200, 900) << double(600.0f / 900.0f) << 800.0 << 600.0;
    QTest::newRow("enlarged 5x2 in 5, width 12.5 to even")
        << 5 << QSize(5, 2) << 2.5 << 12.0 << 5.0;
    QTest::newRow("enlarged 7x2 in 5, width 17.5 to even")
        << 5 << QSize(7, 2) << 2.5 << 18.0 << 5.0;
    QTest::newRow("same height") << 750 << QSize(1000, 750) << 1.0 << 1000.0 << 750.0;
    QTest::newRow("scan 823x1169 in 700")
        << 700 << QSize(823, 1169) << double(700.0f / 1169.0f) << 493.0 << 700.0;
    QTest::newRow("at the pixel limit") << 15811 << QSize(1, 1) << 15811.0 << 15811.0 << 15811.0;
}

void TestPictureFit::fit()
{
    QFETCH(int, clientHeight);
    QFETCH(QSize, loaded);
    QFETCH(double, ratio);
    QFETCH(double, width);
    QFETCH(double, height);

    const PictureFit fit = computeFit(clientHeight, loaded);
    QVERIFY(fit.isValid());
    QCOMPARE(fit.ratio, ratio);
    QCOMPARE(fit.width, width);
    QCOMPARE(fit.height, height);
}

void TestPictureFit::invalidFit_data()
{
    QTest::addColumn<int>("clientHeight");
    QTest::addColumn<QSize>("loaded");

    QTest::newRow("zero height") << 600 << QSize(100, 0);
    QTest::newRow("zero width") << 600 << QSize(0, 100);
    QTest::newRow("zero client height") << 0 << QSize(100, 100);
    QTest::newRow("negative client height") << -5 << QSize(100, 100);
    QTest::newRow("width rounds to nothing") << 10 << QSize(1, 1000);
    QTest::newRow("taller than 65535") << 65536 << QSize(1, 100);
    QTest::newRow("wider than 65535") << 100 << QSize(70000, 100);
    QTest::newRow("more pixels than the limit") << 20000 << QSize(2, 1);
}

void TestPictureFit::invalidFit()
{
    QFETCH(int, clientHeight);
    QFETCH(QSize, loaded);

    const PictureFit fit = computeFit(clientHeight, loaded);
    QVERIFY(!fit.isValid());
    QCOMPARE(fit.width, 0.0);
    QCOMPARE(fit.height, 0.0);
}

void TestPictureFit::cacheMatchesFreshScale_data()
{
    QTest::addColumn<QImage>("loaded");
    QTest::addColumn<QSize>("size");

    QTest::newRow("shrink") << pattern(90, 60) << QSize(31, 20);
    QTest::newRow("enlarge") << pattern(9, 6) << QSize(40, 27);
    QTest::newRow("unequal factors") << pattern(50, 50) << QSize(17, 43);
    QTest::newRow("grey source") << pattern(40, 30, QImage::Format_Grayscale8) << QSize(16, 12);
    QTest::newRow("same size") << pattern(12, 8) << QSize(12, 8);
    QTest::newRow("same size, grey") << pattern(12, 8, QImage::Format_Grayscale8) << QSize(12, 8);
}

void TestPictureFit::cacheMatchesFreshScale()
{
    QFETCH(QImage, loaded);
    QFETCH(QSize, size);

    FitCache cache;
    const QImage expected = freshScale(loaded, size);
    const QImage first = cache.scaled(loaded, size);
    QCOMPARE(first.format(), QImage::Format_RGB32);
    QCOMPARE(first.size(), size);
    QCOMPARE(first, expected);
    QCOMPARE(cache.scaled(loaded, size), expected);
}

void TestPictureFit::cacheShrinkAveragesPixels()
{
    // A fine black-and-white checkerboard shrunk four times must turn grey, not keep
    // one of its two colours as a nearest-pixel pick would.
    QImage board(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    FitCache cache;
    const QImage small = cache.scaled(board, QSize(2, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            const int grey = qGreen(small.pixel(x, y));
            QVERIFY2(grey > 100 && grey < 156, qPrintable(QString::number(grey)));
        }
    }
}

void TestPictureFit::cacheRepeatIsShared()
{
    const QImage loaded = pattern(80, 60);
    const QSize size(30, 22);
    FitCache cache;
    QImage first = cache.scaled(loaded, size);
    const QImage second = cache.scaled(loaded, size);
    QCOMPARE(second.cacheKey(), first.cacheKey());
    QCOMPARE(second.constBits(), first.constBits());

    // Painting on what was handed out must not reach the kept fit.
    first.fill(Qt::black);
    QCOMPARE(cache.scaled(loaded, size), freshScale(loaded, size));
}

void TestPictureFit::cacheSeesChangedPictureAndSize()
{
    QImage loaded = pattern(60, 40);
    FitCache cache;
    const QImage before = cache.scaled(loaded, QSize(30, 20));

    loaded.fill(Qt::white);
    const QImage afterChange = cache.scaled(loaded, QSize(30, 20));
    QCOMPARE(afterChange, freshScale(loaded, QSize(30, 20)));
    QVERIFY(afterChange != before);

    const QImage otherSize = cache.scaled(loaded, QSize(45, 30));
    QCOMPARE(otherSize.size(), QSize(45, 30));

    const QImage other = pattern(60, 40).mirrored();
    QCOMPARE(cache.scaled(other, QSize(45, 30)), freshScale(other, QSize(45, 30)));

    cache.clear();
    QCOMPARE(cache.scaled(other, QSize(45, 30)), freshScale(other, QSize(45, 30)));
}

void TestPictureFit::cacheSameSizeSharesLoadedPicture()
{
    const QImage loaded = pattern(25, 15);
    FitCache cache;
    const QImage result = cache.scaled(loaded, loaded.size());
    QCOMPARE(result.constBits(), loaded.constBits());
}

QTEST_GUILESS_MAIN(TestPictureFit)
#include "tst_picturefit.moc"
