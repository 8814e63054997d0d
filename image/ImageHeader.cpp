#include "image/ImageHeader.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace verimetra {

namespace {

class HeaderText
{
    Q_DECLARE_TR_FUNCTIONS(ImageHeader)

public:
    static QString notReadable()
    {
        return tr("it is not an image in a format Verimetra reads (%1)").arg(readableFormatsText());
    }
    static QString unusualKind(const QString& what)
    {
        return tr("it is %1, which Verimetra does not read: scanners and cameras do not write "
                  "such files")
            .arg(what);
    }
    static QString damaged(const QString& why) { return tr("the file is damaged: %1").arg(why); }
    static QString endsEarly() { return tr("the file is damaged or incomplete (it ends early)"); }
    static QString empty() { return tr("the picture is empty"); }
    static QString tooBig(QSize size)
    {
        return tr("the picture is %1 × %2 pixels, more than Verimetra can hold (%3 megapixels)")
            .arg(size.width())
            .arg(size.height())
            .arg(MaxImagePixels / 1'000'000);
    }
    static QString overBudget(QSize size, qint64 bytes)
    {
        return tr("the picture is %1 × %2 pixels at a depth that would take %3 MB to read, "
                  "more than Verimetra allows one picture (%4 MB)")
            .arg(size.width())
            .arg(size.height())
            .arg(bytes / 1'000'000)
            .arg(MaxDecodeBytes / 1'000'000);
    }
    static QString tooSmallFor(QSize size)
    {
        return damaged(tr("it is far too small for the %1 × %2 pixels it claims")
                           .arg(size.width())
                           .arg(size.height()));
    }
};

// Reads the file's bytes with every access checked against its end.
class Bytes
{
public:
    Bytes(const uchar* data, qint64 size, bool bigEndian = false)
        : m_data(data), m_size(size), m_bigEndian(bigEndian)
    {
    }

    qint64 size() const { return m_size; }
    bool has(qint64 offset, qint64 count) const
    {
        return offset >= 0 && count >= 0 && offset <= m_size && count <= m_size - offset;
    }
    uchar u8(qint64 offset) const { return has(offset, 1) ? m_data[offset] : 0; }
    quint32 u16(qint64 offset) const
    {
        if (!has(offset, 2)) {
            return 0;
        }
        const uchar* p = m_data + offset;
        return m_bigEndian ? quint32(p[0] << 8 | p[1]) : quint32(p[1] << 8 | p[0]);
    }
    quint32 u32(qint64 offset) const
    {
        if (!has(offset, 4)) {
            return 0;
        }
        const uchar* p = m_data + offset;
        return m_bigEndian ? quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]
                           : quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }
    quint32 u24(qint64 offset) const
    {
        return has(offset, 3) ? quint32(u8(offset)) | quint32(u8(offset + 1)) << 8 |
                                    quint32(u8(offset + 2)) << 16
                              : 0;
    }
    bool startsWith(qint64 offset, const char* text) const
    {
        const auto n = qint64(std::strlen(text));
        return has(offset, n) && std::memcmp(m_data + offset, text, size_t(n)) == 0;
    }
    const uchar* at(qint64 offset) const { return m_data + offset; }

private:
    const uchar* m_data;
    qint64 m_size;
    bool m_bigEndian;
};

qint64 ceilDiv(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

// The header of a picture of the size a file declares: refused when that is empty
// or beyond what a picture can have.
Result<ImageHeader> declaredHeader(ImageFileFormat format, qint64 width, qint64 height,
                                   int bitsPerPixel, int decodedBytesPerPixel)
{
    if (width <= 0 || height <= 0) {
        return failed(HeaderText::empty());
    }
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        return failed(
            HeaderText::damaged(HeaderText::tr("its header declares an impossible size")));
    }
    ImageHeader header;
    header.format = format;
    header.size = QSize(int(width), int(height));
    header.bitsPerPixel = bitsPerPixel;
    header.decodedBytesPerPixel = decodedBytesPerPixel;
    return header;
}

