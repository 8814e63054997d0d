// Writes the seed corpora of the fuzz targets: small results files, valid and not,
// short texts for the known-length box, and pictures of a few pixels in each format
// Qt reads (some whole, some cut off, some claiming a size far above the limit).
//   fuzz_make_seeds <corpus-dir>     (the folders <corpus-dir>/<target> are filled)

#include "results/CsvFile.h"
#include "results/DataFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>

namespace {

QDir root;

void save(const char* target, const char* name, const QByteArray& bytes)
{
    root.mkpath(QLatin1String(target));
    QFile file(root.filePath(QLatin1String(target) + u'/' + QLatin1String(name)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s/%s\n", target, name);
        std::exit(1);
    }
}

QByteArray bytesOf(const char* text, qsizetype size)
{
    return QByteArray(text, size);
}

template <qsizetype N> QByteArray lit(const char (&text)[N])
{
    return bytesOf(text, N - 1); // without the closing NUL; NULs inside are kept
}

void dataFiles()
{
    const char* t = "fuzz_datafile";
    save(t, "empty", {});
    save(t, "written",
         verimetra::writeDataFile({{QStringLiteral("leaf 1"), 3.57},
                                   {QStringLiteral("say \"hi\""), 1.5e-5},
                                   {QStringLiteral("two\r\nlines"), -0.5},
                                   {QStringLiteral("zero"), 0},
                                   {QStringLiteral("big"), 1e20}}));
    save(t, "extremes",
         lit("\"max\",1.79769313486232E+308\r\n\"min\",4.94065645841247E-324\r\n"
             "\"small\",2.2250738585072E-308\r\n"));
    save(t, "older-forms", lit("leaf,.5\r\nother , -.5\r\n\"big\" , 1E+20 \r\n\"x\",+1.\r\n"));
    save(t, "lf-and-blank-end", lit("\"a\",1\n\"b\",2\r\"c\",3\n\n \t\r\n"));
    save(t, "utf8-bom", lit("\xEF\xBB\xBF\"Bl\xC3\xA4tter \xE2\x82\xAC\",7\r\n"));
    save(t, "windows-1252", lit("\"caf\xE9 \x80\x9F\",12.25\r\nSch\xF6n,1\r\n"));
    save(t, "bad-no-closing-quote", lit("\"a\",1\r\n\"open,1\r\n"));
    save(t, "bad-three-fields", lit("\"a\",1,2\r\n"));
    save(t, "bad-not-a-number", lit("\"a\",1\r\n\"b\",abc\r\n"));
    save(t, "bad-empty-line", lit("\"a\",1\r\n\r\n\"b\",2\r\n"));
    save(t, "bad-nul", lit("\"a\",1\r\n\"b\0c\",2\r\n"));
    save(t, "bad-out-of-range", lit("\"a\",1E+400\r\n"));
    save(t, "bad-after-quote", lit("\"a\"b,1\r\n"));
    save(t, "bad-missing-area", lit("\"a\", \r\n"));
    save(t, "bad-no-comma", lit("\"multi\r\nline\"\r\n"));
}

void csvFiles()
{
    const char* t = "fuzz_csvfile";
    verimetra::ResultRecord leaf(QStringLiteral("Leaf, 1"), 3.57);
    leaf.leaf = {1, 0.25, 3.82, 6.544502617801047, 7.5, 2.5, 1.5, 10.125, 20, true, 3, 1e-5};
    leaf.provenance = {
        QStringLiteral("/scans/plot 7.png"),
        QStringLiteral("cm"),
        118.11023622047244,
        10,
        300,
        QRect(10, 20, 100, 50),
        QDateTime(QDate(2026, 12, 11), QTime(16, 30, 0, 123), Qt::OffsetFromUTC, 3600),
        QStringLiteral("1.0.0")};
    save(t, "export", verimetra::writeCsvFile({leaf, {QStringLiteral("picture"), -0.0}}));
    save(t, "pandas",
         lit("\xEF\xBB\xBF,number,name,leaf,area,touches_edge,specks,threshold,region_left,"
             "region_top,region_right,region_bottom,measured_at\n"
             "0,1,Blatt \xC3\xA4,2.0,0.1,False,12.0,250.0,0.0,1.0,99.0,199.0,"
             "2026-12-11T13:00:00.000Z\n"
             "1,2,other,,1e-05,,,,,,,,\n"));
    save(t, "r",
         lit("\"\",\"name\",\"area\",\"leaf\",\"touches_edge\",\"measured_at\"\n"
             "\"1\",\"a\",1e+05,1,TRUE,\"2026-12-11 16:30:00\"\n"
             "\"2\",\"b\",0.5,NA,NA,\"\"\n"));
    save(t, "quotes",
         lit("name,area,note\r\n\" say \"\"hi\"\"\",\"1.5\",\"a,\r\nb\"\r\n\"\",0,x\"y\r\n\r\n"));
    save(t, "bad-field-count", lit("name,area\r\na,1\r\nb,2,3\r\n"));
}

void leadingNumbers()
{
    const char* t = "fuzz_leadingnumber";
    save(t, "cm", lit("10 cm"));
    save(t, "spaced", lit("1 0\t.2\n5"));
    save(t, "comma", lit("1,5"));
    save(t, "exponent", lit("-5E-1"));
    save(t, "exponent-d", lit("2.5d+3"));
    save(t, "hex", lit("&H1F"));
    save(t, "octal", lit("&o777"));
    save(t, "huge", lit("9e999999999999"));
    save(t, "tiny", lit("0.000000001e-400"));
    save(t, "long-digits", QByteArray(300, '9'));
    save(t, "words", lit("abc"));
    save(t, "non-ascii",
         lit("12\xC2\xA0"
             "5"));
    save(t, "utf16", QByteArray::fromRawData(reinterpret_cast<const char*>(u"4.5 cm"), 12));
}

QImage picture(QImage::Format format)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    const QRgb colours[6] = {qRgb(0, 128, 0), qRgb(255, 255, 255), qRgba(200, 0, 0, 128),
                             qRgb(0, 0, 0),   qRgb(20, 200, 20),   qRgba(0, 0, 255, 0)};
    for (int i = 0; i < 6; ++i) {
        image.setPixel(i % 3, i / 3, colours[i]);
    }
    return image.convertToFormat(format);
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1,
                   QImageIOHandler::Transformations transform = QImageIOHandler::TransformationNone,
                   int compression = -1, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setTransformation(transform);
    if (compression >= 0) {
        writer.setCompression(compression);
    }
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot encode %s: %s\n", format,
                     writer.errorString().toUtf8().constData());
        return {};
    }
    return bytes;
}

