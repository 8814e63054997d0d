#pragma once

#include "core/Result.h"
#include "image/ImageHeader.h"

#include <QImage>
#include <QString>

namespace verimetra {

// Reads a PNG, JPEG, TIFF, BMP, WebP or GIF file, told by its contents, into a
// picture in Format_RGB32, upright (EXIF orientation applied), transparent parts
// laid on white. Everything its header declares is checked before anything is
// decoded (see checkImageHeader()); missing files, things that are not regular
// files, other formats, damaged or cut-off data and pictures beyond the limits give
// the reason and no picture.
Result<QImage> loadImageFile(const QString& path);

// The leaf name of an image file name: the name without its last extension.
// "leaf01.jpg" and "leaf01.jpeg" give "leaf01"; "abc" gives "abc"; "a.b.png" gives "a.b".
QString leafNameOf(const QString& fileTitle);

} // namespace verimetra