// The checks every format shares once its size and depth are known, in this order:
// a size, the pixel bound, the budget, and last whether the coded data can hold
// that many pixels (worked out by the format, only for sizes within the bound).
Result<ImageHeader> finish(ImageHeader header, bool plausible = true)
{
    const QSize size = header.size;
    if (size.width() <= 0 || size.height() <= 0) {
        return failed(HeaderText::empty());
    }
    const qint64 pixels = qint64(size.width()) * qint64(size.height());
    if (pixels > MaxImagePixels) {
        return failed(HeaderText::tooBig(size));
    }
    // The decoder's picture, then its conversion to the working format (or the
    // laying of a transparent picture on white), held together for a moment.
    header.budgetBytes = pixels * (header.decodedBytesPerPixel + 4);
    if (header.budgetBytes > MaxDecodeBytes) {
        return failed(HeaderText::overBudget(size, header.budgetBytes));
    }
    if (!plausible) {
        return failed(HeaderText::tooSmallFor(size));
    }
    return header;
}

// --- PNG -----------------------------------------------------------------------

// Deflate codes at most 258 bytes with two bits (a match of the longest length at
// the shortest codes), so the pixel data can unpack to at most about 1032 times
// the compressed data, whatever the picture.
constexpr qint64 MaxDeflateRatio = 1040;

Result<ImageHeader> checkPng(const Bytes& b)
{
    const Bytes be(b.at(0), b.size(), true);
    if (!be.has(8, 25) || !be.startsWith(12, "IHDR") || be.u32(8) != 13) {
        return failed(HeaderText::damaged(HeaderText::tr("its header is missing")));
    }
    const quint32 width = be.u32(16);
    const quint32 height = be.u32(20);
    const int depth = be.u8(24);
    const int colourType = be.u8(25);
    int channels = 0;
    bool depthOk = false;
    switch (colourType) {
    case 0: // grey
        channels = 1;
        depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        break;
    case 2: // RGB
        channels = 3;
        depthOk = depth == 8 || depth == 16;
        break;
    case 3: // palette
        channels = 1;
        depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
        break;
    case 4: // grey and alpha
        channels = 2;
        depthOk = depth == 8 || depth == 16;
        break;
    case 6: // RGB and alpha
        channels = 4;
        depthOk = depth == 8 || depth == 16;
        break;
    default:
        break;
    }
    if (!depthOk) {
        return failed(
            HeaderText::damaged(HeaderText::tr("its header declares colour type %1 at %2 bits")
                                    .arg(colourType)
                                    .arg(depth)));
    }
    Result<ImageHeader> declared =
        declaredHeader(ImageFileFormat::Png, width, height, depth * channels, depth == 16 ? 8 : 4);
    if (!declared.ok()) {
        return declared;
    }
    ImageHeader header = declared.take();

    if (qint64(width) * qint64(height) > MaxImagePixels) {
        return finish(header);
    }
    // The compressed pixel data: the IDAT chunks, as far as the file holds them.
    qint64 compressed = 0;
    for (qint64 at = 8; be.has(at, 8);) {
        const qint64 length = be.u32(at);
        if (be.startsWith(at + 4, "IDAT")) {
            compressed += std::min(length, be.size() - (at + 8));
        }
        if (be.startsWith(at + 4, "IEND")) {
            break;
        }
        at += 12 + length;
    }
    const qint64 rowBytes = 1 + ceilDiv(qint64(width) * header.bitsPerPixel, 8);
    return finish(header, rowBytes * height <= MaxDeflateRatio * compressed + 4096);
}

// --- JPEG ----------------------------------------------------------------------

// Progressive files hold a handful of scans (libjpeg's own progression writes 10
// for colour); a file of thousands of scans, each a pass over every block, only
// keeps the decoder busy for minutes.
constexpr int MaxJpegScans = 100;

