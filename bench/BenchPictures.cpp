#include "BenchPictures.h"

#include "analysis/Conversion.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

namespace verimetra::bench {

namespace {

struct Pictures
{
    QSize size;
    QImage unconverted;
    QImage converted;
};

Pictures& pictures()
{
    static Pictures p;
    return p;
}

void selectSize(QSize size)
{
    Pictures& p = pictures();
    if (p.size != size) {
        releasePictures();
        p.size = size;
    }
}

// A leaf of length `length` along the x axis, centred on the origin: a pointed oval
// with a short stalk.
QPainterPath leafOutline(double length, double breadth)
{
    QPainterPath path;
    path.moveTo(-length / 2, 0);
    path.cubicTo(-length / 4, -breadth, length / 4, -breadth, length / 2, 0);
    path.cubicTo(length / 4, breadth, -length / 4, breadth, -length / 2, 0);
    path.closeSubpath();
    return path;
}

void drawLeaf(QPainter& painter, std::mt19937& rng, QPointF centre, double length,
              double shadowOffset, QColor paper)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double breadth = length * (0.28 + 0.18 * unit(rng));
    const double angle = 360.0 * unit(rng);
    const QPainterPath outline = leafOutline(length, breadth);

    painter.save();
    painter.translate(centre);
    painter.rotate(angle);

    // The shadow the leaf casts on the paper under the scanner's light.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(196, 199, 191));
    painter.drawPath(outline.translated(shadowOffset, shadowOffset));

    const int red = 30 + int(55 * unit(rng));
    const int green = 80 + int(60 * unit(rng));
    const int blue = 20 + int(45 * unit(rng));
    const QColor leaf(red, green, blue);
    painter.setBrush(leaf);
    painter.drawPath(outline);

    // A stalk, and the veins, lighter than the blade (some turn white at 300).
    const QColor vein(std::min(red + 55, 255), std::min(green + 55, 255), std::min(blue + 40, 255));
    painter.setPen(QPen(leaf.darker(110), length * 0.018, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(-length / 2, 0), QPointF(-length * 0.68, length * 0.03));
    painter.setPen(QPen(vein, length * 0.010, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(-length * 0.48, 0), QPointF(length * 0.46, 0));
    painter.setPen(QPen(vein, length * 0.004, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 6; ++i) {
        const double x = -length / 2 + i * length / 7.5;
        const double reach = breadth * 0.62 * std::sin(std::numbers::pi * (i / 7.0));
        painter.drawLine(QPointF(x, 0), QPointF(x + length * 0.08, -reach));
        painter.drawLine(QPointF(x, 0), QPointF(x + length * 0.08, reach));
    }

    // Insect holes through the blade.
    painter.setPen(Qt::NoPen);
    painter.setBrush(paper);
    const int holes = int(3 * unit(rng));
    for (int i = 0; i < holes; ++i) {
        const QPointF at((unit(rng) - 0.5) * length * 0.5, (unit(rng) - 0.5) * breadth * 0.6);
        const double radius = length * (0.01 + 0.02 * unit(rng));
        painter.drawEllipse(at, radius, radius * (0.6 + 0.4 * unit(rng)));
    }
    painter.restore();
}

// Sensor noise of -6 .. +6 on every channel, from a fast generator.
void addNoise(QImage& image, std::uint32_t seed)
{
    std::uint32_t state = seed * 2654435761u + 12345u;
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const QRgb p = line[x];
            const int r = std::clamp(qRed(p) + int(state & 15u) % 13 - 6, 0, 255);
            const int g = std::clamp(qGreen(p) + int((state >> 8) & 15u) % 13 - 6, 0, 255);
            const int b = std::clamp(qBlue(p) + int((state >> 16) & 15u) % 13 - 6, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
}

__attribute__((target_clones("avx2", "default"))) void invertRow(const std::uint32_t* src,
                                                                 std::uint32_t* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        dst[i] = src[i] ^ 0x00FFFFFFu;
    }
}

} // namespace

QImage makeLeafPicture(QSize size, std::uint32_t seed)
{
    QImage image(size, QImage::Format_RGB32);
    const int width = size.width();
    const int height = size.height();
    const QColor paper(238, 240, 233);

    // Paper, a little darker towards the top and bottom edges.
    for (int y = 0; y < height; ++y) {
        const int shade = int(10.0 * std::abs(2.0 * y / height - 1.0));
        const QRgb colour = qRgb(238 - shade, 240 - shade, 233 - shade);
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), width, colour);
    }

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    // Twelve leaves on a 4 x 3 grid, each somewhat off its cell's centre.
    constexpr int columns = 4;
    constexpr int rows = 3;
    const double cellWidth = double(width) / columns;
    const double cellHeight = double(height) / rows;
    const double shadowOffset = std::max(1.0, height * 0.003);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QPointF centre((column + 0.35 + 0.3 * unit(rng)) * cellWidth,
                                 (row + 0.35 + 0.3 * unit(rng)) * cellHeight);
            const double length = std::min(cellWidth, cellHeight) * (0.8 + 0.25 * unit(rng));
            drawLeaf(painter, rng, centre, length, shadowOffset, paper);
        }
    }

    // Dust and crumbs on the glass.
    painter.setPen(Qt::NoPen);
    const double speck = height / 1500.0;
    for (int i = 0; i < 400; ++i) {
        const int grey = 60 + int(120 * unit(rng));
        painter.setBrush(QColor(grey, grey, grey - 10));
        const double radius = speck * (0.5 + 2.5 * unit(rng));
        painter.drawEllipse(QPointF(unit(rng) * width, unit(rng) * height), radius, radius);
    }
    painter.end();

    addNoise(image, seed);
    return image;
}

