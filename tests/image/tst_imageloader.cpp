#include "image/ImageLoader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>

using verimetra::leafNameOf;
using verimetra::loadImageFile;
using verimetra::Result;

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

// The offset of the first segment of a JPEG with `marker` (0xC0 for a baseline
// frame, 0xDA for a scan), walking the segments from the start; -1 if none.
qsizetype jpegSegment(const QByteArray& jpeg, uchar marker)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        if (uchar(jpeg[at + 1]) == marker) {
            return at;
        }
        at += 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
    }
    return -1;
}

QByteArray progressiveJpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(90);
    if (!writer.write(image)) {
        qFatal("cannot write a progressive JPEG");
    }
    return bytes;
}

// A JPEG of `jpeg`'s scans whose frame claims width x height, padded with comment
// segments to about `padding` bytes: a small file that says it holds a huge picture.
QByteArray jpegClaiming(QByteArray jpeg, int width, int height, int padding)
{
    qsizetype frame = jpegSegment(jpeg, 0xC0);
    if (frame < 0) {
        frame = jpegSegment(jpeg, 0xC2);
    }
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    QByteArray comments;
    for (int left = padding; left > 0; left -= 60000) {
        const int length = std::min(left, 60000) + 2;
        comments += QByteArray("\xFF\xFE", 2) + char(length >> 8) + char(length & 0xFF) +
                    QByteArray(length - 2, 'x');
    }
    return jpeg.left(2) + comments + jpeg.mid(2);
}

// A progressive JPEG whose last scan is repeated until the file holds `scans` scans.
QByteArray jpegOfScans(int scans)
{
    const QByteArray jpeg = progressiveJpeg(pattern(16, 16));
    const qsizetype end = jpeg.size() - 2; // the end marker
    qsizetype last = -1;
    int count = 0;
    for (qsizetype at = jpegSegment(jpeg, 0xDA); at >= 0 && at < end;) {
        last = at;
        ++count;
        // The scan's coded data runs to the next marker that is not a restart.
        qsizetype next = at + 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
        while (next < end && !(uchar(jpeg[next]) == 0xFF && uchar(jpeg[next + 1]) != 0 &&
                               (uchar(jpeg[next + 1]) < 0xD0 || uchar(jpeg[next + 1]) > 0xD7))) {
            ++next;
        }
        // Tables between scans belong to the next one; find its start of scan.
        while (next < end && uchar(jpeg[next + 1]) != 0xDA) {
            next += 2 + (uchar(jpeg[next + 2]) << 8 | uchar(jpeg[next + 3]));
        }
        at = next < end ? next : -1;
    }
    const QByteArray lastScan = jpeg.mid(last, end - last);
    QByteArray out = jpeg.left(end);
    for (int i = count; i < scans; ++i) {
        out += lastScan;
    }
    return out + QByteArray("\xFF\xD9", 2);
}

void appendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes.append(char(value >> (8 * i) & 0xFF));
    }
}

// A run-length coded 8-bit BMP of width x height whose data is `dataBytes` bytes
// of "end of line" codes.
QByteArray bmpRle8Claiming(int width, int height, int dataBytes)
{
    QByteArray info;
    appendLittleEndian(info, 40, 4);
    appendLittleEndian(info, quint32(width), 4);
    appendLittleEndian(info, quint32(height), 4);
    appendLittleEndian(info, 1, 2); // planes
    appendLittleEndian(info, 8, 2); // bits a pixel
    appendLittleEndian(info, 1, 4); // RLE8
    appendLittleEndian(info, quint32(dataBytes), 4);
    appendLittleEndian(info, 2835, 4);
    appendLittleEndian(info, 2835, 4);
    appendLittleEndian(info, 256, 4);
    appendLittleEndian(info, 0, 4);
    QByteArray palette;
    for (int i = 0; i < 256; ++i) {
        appendLittleEndian(palette, quint32(i * 0x010101), 4);
    }
    const int offset = 14 + int(info.size()) + int(palette.size());
    QByteArray bmp("BM");
    appendLittleEndian(bmp, quint32(offset + dataBytes), 4);
    appendLittleEndian(bmp, 0, 4);
    appendLittleEndian(bmp, quint32(offset), 4);
    return bmp + info + palette + QByteArray(dataBytes, '\0');
}