// The CRC-32 of PNG chunks (polynomial 0xEDB88320, reflected).
quint32 crc(const QByteArray& bytes)
{
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        c ^= quint8(byte);
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
    }
    return c ^ 0xFFFFFFFFu;
}

void appendBig32(QByteArray& out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

void appendLittle16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

// A PNG of width x height pixels whose data ends after its first two bytes.
QByteArray pngCutEarly(quint32 width, quint32 height)
{
    QByteArray out = lit("\x89PNG\r\n\x1A\n");
    QByteArray chunk = lit("IHDR");
    appendBig32(chunk, width);
    appendBig32(chunk, height);
    chunk.append(lit("\x08\x02\x00\x00\x00")); // 8 bits, RGB, deflate, no filter, no interlace
    appendBig32(out, 13);
    out.append(chunk);
    appendBig32(out, crc(chunk));
    // The start of the picture data (a zlib header), which ends right there.
    const QByteArray data = lit("IDAT\x78\x9C");
    appendBig32(out, 2);
    out.append(data);
    appendBig32(out, crc(data));
    appendBig32(out, 0);
    out.append("IEND");
    appendBig32(out, crc("IEND"));
    return out;
}

// A GIF of 2 x 2 pixels, every pixel coded on its own after a clear code, so that
// the code table never grows: the codes are simple to write by hand.
QByteArray gif(bool transparent, quint16 screenWidth = 2, quint16 screenHeight = 2)
{
    QByteArray out = lit("GIF89a");
    appendLittle16(out, screenWidth);
    appendLittle16(out, screenHeight);
    out.append(lit("\x81\x00\x00")); // global table of 4 colours
    out.append(lit("\x00\x80\x00"
                   "\xFF\xFF\xFF"
                   "\x00\x00\x00"
                   "\xC8\x00\x00"));
    out.append(lit("\x21\xF9\x04"));
    out.append(transparent ? '\x01' : '\x00');
    out.append(lit("\x00\x00\x01\x00"));                         // delay, transparent index 1, end
    out.append(lit("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00")); // image 2 x 2, no local table
    const int codes[] = {4, 0, 4, 1, 4, 2, 4, 3, 5};             // clear, pixel, ..., end
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    for (const int code : codes) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) {
        data.append(char(bits & 0xFF));
    }
    out.append('\x02'); // minimum code size
    out.append(char(data.size()));
    out.append(data);
    out.append(lit("\x00\x3B"));
    return out;
}

