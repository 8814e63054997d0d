#include "image/ImageLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <utility>

namespace verimetra {

namespace {

class LoaderText
{
    Q_DECLARE_TR_FUNCTIONS(ImageLoader)

public:
    static QString missing() { return tr("the file does not exist"); }
    static QString notAFile() { return tr("it is not a file"); }
    static QString empty() { return tr("the file is empty"); }
    static QString cannotRead(const QString& why) { return tr("it cannot be read (%1)").arg(why); }
    static QString damaged(const QString& why)
    {
        return tr("the file is damaged or incomplete (%1)").arg(why);
    }
    static QString notAsDeclared(QSize got, QSize declared)
    {
        return tr("the file is damaged: it holds a picture of %1 × %2 pixels where its header "
                  "declares %3 × %4")
            .arg(got.width())
            .arg(got.height())
            .arg(declared.width())
            .arg(declared.height());
    }
    static QString noMemory() { return tr("there is not enough memory to hold the picture"); }
};

// Qt's readers refuse pictures above 128 MiB unless told otherwise. Every file is
// held to the budget its checked header gives it before a reader is made for it;
// Qt's own limit, which is one for the whole process, stays only as a backstop at
// the largest budget any file can have.
void raiseAllocationLimitOnce()
{
    static const bool raised = [] {
        constexpr qint64 mebibyte = 1024 * 1024;
        constexpr int needed = int(MaxDecodeBytes / mebibyte);
        const int current = QImageReader::allocationLimit();
        if (current != 0 && current < needed) {
            QImageReader::setAllocationLimit(needed);
        }
        return true;
    }();
    Q_UNUSED(raised);
}

// Transparent parts of a picture read as white paper, not as the black that
// their colour bits often hold.
QImage flattenOnWhite(QImage image)
{
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
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

// Turns the picture upright as the file's orientation says (EXIF or TIFF), after it
// is in the working format: turning it copies it, and a copy of the decoder's own
// picture (8 bytes a pixel for 16-bit files) would take more than the file's budget.
void turnUpright(QImage& image, QImageIOHandler::Transformations orientation)
{
    if (orientation == QImageIOHandler::TransformationNone) {
        return;
    }
    if (orientation == QImageIOHandler::TransformationRotate270) {
        image = image.transformed(QTransform().rotate(270));
        return;
    }
    image.mirror(orientation.testFlag(QImageIOHandler::TransformationMirror),
                 orientation.testFlag(QImageIOHandler::TransformationFlip));
    if (orientation.testFlag(QImageIOHandler::TransformationRotate90)) {
        image = image.transformed(QTransform().rotate(90));
    }
}

} // namespace

Result<QImage> loadImageFile(const QString& path)
{
    raiseAllocationLimitOnce();

    // Only a regular file is opened: a pipe or a device would block or never end.
    const QFileInfo info(path);
    if (!info.exists()) {
        return failed(LoaderText::missing());
    }
    if (!info.isFile()) {
        return failed(LoaderText::notAFile());
    }
    if (info.size() == 0) {
        return failed(LoaderText::empty());
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(LoaderText::cannotRead(file.errorString()));
    }

    // The header decides the format and the budget before any decoder sees the file.
    Result<ImageHeader> checked = [&file]() -> Result<ImageHeader> {
        const qint64 size = file.size();
        if (const uchar* data = file.map(0, size)) {
            Result<ImageHeader> header = checkImageHeader(data, size);
            file.unmap(const_cast<uchar*>(data));
            return header;
        }
        const QByteArray bytes = file.readAll();
        return checkImageHeader(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    }();
    if (!checked.ok()) {
        return checked.failure();
    }
    const ImageHeader& header = checked.value();

    QImage image;
    QImageIOHandler::Transformations orientation = QImageIOHandler::TransformationNone;
    {
        file.seek(0);
        // A reader for the format found, and no other: it never falls back to
        // another reader that would take the file for something else.
        QImageReader reader(&file, header.readerFormat());
        reader.setAutoTransform(false);
        if (!reader.read(&image)) {
            return failed(LoaderText::damaged(reader.errorString()));
        }
        orientation = reader.transformation();
    }
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        return failed(LoaderText::damaged(LoaderText::tr("no picture in it")));
    }
    // The budget holds only for the picture the header declared.
    if (qint64(image.width()) * image.height() >
        qint64(header.size.width()) * header.size.height()) {
        return failed(LoaderText::notAsDeclared(image.size(), header.size));
    }
    if (image.hasAlphaChannel()) {
        image = flattenOnWhite(std::move(image));
    } else if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
    }
    if (!image.isNull()) {
        turnUpright(image, orientation);
    }
    if (image.isNull()) {
        return failed(LoaderText::noMemory());
    }
    return image;
}

QString leafNameOf(const QString& fileTitle)
{
    // A dot at the start belongs to the name (".png" has no extension).
    const qsizetype dot = fileTitle.lastIndexOf(u'.');
    return dot > 0 ? fileTitle.left(dot) : fileTitle;
}

} // namespace verimetra