// An animated WebP whose canvas is width x height, padded to about `padding` bytes.
QByteArray animatedWebP(int width, int height, int padding)
{
    QByteArray chunks("VP8X");
    appendLittleEndian(chunks, 10, 4);
    chunks.append(char(0x02)); // animation
    chunks.append(QByteArray(3, '\0'));
    appendLittleEndian(chunks, quint32(width - 1), 3);
    appendLittleEndian(chunks, quint32(height - 1), 3);
    chunks += "ANIM";
    appendLittleEndian(chunks, 6, 4);
    chunks += QByteArray(6, '\0');
    chunks += "ANMF";
    appendLittleEndian(chunks, quint32(padding), 4);
    chunks += QByteArray(padding, '\0');
    QByteArray riff("RIFF");
    appendLittleEndian(riff, quint32(4 + chunks.size()), 4);
    return riff + "WEBP" + chunks;
}

// A TIFF of `samples` samples a pixel (and a few bytes of data), as the probe made it.
QByteArray tiffOfSamples(quint16 samples)
{
    QByteArray tiff = QByteArray::fromBase64("SUkqAAgAAAAJAAABBAABAAAA6AMAAAEBBAABAAAA6AMAAAIBAwABA"
                                             "AAACAAAAAMBAwABAAAACAAAAAYBAwABAAAAAQA"
                                             "AABEBBAABAAAAegAAABUBAwABAAAAuAsAABYBBAABAAAA6AMAABcB"
                                             "BAABAAAAEQAAAAAAAAB4nGNgGAWjYBQMdwAAA+gA"
                                             "AQ==");
    // Entry 277 (samples a pixel) is the seventh of the directory at offset 8.
    const qsizetype value = 8 + 2 + 6 * 12 + 8;
    tiff[value] = char(samples & 0xFF);
    tiff[value + 1] = char(samples >> 8);
    return tiff;
}

// A little-endian LZW TIFF of width x height, 8 bits, whose directory lists `counts`
// strip sizes of 4 GB each for its one strip of a few bytes.
QByteArray tiffOfStripCounts(quint32 width, quint32 height, int counts)
{
    QByteArray tiff("II*\0", 4);
    appendLittleEndian(tiff, 8, 4); // the directory follows
    const int entries = 7;
    const quint32 arrayAt = 8 + 2 + entries * 12 + 4;
    const quint32 dataAt = arrayAt + 4 * quint32(counts);
    appendLittleEndian(tiff, entries, 2);
    const auto entry = [&tiff](quint16 tag, quint16 type, quint32 count, quint32 value) {
        appendLittleEndian(tiff, tag, 2);
        appendLittleEndian(tiff, type, 2);
        appendLittleEndian(tiff, count, 4);
        appendLittleEndian(tiff, value, 4);
    };
    entry(256, 4, 1, width);
    entry(257, 4, 1, height);
    entry(258, 3, 1, 8);
    entry(259, 3, 1, 5); // LZW
    entry(273, 4, 1, dataAt);
    entry(277, 3, 1, 1);
    entry(279, 4, quint32(counts), arrayAt);
    appendLittleEndian(tiff, 0, 4); // no next directory
    tiff += QByteArray(4 * counts, '\xFF');
    return tiff + QByteArray(16, '\x80');
}

