#pragma once

#include <QImage>
#include <QString>

namespace verimetra {

// Pictures above this many pixels are refused before they are decoded: the loaded
// picture, the working picture and the cached fit must fit in memory together.
// 250 megapixels is 1 GB held (a 16-bit file needs twice that while it decodes);
// an A4 page scanned at 1200 dpi is 140 megapixels.
inline constexpr qint64 MaxImagePixels = 250'000'000;

struct LoadedImage
{
    QImage image;  // Format_RGB32, upright (EXIF orientation applied); null on failure
    QString error; // why it could not be loaded, for the user; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads an image file with Qt's image readers (PNG, JPEG, BMP, GIF, PNM, TIFF, WebP...).
// Missing files, unreadable or truncated data, empty pictures and pictures above
// MaxImagePixels give an error that says why, and no image.
LoadedImage loadImageFile(const QString& path);

// The leaf name of an image file name: the name without its last extension.
// "leaf01.jpg" and "leaf01.jpeg" give "leaf01"; "abc" gives "abc"; "a.b.png" gives "a.b".
QString leafNameOf(const QString& fileTitle);

} // namespace verimetra