Result<ImageHeader> checkJpeg(const Bytes& be)
{
    const qint64 n = be.size();
    const uchar* d = be.at(0);
    bool haveFrame = false;
    int precision = 0;
    quint32 width = 0;
    quint32 height = 0;
    int components = 0;
    int hMax = 1;
    int vMax = 1;
    int hs[4] = {1, 1, 1, 1};
    int vs[4] = {1, 1, 1, 1};
    int scans = 0;
    qint64 entropyBytes = 0; // coded data of the scans
    bool ended = false;

    qint64 i = 2;
    bool inScan = false;
    qint64 scanStart = 0;
    while (i < n) {
        const void* next = std::memchr(d + i, 0xFF, size_t(n - i));
        if (next == nullptr) {
            break;
        }
        const qint64 ff = static_cast<const uchar*>(next) - d;
        i = ff;
        while (i < n && d[i] == 0xFF) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const uchar marker = d[i++];
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            continue; // a stuffed 0xFF in coded data, a restart marker or TEM
        }
        if (inScan) {
            entropyBytes += ff - scanStart;
            inScan = false;
        }
        if (marker == 0xD9) {
            ended = true;
            break;
        }
        if (!be.has(i, 2)) {
            break;
        }
        const int length = d[i] << 8 | d[i + 1];
        if (length < 2 || !be.has(i, length)) {
            break;
        }
        const qint64 body = i + 2;
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame) {
            if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2) {
                return failed(HeaderText::unusualKind(
                    HeaderText::tr("a lossless, hierarchical or arithmetic-coded JPEG")));
            }
            if (haveFrame || length < 8) {
                return failed(HeaderText::damaged(HeaderText::tr("its frame header is wrong")));
            }
            haveFrame = true;
            precision = d[body];
            height = quint32(d[body + 1] << 8 | d[body + 2]);
            width = quint32(d[body + 3] << 8 | d[body + 4]);
            components = d[body + 5];
            if (components != 1 && components != 3 && components != 4) {
                return failed(HeaderText::damaged(
                    HeaderText::tr("its frame declares %1 colour components").arg(components)));
            }
            if (length < 8 + 3 * components) {
                return failed(HeaderText::damaged(HeaderText::tr("its frame header is wrong")));
            }
            for (int c = 0; c < components; ++c) {
                const int sampling = d[body + 6 + 3 * c + 1];
                hs[c] = sampling >> 4;
                vs[c] = sampling & 15;
                if (hs[c] < 1 || hs[c] > 4 || vs[c] < 1 || vs[c] > 4) {
                    return failed(HeaderText::damaged(HeaderText::tr("its sampling is wrong")));
                }
                hMax = std::max(hMax, hs[c]);
                vMax = std::max(vMax, vs[c]);
            }
        } else if (marker == 0xDA) {
            if (!haveFrame) {
                return failed(HeaderText::damaged(HeaderText::tr("a scan comes before the frame")));
            }
            if (++scans > MaxJpegScans) {
                return failed(HeaderText::damaged(
                    HeaderText::tr("it holds more than %1 scans, far more than any picture needs")
                        .arg(MaxJpegScans)));
            }
            inScan = true;
            scanStart = body + length - 2;
        }
        i = body + length - 2;
    }
    if (!haveFrame) {
        return failed(ended ? HeaderText::damaged(HeaderText::tr("it holds no picture"))
                            : HeaderText::endsEarly());
    }
    if (precision != 8) {
        return failed(HeaderText::unusualKind(HeaderText::tr("a %1-bit JPEG").arg(precision)));
    }
    if (width == 0 || height == 0) {
        return failed(HeaderText::empty());
    }
    if (!ended || scans == 0) {
        return failed(HeaderText::endsEarly());
    }
    ImageHeader header;
    header.format = ImageFileFormat::Jpeg;
    header.size = QSize(int(width), int(height));
    header.bitsPerPixel = 8 * components;
    header.decodedBytesPerPixel = 4;
    // Every 8 x 8 block of every component is coded with at least one bit (its DC
    // difference; a sequential scan adds an end-of-block code too).
    qint64 blocks = 0;
    for (int c = 0; c < components; ++c) {
        const qint64 w = ceilDiv(qint64(width) * hs[c], hMax);
        const qint64 h = ceilDiv(qint64(height) * vs[c], vMax);
        blocks += ceilDiv(w, 8) * ceilDiv(h, 8);
    }
    return finish(header, blocks <= 8 * entropyBytes + 64);
}

// --- GIF -----------------------------------------------------------------------

// An LZW code of at most 12 bits stands for at most 4096 pixels.
constexpr qint64 MaxLzwPixelsPerByte = 2731;
constexpr qint64 PixelsAlwaysPlausible = 1'000'000;

// Skips a chain of data sub-blocks; returns the position after its terminator
// (or -1 when the file ends first) and adds the data bytes to `bytes`.
qint64 skipSubBlocks(const Bytes& b, qint64 at, qint64& bytes)
{
    while (b.has(at, 1)) {
        const int length = b.u8(at);
        ++at;
        if (length == 0) {
            return at;
        }
        bytes += length;
        at += length;
    }
    return -1;
}

