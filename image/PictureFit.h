#pragma once

#include <QImage>
#include <QSize>

namespace verimetra {

// The fit of a loaded picture to the image window's inner height.
struct PictureFit
{
    double ratio = 0;  // inner height / loaded height, a float quotient kept as double
    double height = 0; // whole pixels of the working picture
    double width = 0;  // whole pixels of the working picture
    bool isValid() const { return height >= 1 && width >= 1; }
};

// ratio = float(clientHeight) / float(loaded.height); height and width are the loaded
// size times the ratio, rounded to nearest with ties to even. Both enlarge as well as
// reduce. 3 x 2 in a height of 3 gives 4 x 3; 1200 x 900 in 600 gives 800 x 600.
// A loaded height of 0 or a result beyond what a picture can hold gives an invalid fit.
PictureFit computeFit(int clientHeight, QSize loaded);

// Scales `loaded` to `size` with area-averaging (smooth) resampling into
// Format_RGB32, and keeps the last result: asking again for the same picture and
// size returns the kept image at once (shared, not copied), with the same pixels.
class FitCache
{
public:
    QImage scaled(const QImage& loaded, QSize size);
    void clear();

private:
    qint64 m_sourceKey = 0;
    QSize m_size;
    QImage m_result;
};

} // namespace verimetra