const QImage& unconvertedPicture(QSize size)
{
    selectSize(size);
    Pictures& p = pictures();
    if (p.unconverted.isNull()) {
        p.unconverted = makeLeafPicture(size);
    }
    return p.unconverted;
}

const QImage& convertedPicture(QSize size)
{
    selectSize(size);
    Pictures& p = pictures();
    if (p.converted.isNull()) {
        QImage converted = unconvertedPicture(size).copy();
        convertToBlackAndWhite(converted,
                               RegionBounds{0, 0, double(size.width()), double(size.height())},
                               ThresholdStart);
        p.unconverted = QImage();
        p.converted = std::move(converted);
    }
    return p.converted;
}

void releasePictures()
{
    Pictures& p = pictures();
    p.unconverted = QImage();
    p.converted = QImage();
    p.size = QSize();
}

void restorePixels(QImage& to, const QImage& from)
{
    std::memcpy(to.bits(), from.constBits(), std::size_t(from.sizeInBytes()));
}

// The size of the last-level cache that one core sees, from the kernel's description
// of cpu0's caches ("32768K"); 0 when unknown. (sysconf(_SC_LEVEL3_CACHE_SIZE) gives
// the whole processor's, which on a many-chiplet processor is ten times more.)
static std::size_t lastLevelCacheBytes()
{
    for (const char* index : {"index3", "index2"}) {
        QFile file(
            QStringLiteral("/sys/devices/system/cpu/cpu0/cache/%1/size").arg(QLatin1String(index)));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = file.readAll().trimmed();
        bool ok = false;
        const qlonglong kibibytes = text.endsWith('K') ? text.chopped(1).toLongLong(&ok) : 0;
        if (ok && kibibytes > 0) {
            return std::size_t(kibibytes) * 1024;
        }
    }
    return 0;
}

void evictCaches()
{
    static const std::vector<std::uint64_t> scratch = [] {
        const std::size_t bytes = std::max<std::size_t>(48u << 20, lastLevelCacheBytes() * 3 / 2);
        return std::vector<std::uint64_t>(bytes / sizeof(std::uint64_t), 1);
    }();
    std::uint64_t sum = 0;
    constexpr std::size_t perLine = 64 / sizeof(std::uint64_t);
    for (std::size_t i = 0; i < scratch.size(); i += perLine) {
        sum += scratch[i];
    }
    benchmark::DoNotOptimize(sum);
}

void floorPassInPlace(QImage& picture)
{
    const int width = picture.width();
    const int height = picture.height();
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bits + y * stride);
        invertRow(row, row, width);
    }
}

void floorPassInto(const QImage& from, QImage& to)
{
    const int width = from.width();
    const int height = from.height();
    const uchar* fromBits = from.constBits();
    uchar* toBits = to.bits();
    const qsizetype fromStride = from.bytesPerLine();
    const qsizetype toStride = to.bytesPerLine();
    for (int y = 0; y < height; ++y) {
        invertRow(reinterpret_cast<const std::uint32_t*>(fromBits + y * fromStride),
                  reinterpret_cast<std::uint32_t*>(toBits + y * toStride), width);
    }
}

} // namespace verimetra::bench