Result<ImageHeader> checkGif(const Bytes& b)
{
    if (!b.has(0, 13)) {
        return failed(HeaderText::endsEarly());
    }
    // The logical screen is what the reader allocates, whatever the frames are.
    const int screenWidth = int(b.u16(6));
    const int screenHeight = int(b.u16(8));
    const int flags = b.u8(10);
    qint64 at = 13;
    if (flags & 0x80) {
        at += 3 * (qint64(2) << (flags & 7));
    }
    // To the first frame, past any extensions.
    int frameLeft = 0;
    int frameTop = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    qint64 frameData = 0;
    bool haveFrame = false;
    while (b.has(at, 1) && !haveFrame) {
        const int introducer = b.u8(at);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            qint64 ignored = 0;
            at = skipSubBlocks(b, at + 2, ignored);
            if (at < 0) {
                break;
            }
        } else if (introducer == 0x2C) { // image descriptor
            if (!b.has(at, 10)) {
                break;
            }
            frameLeft = int(b.u16(at + 1));
            frameTop = int(b.u16(at + 3));
            frameWidth = int(b.u16(at + 5));
            frameHeight = int(b.u16(at + 7));
            const int frameFlags = b.u8(at + 9);
            at += 10;
            if (frameFlags & 0x80) {
                at += 3 * (qint64(2) << (frameFlags & 7));
            }
            at = skipSubBlocks(b, at + 1, frameData); // after the LZW code size
            if (at < 0) {
                break;
            }
            haveFrame = true;
        } else {
            break; // the trailer, or something that is not GIF
        }
    }
    if (!haveFrame) {
        return failed(HeaderText::endsEarly());
    }
    if (frameWidth == 0 || frameHeight == 0) {
        return failed(HeaderText::empty());
    }
    ImageHeader header;
    header.format = ImageFileFormat::Gif;
    // A side of the screen that is 0 is as long as the first frame reaches, as the
    // reader takes it.
    header.size = QSize(screenWidth > 0 ? screenWidth : frameLeft + frameWidth,
                        screenHeight > 0 ? screenHeight : frameTop + frameHeight);
    header.bitsPerPixel = 8;
    header.decodedBytesPerPixel = 4;
    const qint64 screenPixels = qint64(header.size.width()) * header.size.height();
    const qint64 framePixels = qint64(frameWidth) * frameHeight;
    const bool plausible =
        (screenPixels <= PixelsAlwaysPlausible || screenPixels <= MaxLzwPixelsPerByte * b.size()) &&
        (framePixels <= PixelsAlwaysPlausible || framePixels <= MaxLzwPixelsPerByte * frameData);
    return finish(header, plausible);
}

// --- BMP -----------------------------------------------------------------------

// A run-length coded BMP codes at most 255 pixels in two bytes.
constexpr qint64 MaxRlePixelsPerByte = 128;