void images()
{
    const char* t = "fuzz_imageloader";
    const QImage rgb = picture(QImage::Format_RGB32);
    const QImage argb = picture(QImage::Format_ARGB32);
    save(t, "rgb.png", encoded(rgb, "png"));
    save(t, "alpha.png", encoded(argb, "png"));
    save(t, "indexed.png", encoded(picture(QImage::Format_Indexed8), "png"));
    save(t, "grey16.png", encoded(picture(QImage::Format_Grayscale16), "png"));
    save(t, "rgba64.png", encoded(picture(QImage::Format_RGBA64), "png"));
    const QByteArray jpeg = encoded(rgb, "jpeg", 90);
    save(t, "rgb.jpg", jpeg);
    save(t, "rotated.jpg", encoded(rgb, "jpeg", 50, QImageIOHandler::TransformationRotate90));
    save(t, "cut.jpg", jpeg.left(jpeg.size() * 2 / 3));
    const QByteArray bmp = encoded(rgb, "bmp");
    save(t, "rgb.bmp", bmp);
    save(t, "cut.bmp", bmp.left(bmp.size() - 5));
    save(t, "mono.pbm", encoded(picture(QImage::Format_Mono), "pbm"));
    save(t, "grey.pgm", encoded(picture(QImage::Format_Grayscale8), "pgm"));
    save(t, "rgb.ppm", encoded(rgb, "ppm"));
    save(t, "ascii.ppm", lit("P3\n2 1\n255\n0 128 0  255 255 255\n"));
    save(t, "rgb.xpm", encoded(rgb, "xpm"));
    save(t, "mono.xbm", encoded(picture(QImage::Format_Mono), "xbm"));
    save(t, "rgb.ico", encoded(argb, "ico"));
    save(t, "rgb.tif", encoded(rgb, "tiff"));
    save(t, "rgb.webp", encoded(rgb, "webp", 100));
    save(t, "plain.gif", gif(false));
    save(t, "transparent.gif", gif(true));
    save(t, "huge-screen.gif", gif(false, 65535, 65535));
    save(t, "cut-early.png", pngCutEarly(3, 2));
    save(t, "huge-header.png", pngCutEarly(100000, 100000));
    save(t, "big-screen.gif", gif(false, 20000, 20000));

    // Every kind of file the loader reads.
    constexpr auto none = QImageIOHandler::TransformationNone;
    const QImage mono = picture(QImage::Format_Mono);
    const QImage grey = picture(QImage::Format_Grayscale8);
    save(t, "mono.png", encoded(mono, "png"));
    save(t, "grey.png", encoded(grey, "png"));
    save(t, "progressive.jpg", encoded(rgb, "jpeg", 80, none, -1, true));
    save(t, "grey.jpg", encoded(grey, "jpeg", 80));
    save(t, "lzw.tif", encoded(rgb, "tiff", -1, none, 1));
    save(t, "mono-fax.tif", encoded(mono, "tiff", -1, none, 1));
    save(t, "mono.tif", encoded(mono, "tiff", -1, none, 0));
    save(t, "grey.tif", encoded(grey, "tiff"));
    save(t, "indexed.tif", encoded(picture(QImage::Format_Indexed8), "tiff"));
    save(t, "rgba64.tif", encoded(picture(QImage::Format_RGBA64), "tiff"));
    save(t, "alpha.tif", encoded(argb, "tiff"));
    save(t, "mono.bmp", encoded(mono, "bmp"));
    save(t, "indexed.bmp", encoded(picture(QImage::Format_Indexed8), "bmp"));
    save(t, "alpha.bmp", encoded(argb, "bmp"));
    save(t, "lossy.webp", encoded(rgb, "webp", 75));
    save(t, "alpha.webp", encoded(argb, "webp", 75));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds <corpus-dir>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // for the image plugins
    root = QDir(QString::fromLocal8Bit(argv[1]));
    dataFiles();
    csvFiles();
    leadingNumbers();
    images();
    return 0;
}
