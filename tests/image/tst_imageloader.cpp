#include "image/ImageLoader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>

using verimetra::leafNameOf;
using verimetra::LoadedImage;
using verimetra::loadImageFile;

namespace {

QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgb((x * 67 + y * 13) & 255, (x * 29 + y * 101) & 255,
                                (x * 7 + y * 31 + 90) & 255));
        }
    }
    return image;
}

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        qFatal("cannot write the %s fixture: %s", format, qPrintable(writer.errorString()));
    }
    return bytes;
}

void appendBigEndian32(QByteArray& bytes, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.append(char(value >> shift & 0xFF));
    }
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= uchar(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
        }
    }
    return ~crc;
}

void appendPngChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    appendBigEndian32(png, quint32(data.size()));
    const QByteArray body = QByteArray(type) + data;
    png += body;
    appendBigEndian32(png, crc32(body));
}

// The start of a PNG file: signature and header of an 8-bit RGB picture of that size,
// and the start of its pixel data, which the file lacks.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian32(header, width);
    appendBigEndian32(header, height);
    header.append("\x08\x02\x00\x00\x00", 5);
    appendPngChunk(png, "IHDR", header);
    appendBigEndian32(png, 1000);
    png += "IDAT";
    return png;
}

// An uncompressed GIF of an Indexed8 picture with at most four colours: every pixel
// is its own code, and a clear code after each two keeps the codes three bits wide.
QByteArray gif(const QImage& indexed)
{
    const int width = indexed.width();
    const int height = indexed.height();
    QByteArray bytes("GIF89a");
    const auto append16 = [&bytes](int v) {
        bytes.append(char(v & 0xFF));
        bytes.append(char(v >> 8 & 0xFF));
    };
    append16(width);
    append16(height);
    bytes.append("\x91\x00\x00", 3); // global colour table of four entries
    for (int i = 0; i < 4; ++i) {
        const QRgb c = i < indexed.colorCount() ? indexed.color(i) : 0;
        bytes.append(char(qRed(c)));
        bytes.append(char(qGreen(c)));
        bytes.append(char(qBlue(c)));
    }
    bytes.append(',');
    append16(0);
    append16(0);
    append16(width);
    append16(height);
    bytes.append('\0');
    bytes.append('\2'); // code size

    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            codes.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    constexpr int clear = 4;
    constexpr int end = 5;
    int sinceClear = 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (sinceClear == 2) {
                put(clear);
                sinceClear = 0;
            }
            put(indexed.pixelIndex(x, y));
            ++sinceClear;
        }
    }
    put(end);
    if (count > 0) {
        codes.append(char(bits & 0xFF));
    }
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        bytes.append(char(block.size()));
        bytes += block;
    }
    bytes.append('\0');
    bytes.append(';');
    return bytes;
}

QImage indexedPicture()
{
    QImage image(3, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(10, 20, 30), qRgb(250, 240, 5), qRgb(0, 128, 255), qRgb(90, 0, 60)});
    const int indices[2][3] = {{0, 1, 2}, {3, 2, 1}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            image.setPixel(x, y, uint(indices[y][x]));
        }
    }
    return image;
}

