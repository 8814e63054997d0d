// Fuzzes the loading of image files. The bytes go to one file per process (its
// name has no extension, so Qt's readers tell the format from the contents) that
// loadImageFile() then reads. The result is either a picture in Format_RGB32 of at
// most MaxImagePixels pixels and no error, or an error and no picture.
// Run with -rss_limit_mb=2048 -malloc_limit_mb=2048: a small file must never make
// the loader allocate gigabytes. Set VERIMETRA_FUZZ_VERBOSE=1 to see Qt's warnings.

#include "fuzz/LeakRoots.h"
#include "image/ImageLoader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QString filePath;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_imageloader: property violated: %s\n", what);
        std::abort();
    }
}

// The image readers warn about every damaged file; at thousands of files a second
// that is only noise, and slow. Critical and fatal messages still show.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

void removeFile()
{
    if (!filePath.isEmpty()) {
        QFile::remove(filePath);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image plugins are found through the application object; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("QT_QPA_PLATFORMTHEME", "");
    if (qEnvironmentVariableIsEmpty("VERIMETRA_FUZZ_VERBOSE")) {
        qInstallMessageHandler(quietHandler);
    }
    // Kept for the life of the process (never destroyed, so no exit-time teardown).
    static auto* application = new QGuiApplication(*argc, *argv);
    Q_UNUSED(application);

    filePath = QDir::temp().filePath(
        QStringLiteral("verimetra-fuzz-image-%1").arg(QCoreApplication::applicationPid()));
    std::atexit(removeFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const KeepMainThreadRootsAtEnd keepRoots;
    {
        QFile file(filePath);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the temp file");
        check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                  static_cast<qint64>(size),
              "cannot write the temp file");
    }

    const verimetra::Result<QImage> loaded = verimetra::loadImageFile(filePath);
    if (loaded.ok()) {
        const QImage& image = loaded.value();
        check(!image.isNull(), "no error but no picture");
        check(image.format() == QImage::Format_RGB32, "the picture is not Format_RGB32");
        check(image.width() > 0 && image.height() > 0, "the picture is empty");
        check(qint64(image.width()) * image.height() <= verimetra::MaxImagePixels,
              "the picture has more than MaxImagePixels pixels");
    } else {
        check(loaded.value().isNull(), "an error and a picture at once");
        check(!loaded.error().isEmpty(), "a failure without a reason");
    }
    return 0;
}
