#include "image/ImageLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace verimetra {

namespace {

// Qt refuses to decode pictures above 128 MiB unless told otherwise. The largest
// picture the program takes may decode at 64 bits a pixel (16-bit PNG and TIFF).
void raiseAllocationLimitOnce()
{
    static const bool raised = [] {
        constexpr qint64 mebibyte = 1024 * 1024;
        constexpr int needed = int((MaxImagePixels * 8 + mebibyte - 1) / mebibyte) + 64;
        const int current = QImageReader::allocationLimit();
        if (current != 0 && current < needed) {
            QImageReader::setAllocationLimit(needed);
        }
        return true;
    }();
    Q_UNUSED(raised);
}

quint32 littleEndian32(const char* p)
{
    const auto* u = reinterpret_cast<const uchar*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

quint16 littleEndian16(const char* p)
{
    const auto* u = reinterpret_cast<const uchar*>(p);
    return quint16(u[0] | u[1] << 8);
}

// Qt's JPEG reader fills the rows that a cut-off file lacks with made-up pixels and
// still reports success. A whole JPEG ends with the end-of-image marker after its
// last scan: walk the marker segments, skipping their bodies by their lengths (an
// embedded thumbnail has its own end marker) and the compressed data of the scans
// (where a 0xFF byte is followed by 0 or by a restart marker), to that marker.
bool jpegHasEnd(const uchar* d, qint64 n)
{
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8) {
        return true; // not a JPEG stream start: leave the verdict to the decoder
    }
    qint64 i = 2;
    while (i < n) {
        const void* next = std::memchr(d + i, 0xFF, size_t(n - i));
        if (next == nullptr) {
            return false;
        }
        i = static_cast<const uchar*>(next) - d;
        while (i < n && d[i] == 0xFF) {
            ++i;
        }
        if (i >= n) {
            return false;
        }
        const uchar marker = d[i++];
        if (marker == 0xD9) {
            return true;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // a stuffed 0xFF in compressed data, TEM or a restart marker
        }
        if (i + 2 > n) {
            return false;
        }
        const int length = d[i] << 8 | d[i + 1];
        if (length < 2) {
            return false;
        }
        i += length; // the compressed data of a scan follows its header
    }
    return false;
}

bool jpegFileHasEnd(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return true;
    }
    const qint64 size = file.size();
    if (const uchar* data = file.map(0, size)) {
        const bool whole = jpegHasEnd(data, size);
        file.unmap(const_cast<uchar*>(data));
        return whole;
    }
    const QByteArray bytes = file.readAll();
    return jpegHasEnd(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

// Qt's BMP reader likewise leaves the rows of a cut-off uncompressed file
// unwritten. Such a file holds its rows at a known offset and size.
bool bmpFileHasAllRows(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return true;
    }
    const QByteArray header = file.read(54);
    if (header.size() < 26) {
        return true;
    }
    const char* h = header.constData();
    const qint64 offset = littleEndian32(h + 10);
    const quint32 infoSize = littleEndian32(h + 14);
    qint64 width = 0;
    qint64 height = 0;
    int bitsPerPixel = 0;
    quint32 compression = 0;
    if (infoSize == 12) {
        width = littleEndian16(h + 18);
        height = littleEndian16(h + 20);
        bitsPerPixel = littleEndian16(h + 24);
    } else if (infoSize >= 40 && header.size() >= 34) {
        width = qint32(littleEndian32(h + 18));
        height = std::abs(qint64(qint32(littleEndian32(h + 22))));
        bitsPerPixel = littleEndian16(h + 28);
        compression = littleEndian32(h + 30);
    } else {
        return true;
    }
    constexpr quint32 plain = 0;
    constexpr quint32 bitFields = 3;
    constexpr quint32 alphaBitFields = 6;
    if (compression != plain && compression != bitFields && compression != alphaBitFields) {
        return true; // run-length coded rows have no fixed size
    }
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    return file.size() >= offset + rowBytes * height;
}

// Transparent parts of a picture read as white paper, not as the black that
// their colour bits often hold.
QImage flattenOnWhite(QImage image)
{
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            const int white = 255 - qAlpha(p);
            line[x] = qRgb(std::min(qRed(p) + white, 255), std::min(qGreen(p) + white, 255),
                           std::min(qBlue(p) + white, 255));
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

LoadedImage failure(const QString& reason)
{
    LoadedImage result;
    result.error = reason;
    return result;
}

QString tooBig(QSize size)
{
    return QStringLiteral("the picture is %1 × %2 pixels, more than Verimetra can hold "
                          "(%3 megapixels)")
        .arg(size.width())
        .arg(size.height())
        .arg(MaxImagePixels / 1'000'000);
}

bool isTooBig(QSize size)
{
    return qint64(size.width()) * qint64(size.height()) > MaxImagePixels;
}

// No real file packs more than about 1400 pixels into a byte (deflate stops near
// 1032:1, a JPEG block needs bits of its own, GIF's codes stay under that): a small
// file whose header claims a huge picture is damaged, and decoding it would only
// allocate gigabytes to invent the missing pixels.
constexpr qint64 MaxPixelsPerByte = 2048;
constexpr qint64 PixelsAlwaysPlausible = 1'000'000;

QString tooSmallFor(QSize size)
{
    return QStringLiteral("the file is damaged: it is far too small for the %1 × %2 pixels it "
                          "claims")
        .arg(size.width())
        .arg(size.height());
}

bool isImplausiblyLarge(QSize size, qint64 fileBytes)
{
    const qint64 pixels = qint64(size.width()) * qint64(size.height());
    return pixels > PixelsAlwaysPlausible && pixels / MaxPixelsPerByte > fileBytes;
}

} // namespace

LoadedImage loadImageFile(const QString& path)
{
    raiseAllocationLimitOnce();

    const QFileInfo info(path);
    if (!info.exists()) {
        return failure(QStringLiteral("the file does not exist"));
    }
    if (!info.isFile()) {
        return failure(QStringLiteral("it is not a file"));
    }
    if (info.size() == 0) {
        return failure(QStringLiteral("the file is empty"));
    }

    QImage image;
    {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        if (!reader.canRead()) {
            return failure(QStringLiteral("it is not an image Verimetra can read"));
        }
        const QSize size = reader.size();
        if (size.isValid()) {
            if (isTooBig(size)) {
                return failure(tooBig(size));
            }
            if (size.isEmpty()) {
                return failure(QStringLiteral("the picture is empty"));
            }
            if (isImplausiblyLarge(size, info.size())) {
                return failure(tooSmallFor(size));
            }
        }
        const QByteArray format = reader.format();
        bool whole = true;
        if (format == "jpeg" || format == "jpg") {
            whole = jpegFileHasEnd(path);
        } else if (format == "bmp" || format == "dib") {
            whole = bmpFileHasAllRows(path);
        }
        if (!whole) {
            return failure(QStringLiteral("the file is damaged or incomplete (it ends early)"));
        }
        if (!reader.read(&image)) {
            return failure(
                QStringLiteral("the file is damaged or incomplete (%1)").arg(reader.errorString()));
        }
    }

    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        return failure(QStringLiteral("the picture is empty"));
    }
    if (isTooBig(image.size())) {
        return failure(tooBig(image.size()));
    }
    // Some readers (GIF) learn the size only while decoding.
    if (isImplausiblyLarge(image.size(), info.size())) {
        return failure(tooSmallFor(image.size()));
    }
    if (image.hasAlphaChannel()) {
        image = flattenOnWhite(std::move(image));
    } else if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
    }

    if (image.isNull()) {
        return failure(QStringLiteral("there is not enough memory to hold the picture"));
    }

    LoadedImage result;
    result.image = std::move(image);
    return result;
}

QString leafNameOf(const QString& fileTitle)
{
    // A dot at the start belongs to the name (".png" has no extension).
    const qsizetype dot = fileTitle.lastIndexOf(u'.');
    return dot > 0 ? fileTitle.left(dot) : fileTitle;
}

} // namespace verimetra