// A segment that puts EXIF orientation `orientation` into a JPEG, right after its
// start marker.
QByteArray withExifOrientation(const QByteArray& jpeg, quint16 orientation)
{
    QByteArray exif("Exif\0\0", 6);
    exif.append("MM\0\x2A\0\0\0\x08", 8);       // big-endian TIFF header, first directory at 8
    exif.append("\0\x01", 2);                   // one entry
    exif.append("\x01\x12\0\x03\0\0\0\x01", 8); // orientation, SHORT, one value
    exif.append(char(orientation >> 8));
    exif.append(char(orientation & 0xFF));
    exif.append("\0\0", 2);
    exif.append("\0\0\0\0", 4); // no next directory
    QByteArray segment("\xFF\xE1", 2);
    const int length = int(exif.size()) + 2;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    segment += exif;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// A JPEG that carries a whole small JPEG (with its own end marker) in an
// application segment, as camera thumbnails are carried.
QByteArray withThumbnail(const QByteArray& jpeg)
{
    const QByteArray thumbnail = encode(solid(8, 8, qRgb(0, 200, 0)), "jpeg");
    QByteArray segment("\xFF\xE2", 2);
    const int length = int(thumbnail.size()) + 2;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    segment += thumbnail;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

int largestDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

class TestImageLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loads_data();
    void loads();
    void refuses_data();
    void refuses();
    void appliesExifOrientation();
    void opensRealScan();
    void leafName_data();
    void leafName();

private:
    QString write(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

void TestImageLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestImageLoader::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

void TestImageLoader::loads_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");

    const QImage colours = pattern(5, 3);
    QTest::newRow("png") << "a.png" << encode(colours, "png") << colours << 0;
    QTest::newRow("bmp") << "a.bmp" << encode(colours, "bmp") << colours << 0;
    QTest::newRow("ppm") << "a.ppm" << encode(colours, "ppm") << colours << 0;
    QTest::newRow("tiff") << "a.tif" << encode(colours, "tiff") << colours << 0;
    QTest::newRow("webp lossless") << "a.webp" << encode(colours, "webp", 100) << colours << 0;
    QTest::newRow("gif") << "a.gif" << gif(indexedPicture())
                         << indexedPicture().convertToFormat(QImage::Format_RGB32) << 0;

    const QImage orange = solid(24, 16, qRgb(230, 140, 40));
    QTest::newRow("jpeg") << "a.jpg" << encode(orange, "jpeg", 95) << orange << 4;
    QTest::newRow("jpeg named .jpeg") << "b.jpeg" << encode(orange, "jpeg", 95) << orange << 4;
    QTest::newRow("jpeg with a thumbnail")
        << "c.jpg" << withThumbnail(encode(orange, "jpeg", 95)) << orange << 4;
    QTest::newRow("grey jpeg")
        << "grey.jpg"
        << encode(solid(16, 16, qRgb(77, 77, 77)).convertToFormat(QImage::Format_Grayscale8),
                  "jpeg", 95)
        << solid(16, 16, qRgb(77, 77, 77)) << 2;

    const QImage grey = colours.convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("grey png") << "grey.png" << encode(grey, "png")
                              << grey.convertToFormat(QImage::Format_RGB32) << 0;
    QTest::newRow("palette png") << "palette.png" << encode(indexedPicture(), "png")
                                 << indexedPicture().convertToFormat(QImage::Format_RGB32) << 0;
    QTest::newRow("palette bmp") << "palette.bmp" << encode(indexedPicture(), "bmp")
                                 << indexedPicture().convertToFormat(QImage::Format_RGB32) << 0;

    QImage deep(3, 1, QImage::Format_RGBA64);
    deep.setPixelColor(0, 0, QColor::fromRgba64(65535, 0, 0));
    deep.setPixelColor(1, 0, QColor::fromRgba64(0, 32896, 65535));
    deep.setPixelColor(2, 0, QColor::fromRgba64(257 * 20, 257 * 40, 257 * 60));
    QTest::newRow("16-bit png") << "deep.png" << encode(deep, "png")
                                << deep.convertToFormat(QImage::Format_RGB32) << 0;

    // Transparent parts read as white paper: a clear pixel is white, a half-clear
    // one is its colour laid over white.
    QImage clear(3, 1, QImage::Format_ARGB32);
    clear.setPixel(0, 0, qRgba(0, 0, 0, 0));
    clear.setPixel(1, 0, qRgba(0, 0, 0, 255));
    clear.setPixel(2, 0, qRgba(0, 100, 200, 128));
    QImage onWhite(3, 1, QImage::Format_RGB32);
    onWhite.setPixel(0, 0, qRgb(255, 255, 255));
    onWhite.setPixel(1, 0, qRgb(0, 0, 0));
    onWhite.setPixel(2, 0, qRgb(127, 177, 227));
    QTest::newRow("transparent png") << "clear.png" << encode(clear, "png") << onWhite << 1;

    QTest::newRow("one pixel wide")
        << "thin.png" << encode(pattern(1, 6), "png") << pattern(1, 6) << 0;
    QTest::newRow("one pixel high")
        << "flat.bmp" << encode(pattern(7, 1), "bmp") << pattern(7, 1) << 0;
    QTest::newRow("png named .jpg") << "mislabelled.jpg" << encode(colours, "png") << colours << 0;
}

void TestImageLoader::loads()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);

    const LoadedImage loaded = loadImageFile(write(fileName, bytes));
    QVERIFY2(loaded.ok(), qPrintable(loaded.error));
    QCOMPARE(loaded.image.format(), QImage::Format_RGB32);
    QCOMPARE(loaded.image.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb got = loaded.image.pixel(x, y);
            const QRgb want = expected.pixel(x, y);
            QVERIFY2(largestDifference(got, want) <= tolerance,
                     qPrintable(QStringLiteral("(%1, %2): %3, expected %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(got & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                    .arg(want & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
            QCOMPARE(qAlpha(got), 255);
        }
    }
}

void TestImageLoader::refuses_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes"); // null: no file at all
    QTest::addColumn<QString>("reason");

    // Big enough that a cut leaves rows out rather than only the file's end.
    const QImage picture = pattern(64, 64);
    const QByteArray png = encode(picture, "png");
    const QByteArray jpeg = encode(picture, "jpeg", 90);
    const QByteArray bmp = encode(picture, "bmp");
    const QString damaged = QStringLiteral("the file is damaged or incomplete");

    QTest::newRow("missing") << "missing.png" << QByteArray() << "the file does not exist";
    QTest::newRow("empty") << "empty.png" << QByteArray("") << "the file is empty";
    QTest::newRow("text named .png")
        << "text.png" << QByteArray("not a picture\n") << "it is not an image Verimetra can read";
    QTest::newRow("cut png") << "cut.png" << png.left(png.size() / 2) << damaged;
    QTest::newRow("cut jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2) << damaged;
    QTest::newRow("jpeg cut before its end marker")
        << "cut-end.jpg" << jpeg.left(jpeg.size() - 2) << damaged;
    const QByteArray thumbnailed = withThumbnail(jpeg);
    QTest::newRow("cut jpeg with a whole thumbnail")
        << "cut-thumb.jpg" << thumbnailed.left(thumbnailed.size() * 3 / 4) << damaged;
    QTest::newRow("cut bmp") << "cut.bmp" << bmp.left(bmp.size() - 100) << damaged;
    QTest::newRow("100000 x 100000 png")
        << "huge.png" << pngHeaderOnly(100000, 100000)
        << QStringLiteral("the picture is 100000 × 100000 pixels, more than Verimetra can "
                          "hold (250 megapixels)");
    QTest::newRow("a few bytes claiming 15000 x 15000")
        << "claims.png" << pngHeaderOnly(15000, 15000)
        << QStringLiteral("the file is damaged: it is far too small for the 15000 × 15000");
    QTest::newRow("one row above the limit")
        << "over.png" << pngHeaderOnly(12500, 20001)
        << QStringLiteral("the picture is 12500 × 20001 pixels");
}

void TestImageLoader::refuses()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    const QString path = bytes.isNull() ? m_dir.filePath(fileName) : write(fileName, bytes);
    const LoadedImage loaded = loadImageFile(path);
    QVERIFY(!loaded.ok());
    QVERIFY(loaded.image.isNull());
    QVERIFY2(loaded.error.startsWith(reason), qPrintable(loaded.error));
}

void TestImageLoader::appliesExifOrientation()
{
    // Orientation 6: the camera was turned a quarter clockwise; shown upright, the
    // left of the stored picture is at the top.
    QImage stored(32, 16, QImage::Format_RGB32);
    stored.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            stored.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    const QByteArray jpeg = withExifOrientation(encode(stored, "jpeg", 95), 6);
    const LoadedImage loaded = loadImageFile(write(QStringLiteral("turned.jpg"), jpeg));
    QVERIFY2(loaded.ok(), qPrintable(loaded.error));
    QCOMPARE(loaded.image.size(), QSize(16, 32));
    QVERIFY(largestDifference(loaded.image.pixel(8, 4), qRgb(255, 0, 0)) < 20);
    QVERIFY(largestDifference(loaded.image.pixel(8, 28), qRgb(0, 0, 255)) < 20);
}

void TestImageLoader::opensRealScan()
{
    const QString path =
        QDir(QStringLiteral(VERIMETRA_SCANS_DIR)).filePath(QStringLiteral("A1-01.jpeg"));
    if (!QFile::exists(path)) {
        QSKIP("the folder of real scans is not here");
    }
    const LoadedImage loaded = loadImageFile(path);
    QVERIFY2(loaded.ok(), qPrintable(loaded.error));
    QCOMPARE(loaded.image.size(), QSize(823, 1169));
    QCOMPARE(loaded.image.format(), QImage::Format_RGB32);
}

void TestImageLoader::leafName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("leaf");

    QTest::newRow("three-letter extension") << "leaf01.jpg"
                                            << "leaf01";
    QTest::newRow("four-letter extension") << "leaf01.jpeg"
                                           << "leaf01";
    QTest::newRow("no extension") << "abc"
                                  << "abc";
    QTest::newRow("two dots") << "a.b.png"
                              << "a.b";
    QTest::newRow("only an extension") << ".png"
                                       << ".png";
    QTest::newRow("ends with a dot") << "name."
                                     << "name";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("non-ASCII") << QStringLiteral("Blatt Ä1.tif") << QStringLiteral("Blatt Ä1");
}

void TestImageLoader::leafName()
{
    QFETCH(QString, title);
    QFETCH(QString, leaf);
    QCOMPARE(leafNameOf(title), leaf);
}

QTEST_GUILESS_MAIN(TestImageLoader)
#include "tst_imageloader.moc"