Result<ImageHeader> checkBmp(const Bytes& b)
{
    if (!b.has(0, 26)) {
        return failed(HeaderText::endsEarly());
    }
    const qint64 offset = b.u32(10);
    const quint32 infoSize = b.u32(14);
    qint64 width = 0;
    qint64 height = 0;
    int planes = 0;
    int bitsPerPixel = 0;
    quint32 compression = 0;
    if (infoSize == 12) {
        width = b.u16(18);
        height = b.u16(20);
        planes = int(b.u16(22));
        bitsPerPixel = int(b.u16(24));
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 ||
               infoSize == 124) {
        if (!b.has(0, 34)) {
            return failed(HeaderText::endsEarly());
        }
        width = qint32(b.u32(18));
        height = qint32(b.u32(22));
        height = height < 0 ? -height : height; // negative: rows stored top down
        planes = int(b.u16(26));
        bitsPerPixel = int(b.u16(28));
        compression = b.u32(30);
    } else {
        return failed(HeaderText::damaged(HeaderText::tr("its header is of no known kind")));
    }
    const bool depthOk = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                         bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    constexpr quint32 Plain = 0;
    constexpr quint32 Rle8 = 1;
    constexpr quint32 Rle4 = 2;
    constexpr quint32 BitFields = 3;
    constexpr quint32 AlphaBitFields = 6;
    const bool codingOk = compression == Plain || (compression == Rle8 && bitsPerPixel == 8) ||
                          (compression == Rle4 && bitsPerPixel == 4) ||
                          ((compression == BitFields || compression == AlphaBitFields) &&
                           (bitsPerPixel == 16 || bitsPerPixel == 32));
    if (planes != 1 || !depthOk || !codingOk) {
        return failed(
            HeaderText::unusualKind(HeaderText::tr("a BMP of %1 bits a pixel in coding %2")
                                        .arg(bitsPerPixel)
                                        .arg(compression)));
    }
    Result<ImageHeader> declared =
        declaredHeader(ImageFileFormat::Bmp, width, height, bitsPerPixel, 4);
    if (!declared.ok()) {
        return declared;
    }
    ImageHeader header = declared.take();
    if (width * height > MaxImagePixels) {
        return finish(header);
    }
    const qint64 dataBytes = std::max<qint64>(0, b.size() - offset);
    if (compression == Rle8 || compression == Rle4) {
        return finish(header, width * height <= MaxRlePixelsPerByte * dataBytes + 4096);
    }
    if (offset > b.size() || ceilDiv(width * bitsPerPixel, 32) * 4 * height > dataBytes) {
        // Plain rows have a fixed size: a file without all of them was cut off.
        return failed(HeaderText::endsEarly());
    }
    return finish(header);
}

// --- TIFF ----------------------------------------------------------------------

constexpr qint64 MaxLzwRatio = 2600;    // 12-bit codes of strings up to 4096 bytes
constexpr qint64 MaxPackBitsRatio = 64; // 128 bytes in two
constexpr int MaxTiffEntries = 1000;

struct TiffField
{
    quint32 type = 0;
    quint32 count = 0;
    quint32 valueOffset = 0; // where the values are: in the entry or elsewhere
};

// The i-th value of a SHORT or LONG field; 0 when it is of another type or absent.
quint32 tiffValue(const Bytes& b, const TiffField& field, quint32 i)
{
    if (i >= field.count) {
        return 0;
    }
    if (field.type == 3) { // SHORT
        const qint64 at =
            field.count <= 2 ? field.valueOffset + 2 * i : qint64(b.u32(field.valueOffset)) + 2 * i;
        return b.u16(at);
    }
    if (field.type == 4) { // LONG
        const qint64 at =
            field.count <= 1 ? field.valueOffset : qint64(b.u32(field.valueOffset)) + 4 * i;
        return b.u32(at);
    }
    return 0;
}