QString dataFile(const char* name)
{
    return QDir(QStringLiteral(VERIMETRA_SOURCE_DIR))
        .filePath(QStringLiteral("tests/data/") + QLatin1String(name));
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
    void opensBilevelScans();
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
    // VERIMETRA_DUMP_FILES=<folder> keeps a copy of every file the tests make there,
    // named after the test row: how the image loader's fuzz corpus got them.
    const QString dump = qEnvironmentVariable("VERIMETRA_DUMP_FILES");
    if (!dump.isEmpty() && QTest::currentDataTag()) {
        QFile copy(
            QDir(dump).filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-') +
                                u'.' + QFileInfo(name).suffix()));
        if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(copy.fileName()));
        }
    }
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
    QTest::newRow("tiff") << "a.tif" << encode(colours, "tiff") << colours << 0;
    QTest::newRow("webp lossless") << "a.webp" << encode(colours, "webp", 100) << colours << 0;
    QTest::newRow("tiff of 16-bit samples")
        << "deep.tif" << encode(colours.convertToFormat(QImage::Format_RGBX64), "tiff") << colours
        << 0;
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
    QTest::newRow("progressive jpeg") << "p.jpg" << progressiveJpeg(orange) << orange << 4;
    QTest::newRow("webp lossy") << "lossy.webp" << encode(orange, "webp", 90) << orange << 8;

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

    const Result<QImage> loaded = loadImageFile(write(fileName, bytes));
    QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
    const QImage& image = loaded.value();
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(image.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb got = image.pixel(x, y);
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
    const QString otherFormat =
        QStringLiteral("it is not an image in a format Verimetra reads (PNG, JPEG, TIFF, BMP, "
                       "WebP and GIF)");
    QTest::newRow("text named .png") << "text.png" << QByteArray("not a picture\n") << otherFormat;
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
    QTest::newRow("16-bit png of 200 megapixels")
        << "deep-huge.png" << pngHeaderOnly(10000, 20000).replace("\x08\x02", "\x10\x02")
        << QStringLiteral("the picture is 10000 × 20000 pixels at a depth that would take");

    // Files that made the readers of other formats take gigabytes, loop for ever or
    // take garbage for a picture: refused by their contents, whatever their names.
    QTest::newRow("mng taking 4 GB") << "a.png"
                                     << QByteArray::fromBase64("ik1ORw0KGgoAAAANSUhEUgAAPbgAAD24E"
                                                               "AYAAAD26TgNAAAAAklEQVR4nGKkkSsA"
                                                               "AAAASUVORK5CYII=")
                                     << otherFormat;
    QTest::newRow("mng looping for ever")
        << "loop.mng"
        << QByteArray::fromBase64("ik1ORw0KGgoAAAAcTUhEUgAAAAEAAAABAAAD6AAAAAAAAAAAAAAAAAAAAAEgke1"
                                  "4AAAABUxPT1AAf////6M9r0MAAAABRU5ETAAGpSo/")
        << otherFormat;
    QTest::newRow("mng of 60 bytes")
        << "b.mng"
        << QByteArray::fromBase64("ik1ORw0KGgoAAAAcTUhEUgAAPbgAAD24AAAD6AAAAAAAAAAAAAAAAAAAAAHWMGn"
                                  "BAAAAAE1FTkQhIPfV")
        << otherFormat;
    QByteArray jngHeader;
    appendBigEndian32(jngHeader, 15800);
    appendBigEndian32(jngHeader, 15800);
    jngHeader.append("\x0a\x08\x08\x00\x00\x00\x00\x00", 8);
    QByteArray jng("\x8BJNG\r\n\x1a\n", 8);
    appendPngChunk(jng, "JHDR", jngHeader);
    QTest::newRow("jng") << "c.jng" << jng << otherFormat;
    QTest::newRow("portable pixmap") << "a.ppm" << encode(pattern(5, 3), "ppm") << otherFormat;
    QTest::newRow("xbm claiming 15800 x 15800")
        << "a.xbm"
        << QByteArray("#define a_width 15800\n#define a_height 15800\nstatic char a_bits[] = {") +
               QByteArray(134000, ' ')
        << otherFormat;
    QTest::newRow("icon of garbage")
        << "a.ico" << QByteArray("\0\0\1\0\1\0", 6) + QByteArray(200, '\x55') << otherFormat;
    QTest::newRow("cursor of garbage")
        << "a.cur" << QByteArray("\0\0\2\0\1\0", 6) + QByteArray(200, '\x55') << otherFormat;
    QTest::newRow("icns of garbage")
        << "a.icns" << QByteArray("icns\0\0\1\0", 8) + QByteArray(248, '\x55') << otherFormat;
    QTest::newRow("targa") << "a.tga"
                           << QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x18\0", 18) +
                                  QByteArray(16 * 16 * 3, '\x40')
                           << otherFormat;

    QTest::newRow("tiff of 3000 samples a pixel")
        << "a.tif" << tiffOfSamples(3000)
        << QStringLiteral("it is a TIFF of 3000 samples a pixel, which Verimetra does not read");
    // Found by the fuzzer: a width of 2^32 - 1 overflowed the pixel count.
    QTest::newRow("tiff of 4294967295 x 1000 pixels")
        << "wide.tif"
        << QByteArray::fromBase64(
               "SUkqAAgAAAAJAAABBAABAAAA6AMA/gEBBAABAAAA/////"
               "wIBAwABAAAACAAAAEMBAwABAAAACAAAAAYBAwABA"
               "AAAAQAAABEBAAQBAAAAegAAABVBAwABAAAA//8AABYBBAABAAAA6AMAABcBBAABAAAAEQAD6AAB")
        << QStringLiteral("the file is damaged: its header declares an impossible size");
    QTest::newRow("tiff of 65535 samples a pixel")
        << "b.tif" << tiffOfSamples(65535) << QStringLiteral("it is a TIFF of 65535 samples");
    QTest::newRow("gif of 35 bytes with a 15800 x 15800 screen")
        << "a.gif" << QByteArray::fromBase64("R0lGODlhuD24PYAAAAAAAP///ywAAAAAAQABAAACAkQBADs=")
        << QStringLiteral("the file is damaged: it is far too small for the 15800 × 15800");
    QTest::newRow("tiff of 700 strip sizes of 4 GB claiming 15000 x 15000")
        << "strips.tif" << tiffOfStripCounts(15000, 15000, 700)
        << QStringLiteral("the file is damaged: it is far too small for the 15000 × 15000");
    // The reader makes a screen of 0 x 0 as large as its first frame reaches.
    QTest::newRow("gif of a 0 x 0 screen with a frame at 16000, 16000")
        << "far.gif"
        << QByteArray("GIF89a\0\0\0\0\0\0\0\x2C\x80\x3E\x80\x3E\1\0\1\0\0\2\2\x4C\1\0\x3B", 28)
        << QStringLiteral("the picture is 16001 × 16001 pixels, more than Verimetra can hold");
    QTest::newRow("progressive jpeg of 13000 scans")
        << "scans.jpg" << jpegOfScans(13000)
        << QStringLiteral("the file is damaged: it holds more than 100 scans");
    QTest::newRow("padded jpeg claiming 15800 x 15800")
        << "padded.jpg" << jpegClaiming(encode(pattern(16, 16), "jpeg", 90), 15800, 15800, 134000)
        << QStringLiteral("the file is damaged: it is far too small for the 15800 × 15800");
    QTest::newRow("padded progressive jpeg claiming 15800 x 15800")
        << "padded-p.jpg" << jpegClaiming(progressiveJpeg(pattern(16, 16)), 15800, 15800, 134000)
        << QStringLiteral("the file is damaged: it is far too small for the 15800 × 15800");
    QTest::newRow("padded rle8 bmp claiming 15800 x 15800")
        << "padded.bmp" << bmpRle8Claiming(15800, 15800, 134000)
        << QStringLiteral("the file is damaged: it is far too small for the 15800 × 15800");
    QTest::newRow("animated webp of a 15800 x 15800 canvas")
        << "anim.webp" << animatedWebP(15800, 15800, 134000)
        << QStringLiteral("it is an animated WebP, which Verimetra does not read");
    QByteArray arithmetic = encode(pattern(16, 16), "jpeg", 90);
    arithmetic[jpegSegment(arithmetic, 0xC0) + 1] = char(0xC9);
    QTest::newRow("arithmetic-coded jpeg")
        << "arith.jpg" << arithmetic
        << QStringLiteral("it is a lossless, hierarchical or arithmetic-coded JPEG");
    QByteArray twelveBit = encode(pattern(16, 16), "jpeg", 90);
    twelveBit[jpegSegment(twelveBit, 0xC0) + 4] = char(12);
    QTest::newRow("12-bit jpeg") << "twelve.jpg" << twelveBit
                                 << QStringLiteral(
                                        "it is a 12-bit JPEG, which Verimetra does not read");
    QTest::newRow("folder") << "folder.png" << QByteArray() << "it is not a file";
}

