#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QSize>

namespace verimetra {

// Pictures above this many pixels are refused before they are decoded: the loaded
// picture, the working picture and the cached fit must fit in memory together.
// 250 megapixels is 1 GB held; an A4 page scanned at 1200 dpi is 140 megapixels.
inline constexpr qint64 MaxImagePixels = 250'000'000;

// The most memory one file may take while it is decoded and brought into the
// working format: the decoder's picture and, when that is not already Format_RGB32,
// its conversion, both held at once for a moment.
inline constexpr qint64 MaxDecodeBytes = qint64(2) << 30; // 2 GiB

// The formats a leaf scan comes in; everything else is refused by its contents,
// whatever its name.
enum class ImageFileFormat
{
    Png,
    Jpeg,
    Tiff,
    Bmp,
    WebP,
    Gif
};

// What a file's header declares, once it has been checked.
struct ImageHeader
{
    ImageFileFormat format = ImageFileFormat::Png;
    QSize size;                   // of the picture the decoder makes
    int bitsPerPixel = 0;         // in the file, all samples of a pixel together
    int decodedBytesPerPixel = 4; // of the decoder's picture (8 for 16-bit samples)
    // The file's allocation budget: the decoder's picture and its conversion to
    // the working format. Never above MaxDecodeBytes.
    qint64 budgetBytes = 0;

    // The name Qt's image readers know the format by.
    QByteArray readerFormat() const;
};

// Names the formats read, for messages: "PNG, JPEG, TIFF, BMP, WebP and GIF".
QString readableFormatsText();

// Decides the format from the first bytes and checks everything the header
// declares before anything is decoded: the picture's size against MaxImagePixels,
// the budget against MaxDecodeBytes, the kind of coding (only what scanners and
// cameras write), TIFF's samples and bits, JPEG's scans, GIF's screen, the
// animation of a WebP, and, for each format and bit depth, whether the coded data
// can hold as many pixels as the header claims (a small file that claims a huge
// picture is damaged: decoding it would only invent the missing pixels).
// `data` is the whole file.
Result<ImageHeader> checkImageHeader(const uchar* data, qint64 size);

} // namespace verimetra
