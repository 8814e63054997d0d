// Fuzzes the split of a counted picture into leaves.
// The input is a small picture: its width and height (1 to 64 each), a span (which
// may reach past the picture), then one bit a pixel, set for a counted pixel. For
// any input the split keeps every counted pixel of the span, as a leaf's or a
// speck's; numbers the leaves 1 to n; keeps each leaf's extent and centroid on the
// span; and gives finite measures that a leaf of its size can have.

#include "analysis/LeafSplit.h"
#include "fuzz/LeakRoots.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_leafsplit: property violated: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const KeepMainThreadRootsAtEnd keepRoots;
    if (size < 7) {
        return 0;
    }
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    // The span may start before and end after the picture, by up to 8 pixels.
    verimetra::PixelSpan span{int(data[2] % 80) - 8, int(data[3] % 80) - 8, int(data[4] % 80) - 8,
                              int(data[5] % 80) - 8};
    const int minLeafPixels = data[6] % 16;
    data += 7;
    size -= 7;

    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(0xFFFFFFFFu);
    qint64 expected = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t bit = std::size_t(y) * std::size_t(width) + std::size_t(x);
            const bool set = bit / 8 < size && ((data[bit / 8] >> (bit % 8)) & 1u);
            if (set) {
                picture.setPixel(x, y, 0xFFFF0000u);
                if (x >= span.x0 && x <= span.x1 && y >= span.y0 && y <= span.y1) {
                    ++expected;
                }
            }
        }
    }

    const verimetra::LeafSplit split = verimetra::splitLeaves(picture, span, minLeafPixels);
    check(split.countedPixels == expected, "counted pixels lost or added");
    qint64 leafPixels = 0;
    const QRect onPicture =
        QRect(QPoint(span.x0, span.y0), QPoint(span.x1, span.y1)) & QRect(0, 0, width, height);
    for (qsizetype i = 0; i < split.leaves.size(); ++i) {
        const verimetra::LeafShape& leaf = split.leaves[i];
        check(leaf.number == i + 1, "leaves not numbered 1 to n");
        check(leaf.pixels >= std::max(1, minLeafPixels), "a leaf smaller than the minimum");
        check(leaf.pixels <= qint64(leaf.bounds.width()) * leaf.bounds.height(),
              "a leaf with more pixels than its bounds hold");
        check(leaf.holePixels >= 0 && leaf.pixels + leaf.holePixels <=
                                          qint64(leaf.bounds.width()) * leaf.bounds.height(),
              "holes beyond the leaf's bounds");
        check(onPicture.contains(leaf.bounds), "a leaf off the span");
        check(QRectF(leaf.bounds).adjusted(0, 0, 1, 1).contains(leaf.centroid),
              "a centroid off the leaf's bounds");
        check(std::isfinite(leaf.perimeter) && leaf.perimeter >= 3, "a perimeter out of range");
        const double diagonal = std::hypot(leaf.bounds.width(), leaf.bounds.height());
        check(leaf.length >= 1 && leaf.length <= diagonal + 1e-9, "a length out of range");
        check(leaf.width >= 1 && leaf.width <= leaf.length + 1e-9, "a width out of range");
        check(!leaf.outline.isEmpty(), "a leaf without an outline");
        leafPixels += leaf.pixels;
    }
    check(leafPixels + split.speckPixels == split.countedPixels,
          "leaves and specks do not make the count");
    check((split.specks == 0) == (split.speckPixels == 0), "specks without pixels");
    return 0;
}