void TestImageLoader::refuses()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    const QString path = bytes.isNull() ? m_dir.filePath(fileName) : write(fileName, bytes);
    if (qstrcmp(QTest::currentDataTag(), "folder") == 0) {
        QVERIFY(QDir(m_dir.path()).mkpath(fileName));
    }
    const Result<QImage> loaded = loadImageFile(path);
    QVERIFY(!loaded.ok());
    QVERIFY(loaded.value().isNull());
    QVERIFY2(loaded.error().startsWith(reason), qPrintable(loaded.error()));
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
    const Result<QImage> loaded = loadImageFile(write(QStringLiteral("turned.jpg"), jpeg));
    QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
    QCOMPARE(loaded.value().size(), QSize(16, 32));
    QVERIFY(largestDifference(loaded.value().pixel(8, 4), qRgb(255, 0, 0)) < 20);
    QVERIFY(largestDifference(loaded.value().pixel(8, 28), qRgb(0, 0, 255)) < 20);
}

// A bilevel A4 page scanned at 1200 dpi with two leaves packs far tighter than any
// colour scan: about 15000 pixels a byte as a Group 4 fax TIFF, 2500 as a PNG.
void TestImageLoader::opensBilevelScans()
{
    const QString tiffPath = dataFile("a4-1200dpi-two-leaves-g4.tif");
    QImage mono;
    {
        QImageReader reader(tiffPath);
        QVERIFY2(reader.read(&mono), qPrintable(reader.errorString()));
    }
    mono.convertTo(QImage::Format_Mono);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(QImageWriter(&buffer, "png").write(mono));
    }
    mono = QImage();
    QVERIFY2(png.size() < 200'000, qPrintable(QString::number(png.size())));

    const Result<QImage> fromTiff = loadImageFile(tiffPath);
    QVERIFY2(fromTiff.ok(), qPrintable(fromTiff.error()));
    QCOMPARE(fromTiff.value().size(), QSize(9921, 14031));
    // The two leaves are ellipses of 1800 x 900 and 2200 x 1000 pixels' half-axes.
    const QImage& page = fromTiff.value();
    qint64 black = 0;
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            black += (line[x] & 0xFFFFFF) == 0 ? 1 : 0;
        }
    }
    const double leaves = 3.14159265358979 * (1800.0 * 900 + 2200.0 * 1000);
    QVERIFY2(std::abs(black - leaves) < leaves * 1e-3, qPrintable(QString::number(black)));

    const Result<QImage> fromPng = loadImageFile(write(QStringLiteral("a4.png"), png));
    QVERIFY2(fromPng.ok(), qPrintable(fromPng.error()));
    QVERIFY(fromPng.value() == page);
}

void TestImageLoader::opensRealScan()
{
    const QString path =
        QDir(QStringLiteral(VERIMETRA_SCANS_DIR)).filePath(QStringLiteral("A1-01.jpeg"));
    if (!QFile::exists(path)) {
        QSKIP("the folder of real scans is not here");
    }
    const Result<QImage> loaded = loadImageFile(path);
    QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
    QCOMPARE(loaded.value().size(), QSize(823, 1169));
    QCOMPARE(loaded.value().format(), QImage::Format_RGB32);
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
