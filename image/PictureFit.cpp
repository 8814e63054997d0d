#include "image/PictureFit.h"

#include "analysis/Rounding.h"
#include "image/ImageLoader.h"

namespace verimetra {

namespace {

// A working picture wider or taller than this is not made: it would be slow to draw
// and to measure, and no screen shows it.
constexpr double MaxFitSide = 65535;

} // namespace

PictureFit computeFit(int clientHeight, QSize loaded)
{
    if (clientHeight <= 0 || loaded.width() <= 0 || loaded.height() <= 0) {
        return {};
    }
    PictureFit fit;
    fit.ratio = double(float(clientHeight) / float(loaded.height()));
    fit.height = roundHalfEven(double(loaded.height()) * fit.ratio);
    fit.width = roundHalfEven(double(loaded.width()) * fit.ratio);
    // A very narrow picture can round to no width at all; a very wide one to more
    // pixels than the program holds. Neither can be drawn.
    if (!fit.isValid() || fit.height > MaxFitSide || fit.width > MaxFitSide ||
        fit.height * fit.width > double(MaxImagePixels)) {
        return {};
    }
    return fit;
}

QImage FitCache::scaled(const QImage& loaded, QSize size)
{
    if (loaded.isNull() || size.isEmpty()) {
        return {};
    }
    if (!m_result.isNull() && loaded.cacheKey() == m_sourceKey && size == m_size) {
        return m_result;
    }
    // Release the previous fit before making the next one, so that two never
    // take memory at the same time.
    m_result = QImage();

    QImage result;
    if (size == loaded.size()) {
        // Shares the loaded picture's pixels when it is already in the working format.
        result = loaded.convertToFormat(QImage::Format_RGB32);
    } else if (loaded.format() == QImage::Format_RGB32) {
        result = loaded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        result = loaded.convertToFormat(QImage::Format_RGB32)
                     .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (result.format() != QImage::Format_RGB32) {
        result.convertTo(QImage::Format_RGB32);
    }

    m_sourceKey = loaded.cacheKey();
    m_size = size;
    m_result = result;
    return result;
}

void FitCache::clear()
{
    m_result = QImage();
    m_sourceKey = 0;
    m_size = QSize();
}

} // namespace verimetra