Result<ImageHeader> checkTiff(const Bytes& raw, bool bigEndian)
{
    const Bytes b(raw.at(0), raw.size(), bigEndian);
    const qint64 ifd = b.u32(4);
    if (!b.has(ifd, 2)) {
        return failed(HeaderText::endsEarly());
    }
    const int entries = int(b.u16(ifd));
    if (entries > MaxTiffEntries || !b.has(ifd + 2, qint64(entries) * 12)) {
        return failed(HeaderText::damaged(HeaderText::tr("its directory is wrong")));
    }
    TiffField width, height, bits, compression, offsets, samples, byteCounts, sampleFormat,
        tileOffsets, tileByteCounts;
    for (int e = 0; e < entries; ++e) {
        const qint64 at = ifd + 2 + qint64(e) * 12;
        TiffField field{b.u16(at + 2), b.u32(at + 4), quint32(at + 8)};
        // Values that do not fit in the entry lie elsewhere, which must be in the file.
        const qint64 unit = field.type == 3 ? 2 : field.type == 4 ? 4 : 1;
        if (qint64(field.count) * unit > 4 && !b.has(b.u32(at + 8), qint64(field.count) * unit)) {
            return failed(HeaderText::damaged(HeaderText::tr("its directory points past its end")));
        }
        switch (b.u16(at)) {
        case 256:
            width = field;
            break;
        case 257:
            height = field;
            break;
        case 258:
            bits = field;
            break;
        case 259:
            compression = field;
            break;
        case 273:
            offsets = field;
            break;
        case 277:
            samples = field;
            break;
        case 279:
            byteCounts = field;
            break;
        case 324:
            tileOffsets = field;
            break;
        case 325:
            tileByteCounts = field;
            break;
        case 339:
            sampleFormat = field;
            break;
        default:
            break;
        }
    }
    const qint64 w = tiffValue(b, width, 0);
    const qint64 h = tiffValue(b, height, 0);
    const qint64 spp = samples.count ? tiffValue(b, samples, 0) : 1;
    const qint64 bps = bits.count ? tiffValue(b, bits, 0) : 1;
    const quint32 coding = compression.count ? tiffValue(b, compression, 0) : 1;
    if (spp < 1 || spp > 4) {
        return failed(
            HeaderText::unusualKind(HeaderText::tr("a TIFF of %1 samples a pixel").arg(spp)));
    }
    for (quint32 s = 1; s < bits.count && s < quint32(spp); ++s) {
        if (tiffValue(b, bits, s) != bps) {
            return failed(
                HeaderText::unusualKind(HeaderText::tr("a TIFF whose samples differ in depth")));
        }
    }
    if (bps != 1 && bps != 2 && bps != 4 && bps != 8 && bps != 16) {
        return failed(
            HeaderText::unusualKind(HeaderText::tr("a TIFF of %1 bits a sample").arg(bps)));
    }
    if (sampleFormat.count && tiffValue(b, sampleFormat, 0) != 1) {
        return failed(
            HeaderText::unusualKind(HeaderText::tr("a TIFF of signed or floating-point samples")));
    }
    const bool fax = coding == 2 || coding == 3 || coding == 4;
    const bool known = coding == 1 || fax || coding == 5 || coding == 7 || coding == 8 ||
                       coding == 32946 || coding == 32773;
    if (!known || (fax && (bps != 1 || spp != 1)) || (coding == 7 && bps != 8)) {
        return failed(HeaderText::unusualKind(HeaderText::tr("a TIFF in coding %1").arg(coding)));
    }
    Result<ImageHeader> declared =
        declaredHeader(ImageFileFormat::Tiff, w, h, int(spp * bps), bps == 16 ? 8 : 4);
    if (!declared.ok()) {
        return declared;
    }
    ImageHeader header = declared.take();
    if (w * h > MaxImagePixels) {
        return finish(header);
    }

    // The coded pixel data: every strip or tile, as far as the file holds it.
    const bool tiled = tileOffsets.count > 0;
    const TiffField& where = tiled ? tileOffsets : offsets;
    const TiffField& counts = tiled ? tileByteCounts : byteCounts;
    if (where.count == 0) {
        return failed(HeaderText::damaged(HeaderText::tr("it holds no pixel data")));
    }
    // Strips may overlap, or a directory list more counts than offsets: the sum
    // never counts more than the file holds.
    qint64 data = 0;
    if (counts.count == 0) {
        data = b.size();
    }
    const quint32 pieces = std::min(counts.count, where.count);
    for (quint32 i = 0; i < pieces && data < b.size(); ++i) {
        const qint64 start = tiffValue(b, where, i);
        const qint64 count = tiffValue(b, counts, i);
        if (start < b.size()) {
            data += std::min(count, b.size() - start);
        }
    }
    data = std::min(data, b.size());
    const qint64 rawBytes = ceilDiv(w * spp * bps, 8) * h;
    bool plausible = true;
    switch (coding) {
    case 1:
        if (data < rawBytes) {
            return failed(HeaderText::endsEarly());
        }
        break;
    case 2:
    case 3:
    case 4:
        plausible = h <= 8 * data + 64; // at least one bit a row
        break;
    case 5:
        plausible = rawBytes <= MaxLzwRatio * data + 4096;
        break;
    case 7:
        plausible = w * h <= 512 * data + 4096; // one bit a block of 8 x 8
        break;
    case 8:
    case 32946:
        plausible = rawBytes <= MaxDeflateRatio * data + 4096;
        break;
    case 32773:
        plausible = rawBytes <= MaxPackBitsRatio * data + 4096;
        break;
    default:
        break;
    }
    return finish(header, plausible);
}

// --- WebP ----------------------------------------------------------------------

// A lossy key frame codes each macroblock of 16 x 16 pixels with its modes, a few
// bits at the least.
constexpr qint64 MaxVp8PixelsPerByte = 1024;

Result<ImageHeader> checkWebP(const Bytes& b)
{
    ImageHeader header;
    header.format = ImageFileFormat::WebP;
    header.decodedBytesPerPixel = 4;
    qint64 at = 12;
    QSize canvas;
    bool plausible = true;
    while (b.has(at, 8)) {
        const qint64 length = b.u32(at + 4);
        const qint64 body = at + 8;
        if (b.startsWith(at, "VP8X")) {
            if (!b.has(body, 10)) {
                return failed(HeaderText::endsEarly());
            }
            if (b.u8(body) & 0x02) {
                return failed(HeaderText::unusualKind(HeaderText::tr("an animated WebP")));
            }
            canvas = QSize(int(b.u24(body + 4) + 1), int(b.u24(body + 7) + 1));
        } else if (b.startsWith(at, "VP8 ")) {
            if (!b.has(body, 10)) {
                return failed(HeaderText::endsEarly());
            }
            if ((b.u8(body) & 1) != 0 || b.u8(body + 3) != 0x9D || b.u8(body + 4) != 0x01 ||
                b.u8(body + 5) != 0x2A) {
                return failed(HeaderText::damaged(HeaderText::tr("its frame header is wrong")));
            }
            header.size = QSize(int(b.u16(body + 6) & 0x3FFF), int(b.u16(body + 8) & 0x3FFF));
            header.bitsPerPixel = 24;
            const qint64 pixels = qint64(header.size.width()) * header.size.height();
            plausible = pixels <= MaxVp8PixelsPerByte * std::min(length, b.size() - body) + 65536;
            break;
        } else if (b.startsWith(at, "VP8L")) {
            if (!b.has(body, 5) || b.u8(body) != 0x2F) {
                return failed(HeaderText::damaged(HeaderText::tr("its frame header is wrong")));
            }
            const quint32 bitsField = b.u32(body + 1);
            header.size =
                QSize(int((bitsField & 0x3FFF) + 1), int(((bitsField >> 14) & 0x3FFF) + 1));
            header.bitsPerPixel = 32;
            // Lossless coding may spend no bits at all on a plain area: the pixels
            // are all defined, however small the file.
            break;
        } else if (b.startsWith(at, "ANIM") || b.startsWith(at, "ANMF")) {
            return failed(HeaderText::unusualKind(HeaderText::tr("an animated WebP")));
        }
        at = body + length + (length & 1);
    }
    if (header.size.isEmpty()) {
        return failed(b.has(at, 8) ? HeaderText::damaged(HeaderText::tr("it holds no picture"))
                                   : HeaderText::endsEarly());
    }
    if (canvas.isValid() && canvas != header.size) {
        return failed(HeaderText::damaged(HeaderText::tr("its picture does not fill its canvas")));
    }
    return finish(header, plausible);
}

} // namespace

QByteArray ImageHeader::readerFormat() const
{
    switch (format) {
    case ImageFileFormat::Png:
        return "png";
    case ImageFileFormat::Jpeg:
        return "jpeg";
    case ImageFileFormat::Tiff:
        return "tiff";
    case ImageFileFormat::Bmp:
        return "bmp";
    case ImageFileFormat::WebP:
        return "webp";
    case ImageFileFormat::Gif:
        return "gif";
    }
    return {};
}

QString readableFormatsText()
{
    return HeaderText::tr("PNG, JPEG, TIFF, BMP, WebP and GIF");
}

Result<ImageHeader> checkImageHeader(const uchar* data, qint64 size)
{
    const Bytes b(data, size);
    if (b.startsWith(0, "\x89PNG\r\n\x1a\n")) {
        return checkPng(b);
    }
    if (b.startsWith(0, "\xFF\xD8\xFF")) {
        return checkJpeg(b);
    }
    if (b.startsWith(0, "II*") && b.u8(3) == 0) {
        return checkTiff(b, false);
    }
    if (b.startsWith(0, "MM") && b.u8(2) == 0 && b.u8(3) == 42) {
        return checkTiff(b, true);
    }
    if (b.startsWith(0, "BM")) {
        return checkBmp(b);
    }
    if (b.startsWith(0, "RIFF") && b.startsWith(8, "WEBP")) {
        return checkWebP(b);
    }
    if (b.startsWith(0, "GIF87a") || b.startsWith(0, "GIF89a")) {
        return checkGif(b);
    }
    return failed(HeaderText::notReadable());
}

} // namespace verimetra
