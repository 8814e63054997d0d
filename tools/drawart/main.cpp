// Draws Verimetra's own artwork and example images with QPainter and writes them as files:
//
//   app/resources/verimetra-48.png   window and application icon, 48 x 48
//   app/resources/verimetra.svg      the same icon as scalable vector graphics
//   app/resources/background.png     picture in the middle of the empty workspace
//   samples/leaves-white.jpg         three leaves and a ruler on a white scanner bed
//   samples/pale-leaf-shadow.jpg     a pale leaf with a soft shadow on light grey, and a ruler
//   samples/small-leaves.png         many small leaves and a ruler
//   samples/README.md                size, scale and the true area of every leaf drawn
//
// Usage: QT_QPA_PLATFORM=offscreen drawart <top folder of the source tree>
//
// Everything is drawn from fixed random seeds, so running it again gives the same pictures.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;

// The example images are "scanned" at 150 dots per inch.
constexpr double scanDpi = 150.0;
constexpr double pxPerCm = scanDpi / 2.54;
constexpr int dotsPerMetre = 5906; // 150 dpi, as stored in the files

// ---------------------------------------------------------------------------------------------
// Random numbers and noise

// The output sequence of std::mt19937 is fixed by the C++ standard; the conversions to
// floating point below are our own, so the pictures do not depend on the standard library.
class Random
{
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}

    double uniform() { return static_cast<double>(engine_()) / 4294967296.0; }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    double normal()
    {
        const double u1 = 1.0 - uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * pi * u2);
    }

private:
    std::mt19937 engine_;
};

// Smooth value noise on a wrapping grid, values in about -1 .. 1.
class ValueNoise
{
public:
    ValueNoise(Random& random, int cells) : cells_(cells), values_(std::size_t(cells * cells))
    {
        for (double& v : values_) {
            v = random.uniform(-1.0, 1.0);
        }
    }

    double at(double x, double y) const
    {
        const double fx = std::floor(x);
        const double fy = std::floor(y);
        const int ix = static_cast<int>(fx);
        const int iy = static_cast<int>(fy);
        double tx = x - fx;
        double ty = y - fy;
        tx = tx * tx * (3.0 - 2.0 * tx);
        ty = ty * ty * (3.0 - 2.0 * ty);
        const double a = value(ix, iy) + (value(ix + 1, iy) - value(ix, iy)) * tx;
        const double b = value(ix, iy + 1) + (value(ix + 1, iy + 1) - value(ix, iy + 1)) * tx;
        return a + (b - a) * ty;
    }

    double fractal(double x, double y, int octaves) const
    {
        double sum = 0.0;
        double amplitude = 1.0;
        double norm = 0.0;
        double frequency = 1.0;
        for (int o = 0; o < octaves; ++o) {
            sum += amplitude * at(x * frequency + 17.3 * o, y * frequency + 9.1 * o);
            norm += amplitude;
            amplitude *= 0.5;
            frequency *= 2.0;
        }
        return sum / norm;
    }

private:
    double value(int i, int j) const
    {
        i = ((i % cells_) + cells_) % cells_;
        j = ((j % cells_) + cells_) % cells_;
        return values_[std::size_t(j * cells_ + i)];
    }

    int cells_;
    std::vector<double> values_;
};

// ---------------------------------------------------------------------------------------------
// Small geometry and colour helpers

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

std::vector<QPointF> quadCurve(QPointF a, QPointF control, QPointF b, int steps)
{
    std::vector<QPointF> points;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double u = 1.0 - t;
        points.push_back(u * u * a + 2.0 * u * t * control + t * t * b);
    }
    return points;
}

// A filled band along a polyline whose width changes linearly from start to end.
QPainterPath taperedLine(const std::vector<QPointF>& points, double startWidth, double endWidth)
{
    QPainterPath path;
    const std::size_t n = points.size();
    if (n < 2) {
        return path;
    }
    QPolygonF left;
    QPolygonF right;
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF prev = points[i == 0 ? 0 : i - 1];
        const QPointF next = points[i + 1 < n ? i + 1 : n - 1];
        const QPointF d = next - prev;
        double length = std::hypot(d.x(), d.y());
        if (length < 1e-9) {
            length = 1.0;
        }
        const QPointF normal(-d.y() / length, d.x() / length);
        const double u = double(i) / double(n - 1);
        const double half = 0.5 * (startWidth + (endWidth - startWidth) * u);
        left << points[i] + normal * half;
        right.prepend(points[i] - normal * half);
    }
    path.addPolygon(left + right);
    path.closeSubpath();
    return path;
}

// Reads the small subset of SVG path data used by the icon: absolute M, L, C, Q and Z.
QPainterPath pathFromSvg(const QString& data)
{
    QPainterPath path;
    QString spaced;
    for (const QChar c : data) {
        if (c.isLetter()) {
            spaced += QLatin1Char(' ') + c + QLatin1Char(' ');
        } else if (c == QLatin1Char(',')) {
            spaced += QLatin1Char(' ');
        } else {
            spaced += c;
        }
    }
    const QStringList tokens = spaced.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int i = 0;
    QChar command;
    const auto number = [&]() { return tokens.value(i++).toDouble(); };
    const auto point = [&]() {
        const double x = number();
        const double y = number();
        return QPointF(x, y);
    };
    while (i < tokens.size()) {
        if (tokens[i].front().isLetter()) {
            command = tokens[i++].front();
        }
        if (command == QLatin1Char('M')) {
            path.moveTo(point());
            command = QLatin1Char('L');
        } else if (command == QLatin1Char('L')) {
            path.lineTo(point());
        } else if (command == QLatin1Char('C')) {
            const QPointF c1 = point();
            const QPointF c2 = point();
            path.cubicTo(c1, c2, point());
        } else if (command == QLatin1Char('Q')) {
            const QPointF c = point();
            path.quadTo(c, point());
        } else if (command == QLatin1Char('Z')) {
            path.closeSubpath();
        } else {
            ++i;
        }
    }
    return path;
}

double alphaSum(const QImage& image)
{
    double sum = 0.0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            sum += qAlpha(line[x]);
        }
    }
    return sum / 255.0;
}

// Area in pixels that QPainter fills for a path, antialiased edges counted by their coverage.
double filledPixels(const QPainterPath& path, const QTransform& transform, QSize size)
{
    QImage mask(size, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(transform);
    p.fillPath(path, Qt::black);
    p.end();
    return alphaSum(mask);
}

bool saveImage(QImage image, const QString& fileName, int quality)
{
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QImageWriter writer(fileName);
    writer.setQuality(quality);
    if (fileName.endsWith(QLatin1String(".jpg"))) {
        writer.setOptimizedWrite(true);
    }
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(fileName),
                     qPrintable(writer.errorString()));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(fileName));
    return true;
}

bool saveText(const QString& text, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(fileName));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(fileName));
    return true;
}

// ---------------------------------------------------------------------------------------------
// The icon: a green leaf lying on a yellow ruler. Drawn from SVG path data so that the PNG and
// the SVG file show exactly the same picture.

struct IconInk
{
    QString d;
    QString fill;   // colour, "url(#gradient id)", or empty
    QString stroke; // colour or empty
    double width = 0.0;
    double opacity = 1.0;
    bool leafSpace = false; // drawn in the leaf's own rotated coordinates
};

struct IconGradient
{
    QString id;
    QPointF from;
    QPointF to;
    std::vector<std::pair<double, QString>> stops;
};

constexpr double iconLeafX = 12.5;
constexpr double iconLeafY = 32.5;
constexpr double iconLeafAngle = -42.0;

std::vector<IconGradient> iconGradients()
{
    return {
        {QStringLiteral("ruler"),
         QPointF(0, 31.5),
         QPointF(0, 44.5),
         {{0.0, QStringLiteral("#f8e08a")}, {1.0, QStringLiteral("#e2b64a")}}},
        {QStringLiteral("leaf"),
         QPointF(0, -11),
         QPointF(0, 11),
         {{0.0, QStringLiteral("#9bd86a")},
          {0.48, QStringLiteral("#5cb04a")},
          {0.52, QStringLiteral("#4a9e40")},
          {1.0, QStringLiteral("#2c7a34")}}},
    };
}

std::vector<IconInk> iconInks()
{
    QString ticks;
    for (int i = 0; i <= 9; ++i) {
        const double x = 6.5 + 4.0 * i;
        const double length = (i % 2 == 0) ? 6.0 : 3.5;
        ticks += QStringLiteral("M%1 32L%1 %2").arg(x).arg(32.0 + length);
    }
    const double L = 41.0;
    QString veins;
    for (const double x0 : {8.0, 15.5, 23.0}) {
        for (const int side : {-1, 1}) {
            const double reach = (x0 < 20 ? 8.5 : 7.0) * side;
            veins += QStringLiteral("M%1 %2Q%3 %4 %5 %6")
                         .arg(x0)
                         .arg(-0.2 * side)
                         .arg(x0 + 3.0)
                         .arg(reach * 0.55)
                         .arg(x0 + 8.0)
                         .arg(reach);
        }
    }
    return {
        {QStringLiteral("M4.5 31.5L43.5 31.5Q45.5 31.5 45.5 33.5L45.5 42.5Q45.5 44.5 43.5 "
                        "44.5L4.5 44.5Q2.5 44.5 2.5 42.5L2.5 33.5Q2.5 31.5 4.5 31.5Z"),
         QStringLiteral("url(#ruler)"), QStringLiteral("#8a6a1c"), 1.0, 1.0, false},
        {ticks, QString(), QStringLiteral("#5c4712"), 1.0, 1.0, false},
        {QStringLiteral("M0.5 0L-6.5 0.8"), QString(), QStringLiteral("#2a6a2c"), 2.2, 1.0, true},
        {QStringLiteral("M0 0C6 -13 %1 -15 %2 0C%3 11 6 13 0 0Z")
             .arg(L * 0.62)
             .arg(L)
             .arg(L * 0.66),
         QStringLiteral("url(#leaf)"), QStringLiteral("#1b5221"), 1.1, 1.0, true},
        {QStringLiteral("M1 0Q%1 -0.8 %2 0").arg(L * 0.5).arg(L - 3.0), QString(),
         QStringLiteral("#ecf7cf"), 1.3, 0.95, true},
        {veins, QString(), QStringLiteral("#ecf7cf"), 0.85, 0.8, true},
    };
}

QTransform iconLeafTransform()
{
    QTransform t;
    t.translate(iconLeafX, iconLeafY);
    t.rotate(iconLeafAngle);
    return t;
}

void paintIcon(QPainter& p)
{
    const std::vector<IconGradient> gradients = iconGradients();
    for (const IconInk& ink : iconInks()) {
        p.save();
        if (ink.leafSpace) {
            p.setTransform(iconLeafTransform(), true);
        }
        p.setOpacity(ink.opacity);
        const QPainterPath path = pathFromSvg(ink.d);
        if (!ink.fill.isEmpty()) {
            if (ink.fill.startsWith(QLatin1String("url(#"))) {
                for (const IconGradient& g : gradients) {
                    if (ink.fill == QStringLiteral("url(#%1)").arg(g.id)) {
                        QLinearGradient lg(g.from, g.to);
                        for (const auto& [at, colour] : g.stops) {
                            lg.setColorAt(at, QColor(colour));
                        }
                        p.fillPath(path, lg);
                    }
                }
            } else {
                p.fillPath(path, QColor(ink.fill));
            }
        }
        if (!ink.stroke.isEmpty()) {
            QPen pen(QColor(ink.stroke), ink.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            if (!ink.leafSpace) {
                pen.setCapStyle(Qt::FlatCap);
            }
            p.strokePath(path, pen);
        }
        p.restore();
    }
}

QString iconSvg()
{
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" "
                          "viewBox=\"0 0 48 48\">\n"
                          "  <title>Verimetra</title>\n"
                          "  <defs>\n");
    for (const IconGradient& g : iconGradients()) {
        svg += QStringLiteral("    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                              "x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">\n")
                   .arg(g.id)
                   .arg(g.from.x())
                   .arg(g.from.y())
                   .arg(g.to.x())
                   .arg(g.to.y());
        for (const auto& [at, colour] : g.stops) {
            svg += QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\"/>\n")
                       .arg(at)
                       .arg(colour);
        }
        svg += QStringLiteral("    </linearGradient>\n");
    }
    svg += QStringLiteral("  </defs>\n");
    bool inLeaf = false;
    for (const IconInk& ink : iconInks()) {
        if (ink.leafSpace && !inLeaf) {
            svg += QStringLiteral("  <g transform=\"translate(%1 %2) rotate(%3)\">\n")
                       .arg(iconLeafX)
                       .arg(iconLeafY)
                       .arg(iconLeafAngle);
            inLeaf = true;
        }
        const QString fill = ink.fill.isEmpty() ? QStringLiteral("none") : ink.fill;
        QString attributes = QStringLiteral("fill=\"%1\"").arg(fill);
        if (!ink.stroke.isEmpty()) {
            attributes +=
                QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\" stroke-linecap=\"%3\" "
                               "stroke-linejoin=\"round\"")
                    .arg(ink.stroke)
                    .arg(ink.width)
                    .arg(ink.leafSpace ? QStringLiteral("round") : QStringLiteral("butt"));
        }
        if (ink.opacity < 1.0) {
            attributes += QStringLiteral(" opacity=\"%1\"").arg(ink.opacity);
        }
        svg += QStringLiteral("%1  <path %2 d=\"%3\"/>\n")
                   .arg(inLeaf ? QStringLiteral("  ") : QString())
                   .arg(attributes)
                   .arg(ink.d);
    }
    if (inLeaf) {
        svg += QStringLiteral("  </g>\n");
    }
    svg += QStringLiteral("</svg>\n");
    return svg;
}

bool writeIcon(const QDir& out)
{
    QImage icon(48, 48, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    paintIcon(p);
    p.end();
    return saveImage(icon, out.filePath(QStringLiteral("app/resources/verimetra-48.png")), 0) &&
           saveText(iconSvg(), out.filePath(QStringLiteral("app/resources/verimetra.svg")));
}

// ---------------------------------------------------------------------------------------------
// Leaf shapes. A leaf is built in its own coordinates: the blade's base at the origin, the tip
// along +x, sizes in pixels.

struct VeinLine
{
    std::vector<QPointF> points;
    double startWidth = 1.0;
    double endWidth = 0.5;
    double strength = 1.0;
};

struct LeafShape
{
    QPolygonF outline;           // the blade's margin
    std::vector<VeinLine> veins; // midrib first
    std::vector<QPointF> petiole;
    double petioleWidth = 0.0;
    QPolygonF hole; // an insect's bite through the blade, or empty
    double length = 0.0;
    double halfWidth = 0.0;

    QPainterPath blade() const
    {
        QPainterPath path;
        path.addPolygon(outline);
        path.closeSubpath();
        return path;
    }
    QPainterPath holePath() const
    {
        QPainterPath path;
        if (!hole.isEmpty()) {
            path.addPolygon(hole);
            path.closeSubpath();
        }
        return path;
    }
    QPainterPath whole() const
    {
        QPainterPath path = blade();
        if (!petiole.empty()) {
            path = path.united(taperedLine(petiole, petioleWidth, petioleWidth * 0.8));
        }
        if (!hole.isEmpty()) {
            path = path.subtracted(holePath());
        }
        return path;
    }
};

// A vein from start to end, bowing as it goes, with two faint branches towards the margin.
// Veins are only ever painted onto the blade, so a branch that reaches past the margin simply
// ends there.
void addVein(LeafShape& leaf, QPointF start, QPointF control, QPointF end, double width,
             double strength, int side)
{
    VeinLine vein;
    vein.points = quadCurve(start, control, end, 24);
    vein.startWidth = width;
    vein.endWidth = 0.5;
    vein.strength = strength;
    leaf.veins.push_back(vein);
    const QPointF span = end - start;
    const double length = std::hypot(span.x(), span.y());
    for (const double at : {0.42, 0.7}) {
        const std::size_t i = std::size_t(at * (vein.points.size() - 1));
        const QPointF from = vein.points[i];
        const QPointF d = vein.points[i + 1] - vein.points[i - 1];
        const double dl = std::max(1e-9, std::hypot(d.x(), d.y()));
        const QPointF along = d / dl;
        const QPointF out = QPointF(0.0, side);
        const QPointF dir1 = along * std::cos(0.5) + out * std::sin(0.5);
        const QPointF dir2 = along * std::cos(1.1) + out * std::sin(1.1) - along * 0.25;
        const double reach = (1.0 - at) * length * 0.75;
        VeinLine branch;
        branch.points = quadCurve(from, from + dir1 * reach * 0.5, from + dir2 * reach, 10);
        branch.startWidth = std::max(0.7, width * 0.45);
        branch.endWidth = 0.35;
        branch.strength = strength * 0.6;
        leaf.veins.push_back(branch);
    }
}

// An irregular, slightly oval closed outline around a point.
QPolygonF blob(QPointF centre, double radiusX, double radiusY, double angle, double unevenness,
               Random& random)
{
    double phase[3];
    for (double& ph : phase) {
        ph = random.uniform(0.0, 2.0 * pi);
    }
    QPolygonF polygon;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (int i = 0; i < 160; ++i) {
        const double a = 2.0 * pi * i / 160.0;
        const double f = 1.0 + unevenness * (0.6 * std::sin(2 * a + phase[0]) +
                                             0.3 * std::sin(3 * a + phase[1]) +
                                             0.1 * std::sin(7 * a + phase[2]));
        const double x = radiusX * f * std::cos(a);
        const double y = radiusY * f * std::sin(a);
        polygon << centre + QPointF(c * x - s * y, s * x + c * y);
    }
    return polygon;
}

void addPetiole(LeafShape& leaf, double startX, double length, double width, Random& random)
{
    const double curl = random.uniform(-0.25, 0.25);
    for (int i = 0; i <= 20; ++i) {
        const double u = i / 20.0;
        leaf.petiole.emplace_back(startX - u * length, curl * u * u * length);
    }
    leaf.petioleWidth = width;
}

// The outermost point of the outline on one side (-1 above the midrib, +1 below) near x.
QPointF marginAt(const QPolygonF& outline, int side, double x)
{
    QPointF best(x, 0.0);
    for (const QPointF& p : outline) {
        if (std::abs(p.x() - x) < 2.5 && p.y() * side > best.y() * side) {
            best = p;
        }
    }
    return best;
}

struct BladeParams
{
    double length = 300.0;
    double halfWidth = 100.0;
    double widestAt = 0.4;   // where along the blade it is widest, 0 = base, 1 = tip
    double tipPower = 1.0;   // above 1 the blade tapers longer towards base and tip
    double bend = 0.0;       // sideways curve of the midrib, as part of the length
    int teeth = 0;           // teeth along each side
    double toothDepth = 0.0; // as part of the local half width
    double wobble = 0.015;   // slow unevenness of the margin
    int secondaryVeins = 7;  // per side, 0 for none
    double midribWidth = 5.0;
    double petioleLength = 0.0;
    double petioleWidth = 0.0;
    double holeRadius = 0.0; // 0 for none
};

// A blade with an entire or toothed margin, from narrow lanceolate to broad ovate.
LeafShape makeBlade(const BladeParams& b, Random& random)
{
    LeafShape leaf;
    leaf.length = b.length;
    leaf.halfWidth = b.halfWidth;
    const double power = std::log(0.5) / std::log(b.widestAt);
    const auto envelope = [&](double t) {
        const double s = std::sin(pi * std::pow(std::clamp(t, 0.0, 1.0), power));
        return b.halfWidth * std::pow(std::max(0.0, s), b.tipPower);
    };
    const auto centre = [&](double t) { return b.bend * b.length * std::sin(pi * t); };
    double wobblePhase[2][3];
    double toothPhase[2];
    for (int s = 0; s < 2; ++s) {
        for (double& ph : wobblePhase[s]) {
            ph = random.uniform(0.0, 2.0 * pi);
        }
        toothPhase[s] = random.uniform();
    }
    const auto halfWidthAt = [&](int side, double t) {
        const int s = side > 0 ? 1 : 0;
        double w = envelope(t);
        if (b.teeth > 0) {
            const double u = b.teeth * t + toothPhase[s];
            const double f = u - std::floor(u);
            w *= 1.0 - b.toothDepth + b.toothDepth * std::pow(f, 1.7);
        }
        w *= 1.0 + b.wobble * (0.6 * std::sin(2.0 * pi * 1.3 * t + wobblePhase[s][0]) +
                               0.3 * std::sin(2.0 * pi * 3.1 * t + wobblePhase[s][1]) +
                               0.1 * std::sin(2.0 * pi * 7.7 * t + wobblePhase[s][2]));
        return w;
    };
    const auto marginPoint = [&](int side, double t, double inset) {
        return QPointF(t * b.length, centre(t) + side * halfWidthAt(side, t) * inset);
    };

    const int steps = 900;
    for (int i = 0; i <= steps; ++i) {
        leaf.outline << marginPoint(-1, double(i) / steps, 1.0);
    }
    for (int i = steps - 1; i >= 1; --i) {
        leaf.outline << marginPoint(1, double(i) / steps, 1.0);
    }

    VeinLine midrib;
    for (int i = 0; i <= 60; ++i) {
        const double t = 0.97 * i / 60.0;
        midrib.points.emplace_back(t * b.length, centre(t));
    }
    midrib.startWidth = b.midribWidth;
    midrib.endWidth = std::max(0.8, b.midribWidth * 0.15);
    leaf.veins.push_back(midrib);

    // Secondary veins run out from the midrib and bend towards the tip near the margin.
    for (const int side : {-1, 1}) {
        const double shift = side > 0 ? 0.35 : 0.0;
        for (int k = 0; k < b.secondaryVeins; ++k) {
            const double te = std::min(0.95, 0.16 + 0.76 * (k + shift + random.uniform(-0.1, 0.1)) /
                                                        b.secondaryVeins);
            const double ts = std::max(0.02, te - (0.12 + 0.08 * (1.0 - te)));
            const QPointF start(ts * b.length, centre(ts));
            const QPointF end = marginPoint(side, te, 0.9);
            const QPointF control(start.x() + 0.3 * (end.x() - start.x()),
                                  start.y() + 0.75 * (end.y() - start.y()));
            addVein(leaf, start, control, end,
                    std::max(1.0, b.midribWidth * 0.42 * (1.0 - 0.5 * te)), 0.75, side);
        }
    }

    if (b.petioleLength > 0) {
        addPetiole(leaf, 0.02 * b.length, b.petioleLength, b.petioleWidth, random);
    }
    if (b.holeRadius > 0) {
        const double t = 0.55;
        const QPointF at(t * b.length, centre(t) + 0.45 * halfWidthAt(1, t));
        leaf.hole = blob(at, 1.25 * b.holeRadius, b.holeRadius, 0.3, 0.18, random);
    }
    return leaf;
}

// A deeply lobed leaf like an oak's: a narrow middle with rounded lobes on both sides.
struct LobedParams
{
    double length = 500.0;
    double halfWidth = 160.0;
    int lobesPerSide = 4;
    double midribWidth = 6.0;
    double petioleLength = 0.0;
    double petioleWidth = 0.0;
};

LeafShape makeLobedLeaf(const LobedParams& o, Random& random)
{
    BladeParams core;
    core.length = o.length;
    core.halfWidth = 0.36 * o.halfWidth;
    core.widestAt = 0.55;
    core.tipPower = 0.9;
    core.wobble = 0.03;
    core.secondaryVeins = 0;
    core.midribWidth = o.midribWidth;
    LeafShape leaf = makeBlade(core, random);
    leaf.halfWidth = o.halfWidth;

    QPainterPath shape = leaf.blade();
    const double power = std::log(0.5) / std::log(0.62);
    const auto envelope = [&](double t) {
        return o.halfWidth * std::pow(std::sin(pi * std::pow(t, power)), 0.8);
    };
    struct Lobe
    {
        int side;
        double t;
        QPointF tip;
    };
    std::vector<Lobe> lobes;
    for (const int side : {-1, 1}) {
        for (int k = 0; k < o.lobesPerSide; ++k) {
            const double t = 0.17 + 0.66 * (k + (side > 0 ? 0.45 : 0.0)) / o.lobesPerSide +
                             random.uniform(-0.02, 0.02);
            const double reach = envelope(t) * random.uniform(0.9, 1.04);
            const double angle = side * (1.2 - 0.55 * t) + random.uniform(-0.08, 0.08);
            const QPointF dir(std::cos(angle), std::sin(angle));
            const QPointF root(t * o.length, 0.0);
            const double along = 0.5 * reach;
            const double across = std::min(0.075 * o.length, 0.42 * reach) + 0.02 * o.length;
            QPainterPath lobe;
            lobe.addPolygon(blob(root + dir * (0.5 * reach), along, across, angle, 0.06, random));
            lobe.closeSubpath();
            shape = shape.united(lobe);
            lobes.push_back({side, t, root + dir * (0.92 * reach)});
        }
    }
    // The end lobe.
    QPainterPath end;
    end.addPolygon(
        blob(QPointF(0.885 * o.length, 0.0), 0.13 * o.length, 0.1 * o.length, 0.0, 0.05, random));
    end.closeSubpath();
    shape = shape.united(end);

    QPolygonF outline;
    for (const QPolygonF& polygon : shape.toFillPolygons()) {
        if (polygon.size() > outline.size()) {
            outline = polygon;
        }
    }
    leaf.outline = outline;
    for (const Lobe& lobe : lobes) {
        const QPointF start(std::max(0.02, lobe.t - 0.05) * o.length, 0.0);
        const QPointF control = start + 0.5 * (lobe.tip - start) + QPointF(-0.02 * o.length, 0);
        addVein(leaf, start, control, lobe.tip, o.midribWidth * 0.45 * (1.1 - 0.5 * lobe.t), 0.75,
                lobe.side);
    }
    if (o.petioleLength > 0) {
        addPetiole(leaf, 0.02 * o.length, o.petioleLength, o.petioleWidth, random);
    }
    return leaf;
}

// A broad leaf with a heart-shaped base and a drip tip, like a lime tree's, described around
// the point where the stalk joins.
struct HeartParams
{
    double length = 500.0;
    double widthRatio = 0.62;
    double asymmetry = 0.04;
    double toothSpacing = 24.0; // along the margin, in pixels
    double toothDepth = 4.0;    // in pixels
    double petioleLength = 150.0;
    double petioleWidth = 7.0;
    double midribWidth = 6.0;
};

LeafShape makeHeartLeaf(const HeartParams& h, Random& random)
{
    LeafShape leaf;
    leaf.length = h.length;
    leaf.halfWidth = h.length * h.widthRatio * 0.66;
    double wobblePhase[3];
    for (double& ph : wobblePhase) {
        ph = random.uniform(0.0, 2.0 * pi);
    }
    const auto point = [&](double theta, double inset) {
        double r = std::pow(0.5 + 0.5 * std::cos(theta), 0.9);
        r *= 1.0 + 0.2 * std::exp(-std::abs(theta) / 0.11);
        r *= 1.0 + 0.02 * (0.6 * std::sin(1.5 * theta + wobblePhase[0]) +
                           0.3 * std::sin(4.2 * theta + wobblePhase[1]) +
                           0.1 * std::sin(9.1 * theta + wobblePhase[2]));
        r *= h.length * inset;
        const double squeeze = h.widthRatio * (theta > 0 ? 1.0 + h.asymmetry : 1.0 - h.asymmetry);
        return QPointF(r * std::cos(theta), r * std::sin(theta) * squeeze);
    };
    // The smooth margin first, then teeth spaced evenly along it.
    const int steps = 3000;
    QPolygonF smooth;
    for (int i = 0; i <= steps; ++i) {
        smooth << point(-pi + 0.004 + (2.0 * pi - 0.008) * i / steps, 1.0);
    }
    double travelled = random.uniform(0.0, h.toothSpacing);
    for (int i = 0; i <= steps; ++i) {
        if (i > 0) {
            const QPointF d = smooth[i] - smooth[i - 1];
            travelled += std::hypot(d.x(), d.y());
        }
        const QPointF p = smooth[i];
        const double r = std::hypot(p.x(), p.y());
        const double u = travelled / h.toothSpacing;
        const double f = u - std::floor(u);
        const double depth = h.toothDepth * std::min(1.0, r / (0.15 * h.length));
        const double offset = -depth + depth * std::pow(f, 1.7);
        leaf.outline << p * ((r + offset) / std::max(r, 1e-9));
    }

    VeinLine midrib;
    const QPointF tip = point(0.0, 0.96);
    midrib.points = quadCurve(QPointF(0, 0), QPointF(0.5 * tip.x(), 0.02 * h.length), tip, 40);
    midrib.startWidth = h.midribWidth;
    midrib.endWidth = 1.0;
    leaf.veins.push_back(midrib);
    for (const int side : {-1, 1}) {
        // Basal veins fanning out from the stalk.
        for (const double theta : {1.05, 1.85}) {
            const QPointF end = point(side * theta, 0.82);
            const QPointF control = point(side * theta * 0.82, 0.45);
            addVein(leaf, QPointF(0, 0), control, end, h.midribWidth * (theta < 1.5 ? 0.7 : 0.5),
                    0.8, side);
        }
        // Secondary veins from the midrib.
        for (const double t : {0.3, 0.45, 0.59, 0.72, 0.84}) {
            const QPointF start = midrib.points[std::size_t(t * 40)];
            const QPointF edge = marginAt(leaf.outline, side, start.x() + 0.2 * h.length);
            const QPointF end(edge.x(), 0.9 * edge.y());
            const QPointF control(start.x() + 0.25 * (end.x() - start.x()),
                                  start.y() + 0.8 * (end.y() - start.y()));
            addVein(leaf, start, control, end, h.midribWidth * 0.42 * (1.2 - t), 0.7, side);
        }
    }
    addPetiole(leaf, 0.01 * h.length, h.petioleLength, h.petioleWidth, random);
    return leaf;
}

// ---------------------------------------------------------------------------------------------
// Painting leaves

struct LeafLook
{
    QColor base;       // colour of most of the blade
    QColor nearBase;   // colour near the stalk
    QColor vein;       // colour of the veins
    double texture;    // strength of the mottling, about 0 .. 0.15
    double fold = 1.0; // strength of the light and dark halves either side of the midrib
    double veinAlpha = 1.0;
};

struct PlacedLeaf
{
    QString description;
    QRectF bounds;        // in the image
    double filled = 0.0;  // pixels filled, stalk included, bite excluded
    double petiole = 0.0; // of which the stalk
    double hole = 0.0;    // pixels of the bite through the blade
};

// Paints the leaf into an empty layer of the image's size and measures its filled pixels.
PlacedLeaf paintLeaf(QImage& layer, const LeafShape& leaf, const QTransform& place,
                     const LeafLook& look, const ValueNoise& noise, const QString& description)
{
    const QPainterPath whole = leaf.whole();
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(place);

    QLinearGradient along(QPointF(-0.1 * leaf.length, 0), QPointF(leaf.length, 0));
    along.setColorAt(0.0, look.nearBase);
    along.setColorAt(0.45, look.base);
    along.setColorAt(1.0, look.base.darker(104));
    p.fillPath(whole, along);

    // Everything else only tints the leaf, it never changes what is covered.
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QLinearGradient across(QPointF(0, -leaf.halfWidth), QPointF(0, leaf.halfWidth));
    across.setColorAt(0.0, QColor(0, 0, 0, int(10 * look.fold)));
    across.setColorAt(0.49, QColor(0, 0, 0, int(26 * look.fold)));
    across.setColorAt(0.51, QColor(255, 255, 255, int(16 * look.fold)));
    across.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillPath(whole, across);

    for (const VeinLine& v : leaf.veins) {
        const int soft = int(55 * v.strength * look.veinAlpha);
        const int core = int(170 * v.strength * look.veinAlpha);
        p.fillPath(taperedLine(v.points, v.startWidth * 2.4, v.endWidth * 2.4),
                   withAlpha(look.vein, std::min(255, soft)));
        p.fillPath(taperedLine(v.points, v.startWidth, v.endWidth),
                   withAlpha(look.vein, std::min(255, core)));
    }
    // A slightly darker rim along the margin.
    p.strokePath(whole, QPen(withAlpha(look.base.darker(140), 70), 3.0));
    p.end();

    PlacedLeaf placed;
    placed.description = description;
    placed.bounds = place.map(whole).boundingRect();

    // Mottling of the blade tissue.
    const QRect box = placed.bounds.toAlignedRect().adjusted(-2, -2, 2, 2) & layer.rect();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            if (a == 0) {
                continue;
            }
            const double f = 1.0 + look.texture * noise.fractal(x / 45.0, y / 45.0, 3) +
                             0.35 * look.texture * noise.at(x / 2.5 + 300.0, y / 2.5);
            const auto channel = [&](int c) {
                return std::clamp(static_cast<int>(std::lround(c * f)), 0, a);
            };
            line[x] = qRgba(channel(qRed(px)), channel(qGreen(px)), channel(qBlue(px)), a);
        }
    }

    const QSize size = layer.size();
    placed.filled = filledPixels(whole, place, size);
    QPainterPath bladeOnly = leaf.blade();
    if (!leaf.hole.isEmpty()) {
        bladeOnly = bladeOnly.subtracted(leaf.holePath());
        placed.hole = filledPixels(leaf.holePath(), place, size);
    }
    placed.petiole = placed.filled - filledPixels(bladeOnly, place, size);
    return placed;
}

// A soft shadow of the layer's content, offset, darkening the picture underneath.
void castShadow(QImage& canvas, const QImage& layer, QPoint offset, int radius, double strength)
{
    const int w = canvas.width();
    const int h = canvas.height();
    std::vector<float> a(std::size_t(w) * h, 0.0f);
    for (int y = 0; y < h; ++y) {
        const int sy = y - offset.y();
        if (sy < 0 || sy >= h) {
            continue;
        }
        const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(sy));
        for (int x = 0; x < w; ++x) {
            const int sx = x - offset.x();
            if (sx >= 0 && sx < w) {
                a[std::size_t(y) * w + x] = qAlpha(line[sx]) / 255.0f;
            }
        }
    }
    std::vector<float> tmp(a.size());
    const float norm = 1.0f / float(2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            const float* row = &a[std::size_t(y) * w];
            float* outRow = &tmp[std::size_t(y) * w];
            float sum = 0.0f;
            for (int x = 0; x <= radius && x < w; ++x) {
                sum += row[x];
            }
            for (int x = 0; x < w; ++x) {
                outRow[x] = sum * norm;
                if (x + radius + 1 < w) {
                    sum += row[x + radius + 1];
                }
                if (x - radius >= 0) {
                    sum -= row[x - radius];
                }
            }
        }
        for (int x = 0; x < w; ++x) {
            float sum = 0.0f;
            for (int y = 0; y <= radius && y < h; ++y) {
                sum += tmp[std::size_t(y) * w + x];
            }
            for (int y = 0; y < h; ++y) {
                a[std::size_t(y) * w + x] = sum * norm;
                if (y + radius + 1 < h) {
                    sum += tmp[std::size_t(y + radius + 1) * w + x];
                }
                if (y - radius >= 0) {
                    sum -= tmp[std::size_t(y - radius) * w + x];
                }
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float shade = a[std::size_t(y) * w + x];
            if (shade < 1e-4f) {
                continue;
            }
            const double f = 1.0 - strength * shade;
            const QRgb px = line[x];
            const auto channel = [f](int c) { return static_cast<int>(std::lround(c * f)); };
            line[x] = qRgb(channel(qRed(px)), channel(qGreen(px)), channel(qBlue(px)));
        }
    }
}

void addSensorNoise(QImage& image, Random& random, double sigma)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double common = sigma * random.normal();
            const QRgb px = line[x];
            const auto channel = [&](int c) {
                const double v = c + common + 0.35 * sigma * random.normal();
                return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
            };
            line[x] = qRgb(channel(qRed(px)), channel(qGreen(px)), channel(qBlue(px)));
        }
    }
}

// An even scanner bed, slightly brighter in the middle.
void paintScannerBed(QImage& canvas, QColor middle, QColor edge)
{
    QPainter p(&canvas);
    QRadialGradient g(QPointF(canvas.width() * 0.5, canvas.height() * 0.45), canvas.width() * 0.75);
    g.setColorAt(0.0, middle);
    g.setColorAt(1.0, edge);
    p.fillRect(canvas.rect(), g);
}

struct Ruler
{
    QRectF body;
    double zeroX = 0.0; // x of the 0 cm mark, in pixels
    int centimetres = 0;
};

// A white plastic ruler with its measuring edge on top, marks every millimetre.
Ruler paintRuler(QImage& canvas, QPointF topLeft, int centimetres)
{
    Ruler ruler;
    ruler.centimetres = centimetres;
    ruler.body = QRectF(topLeft, QSizeF((centimetres + 1.0) * pxPerCm, 1.6 * pxPerCm));
    ruler.zeroX = ruler.body.left() + 0.5 * pxPerCm;

    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 4; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 7));
        p.drawRoundedRect(ruler.body.translated(0.6 * i, 1.2 * i), 6, 6);
    }
    QLinearGradient g(ruler.body.topLeft(), ruler.body.bottomLeft());
    g.setColorAt(0.0, QColor(254, 254, 250));
    g.setColorAt(1.0, QColor(241, 240, 232));
    p.setBrush(g);
    p.setPen(QPen(QColor(150, 150, 144), 1.6));
    p.drawRoundedRect(ruler.body, 6, 6);

    const QColor ink(24, 24, 28);
    const double top = ruler.body.top() + 1.0;
    for (int mm = 0; mm <= centimetres * 10; ++mm) {
        const double x = ruler.zeroX + mm * pxPerCm / 10.0;
        const bool cm = mm % 10 == 0;
        const bool half = mm % 5 == 0;
        const double length = (cm ? 0.5 : half ? 0.36 : 0.22) * pxPerCm;
        p.setPen(QPen(ink, cm ? 2.0 : 1.4, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(x, top), QPointF(x, top + length));
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(std::lround(0.34 * pxPerCm)));
    p.setFont(font);
    p.setPen(ink);
    for (int cm = 0; cm <= centimetres; ++cm) {
        const double x = ruler.zeroX + cm * pxPerCm;
        const QRectF box(x - 30, top + 0.56 * pxPerCm, 60, 0.45 * pxPerCm);
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString::number(cm));
    }
    font.setPixelSize(int(std::lround(0.26 * pxPerCm)));
    p.setFont(font);
    p.drawText(QRectF(ruler.zeroX + 0.15 * pxPerCm, top + 1.05 * pxPerCm, 80, 0.4 * pxPerCm),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("cm"));
    return ruler;
}

QTransform placeAt(QPointF base, double angleDegrees)
{
    QTransform t;
    t.translate(base.x(), base.y());
    t.rotate(angleDegrees);
    return t;
}

void compose(QImage& canvas, const QImage& layer)
{
    QPainter p(&canvas);
    p.drawImage(0, 0, layer);
}

QImage emptyLayer(QSize size)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

// ---------------------------------------------------------------------------------------------
// The example images and what is true about them

struct Sample
{
    QString file;
    QString title;
    QString about;
    QSize size;
    Ruler ruler;
    std::vector<PlacedLeaf> leaves;
};

double cm2(double pixels)
{
    return pixels / (pxPerCm * pxPerCm);
}

Sample drawLeavesOnWhite(const QDir& out, bool& ok)
{
    Sample sample;
    sample.file = QStringLiteral("leaves-white.jpg");
    sample.title = QStringLiteral("Three leaves on a white scanner bed");
    sample.about = QStringLiteral(
        "Three leaves of different shapes and greens on a white, slightly noisy background, "
        "with a ruler along the bottom. The ovate leaf on the left has a small insect bite "
        "through it.");
    sample.size = QSize(1400, 1000);
    Random random(20240611);
    ValueNoise noise(random, 512);
    QImage canvas(sample.size, QImage::Format_RGB32);
    paintScannerBed(canvas, QColor(247, 247, 245), QColor(237, 237, 234));
    sample.ruler = paintRuler(canvas, QPointF(50, 885), 21);

    BladeParams ovate;
    ovate.length = 9.6 * pxPerCm;
    ovate.halfWidth = 3.0 * pxPerCm;
    ovate.widestAt = 0.41;
    ovate.tipPower = 0.88;
    ovate.bend = 0.02;
    ovate.teeth = 46;
    ovate.toothDepth = 0.018;
    ovate.wobble = 0.02;
    ovate.secondaryVeins = 7;
    ovate.midribWidth = 6.0;
    ovate.petioleLength = 1.6 * pxPerCm;
    ovate.petioleWidth = 6.0;
    ovate.holeRadius = 0.3 * pxPerCm;
    LeafLook ovateLook{QColor(92, 150, 62), QColor(112, 162, 70), QColor(176, 208, 126), 0.09};

    BladeParams lanceolate;
    lanceolate.length = 12.4 * pxPerCm;
    lanceolate.halfWidth = 1.25 * pxPerCm;
    lanceolate.widestAt = 0.32;
    lanceolate.tipPower = 1.25;
    lanceolate.bend = -0.035;
    lanceolate.wobble = 0.03;
    lanceolate.secondaryVeins = 11;
    lanceolate.midribWidth = 5.0;
    lanceolate.petioleLength = 0.9 * pxPerCm;
    lanceolate.petioleWidth = 5.0;
    LeafLook lanceLook{QColor(40, 98, 58), QColor(62, 116, 62), QColor(118, 160, 104), 0.08};

    LobedParams lobed;
    lobed.length = 11.0 * pxPerCm;
    lobed.halfWidth = 3.4 * pxPerCm;
    lobed.lobesPerSide = 4;
    lobed.midribWidth = 6.5;
    lobed.petioleLength = 1.0 * pxPerCm;
    lobed.petioleWidth = 6.5;
    LeafLook lobedLook{QColor(108, 134, 44), QColor(132, 146, 52), QColor(178, 188, 108), 0.1};

    struct Item
    {
        LeafShape shape;
        QTransform place;
        LeafLook look;
        QString description;
    };
    std::vector<Item> items;
    items.push_back({makeBlade(ovate, random), placeAt(QPointF(300, 790), -78.0), ovateLook,
                     QStringLiteral("ovate, left (with a bite)")});
    items.push_back({makeBlade(lanceolate, random), placeAt(QPointF(715, 815), -97.0), lanceLook,
                     QStringLiteral("lanceolate, middle")});
    items.push_back({makeLobedLeaf(lobed, random), placeAt(QPointF(1090, 805), -82.0), lobedLook,
                     QStringLiteral("lobed, right")});
    for (const Item& item : items) {
        QImage layer = emptyLayer(sample.size);
        sample.leaves.push_back(
            paintLeaf(layer, item.shape, item.place, item.look, noise, item.description));
        castShadow(canvas, layer, QPoint(2, 3), 3, 0.12);
        compose(canvas, layer);
    }
    addSensorNoise(canvas, random, 1.6);
    ok = saveImage(canvas, out.filePath(QStringLiteral("samples/") + sample.file), 90) && ok;
    return sample;
}

Sample drawPaleLeafWithShadow(const QDir& out, bool& ok)
{
    Sample sample;
    sample.file = QStringLiteral("pale-leaf-shadow.jpg");
    sample.title = QStringLiteral("A pale leaf with a soft shadow");
    sample.about = QStringLiteral(
        "One pale yellow-green leaf on a light grey background. It lay a little above the "
        "glass, so it casts a soft grey shadow to the lower right that is nearly as dark as "
        "the leaf: the threshold decides whether the shadow is counted as leaf.");
    sample.size = QSize(1400, 1000);
    Random random(7031);
    ValueNoise noise(random, 512);
    QImage canvas(sample.size, QImage::Format_RGB32);
    paintScannerBed(canvas, QColor(228, 228, 224), QColor(216, 216, 212));
    sample.ruler = paintRuler(canvas, QPointF(50, 885), 21);

    HeartParams heart;
    heart.length = 9.2 * pxPerCm;
    heart.widthRatio = 0.66;
    heart.toothSpacing = 0.45 * pxPerCm;
    heart.toothDepth = 4.5;
    heart.petioleLength = 2.4 * pxPerCm;
    heart.petioleWidth = 6.0;
    heart.midribWidth = 6.0;
    const LeafShape leaf = makeHeartLeaf(heart, random);
    LeafLook look{QColor(168, 188, 94), QColor(174, 192, 100), QColor(186, 202, 118), 0.04};
    look.veinAlpha = 0.75;
    look.fold = 0.6;
    QImage layer = emptyLayer(sample.size);
    sample.leaves.push_back(paintLeaf(layer, leaf, placeAt(QPointF(640, 700), -78.0), look, noise,
                                      QStringLiteral("heart-shaped, pale")));
    castShadow(canvas, layer, QPoint(16, 20), 14, 0.17);
    compose(canvas, layer);
    addSensorNoise(canvas, random, 1.6);
    ok = saveImage(canvas, out.filePath(QStringLiteral("samples/") + sample.file), 90) && ok;
    return sample;
}

Sample drawSmallLeaves(const QDir& out, bool& ok)
{
    Sample sample;
    sample.file = QStringLiteral("small-leaves.png");
    sample.title = QStringLiteral("Many small leaves");
    sample.about = QStringLiteral(
        "Twenty-four small leaves in four rows on a clean white background, with a ruler. "
        "Lossless PNG, no noise: a tidy scan for counting many objects at once. The leaves "
        "are numbered row by row from the top left.");
    sample.size = QSize(1400, 1000);
    Random random(4242);
    ValueNoise noise(random, 512);
    QImage canvas(sample.size, QImage::Format_RGB32);
    canvas.fill(QColor(250, 250, 250));
    sample.ruler = paintRuler(canvas, QPointF(50, 885), 21);

    const int columns = 6;
    const int rows = 4;
    const QRectF area(40, 30, 1320, 820);
    const double cellW = area.width() / columns;
    const double cellH = area.height() / rows;
    const QColor greens[] = {QColor(70, 130, 60),  QColor(96, 146, 56), QColor(52, 110, 64),
                             QColor(118, 150, 60), QColor(60, 120, 48), QColor(84, 136, 74)};
    int number = 0;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            ++number;
            BladeParams b;
            b.length = random.uniform(1.3, 2.5) * pxPerCm;
            b.halfWidth = b.length * random.uniform(0.2, 0.36);
            b.widestAt = random.uniform(0.4, 0.62);
            b.tipPower = random.uniform(0.6, 1.0);
            b.bend = random.uniform(-0.04, 0.04);
            b.wobble = 0.025;
            b.secondaryVeins = 4;
            b.midribWidth = 2.2;
            if (random.uniform() < 0.4) {
                b.teeth = 14;
                b.toothDepth = 0.04;
            }
            b.petioleLength = random.uniform(0.15, 0.4) * pxPerCm;
            b.petioleWidth = 2.2;
            const LeafShape leaf = makeBlade(b, random);
            const QColor green = greens[int(random.uniform() * 6) % 6];
            LeafLook look{green, green.lighter(110), green.lighter(150), 0.06};
            look.veinAlpha = 0.7;

            const double angle = random.uniform(0.0, 360.0);
            const QRectF turned = placeAt(QPointF(0, 0), angle).map(leaf.whole()).boundingRect();
            const QPointF cellCentre(area.left() + (column + 0.5) * cellW,
                                     area.top() + (row + 0.5) * cellH);
            const double slackX = std::max(0.0, (cellW - 16 - turned.width()) / 2);
            const double slackY = std::max(0.0, (cellH - 16 - turned.height()) / 2);
            const QPointF centre = cellCentre + QPointF(random.uniform(-slackX, slackX),
                                                        random.uniform(-slackY, slackY));
            const QPointF base = centre - turned.center();
            QImage layer = emptyLayer(sample.size);
            sample.leaves.push_back(paintLeaf(layer, leaf, placeAt(base, angle), look, noise,
                                              QStringLiteral("%1").arg(number)));
            castShadow(canvas, layer, QPoint(1, 2), 2, 0.1);
            compose(canvas, layer);
        }
    }
    ok = saveImage(canvas, out.filePath(QStringLiteral("samples/") + sample.file), 0) && ok;
    return sample;
}

QString samplesReadme(const std::vector<Sample>& samples)
{
    QString md;
    md +=
        QStringLiteral(
            "# Example images\n\n"
            "Pictures for trying Verimetra and for checking its measurements. They are drawn by "
            "our own program in `tools/drawart` (fixed random seeds), so the true area of every "
            "leaf is known exactly.\n\n"
            "All of them are \"scanned\" at **150 dpi: 59.055 pixels per centimetre** "
            "(1 mm = 5.906 px, 1 cm² = 3487.5 px²); the files carry 150 dpi as their resolution. "
            "The ruler along the bottom has its 0 cm mark at x = %1 px and its 20 cm mark at "
            "x = %2 px (1181.1 px apart), marks every millimetre on its upper edge.\n\n"
            "The true area of a leaf is the number of pixels the drawing filled for it, counted "
            "before any shadow or noise was added (edge pixels by how much of them is covered), "
            "divided by 59.055² px²/cm². It includes the leaf's stalk; the stalk's share is given "
            "too. A careful measurement of a large leaf should come within about 1 % of it; the "
            "JPEG files blur the edges a little, and the smaller a leaf, the more its edge "
            "pixels matter.\n")
            .arg(samples.front().ruler.zeroX, 0, 'f', 1)
            .arg(samples.front().ruler.zeroX + 20.0 * pxPerCm, 0, 'f', 1);
    for (const Sample& s : samples) {
        md += QStringLiteral("\n## %1: %2\n\n%3\n\n").arg(s.file, s.title, s.about);
        md += QStringLiteral("Size %1 × %2 px (%3 × %4 cm), 59.055 px/cm.\n\n")
                  .arg(s.size.width())
                  .arg(s.size.height())
                  .arg(s.size.width() / pxPerCm, 0, 'f', 2)
                  .arg(s.size.height() / pxPerCm, 0, 'f', 2);
        md += QStringLiteral("| Leaf | Middle of its box (x, y px) | True area (cm²) | "
                             "Filled px | Of which stalk (cm²) |\n"
                             "|---|---|---:|---:|---:|\n");
        double total = 0.0;
        for (const PlacedLeaf& leaf : s.leaves) {
            total += leaf.filled;
            md += QStringLiteral("| %1 | %2, %3 | %4 | %5 | %6 |\n")
                      .arg(leaf.description)
                      .arg(leaf.bounds.center().x(), 0, 'f', 0)
                      .arg(leaf.bounds.center().y(), 0, 'f', 0)
                      .arg(cm2(leaf.filled), 0, 'f', 3)
                      .arg(leaf.filled, 0, 'f', 0)
                      .arg(cm2(leaf.petiole), 0, 'f', 3);
        }
        if (s.leaves.size() > 1) {
            md += QStringLiteral("| **all %1 leaves** | | **%2** | %3 | |\n")
                      .arg(s.leaves.size())
                      .arg(cm2(total), 0, 'f', 3)
                      .arg(total, 0, 'f', 0);
        }
        for (const PlacedLeaf& leaf : s.leaves) {
            if (leaf.hole > 0) {
                md += QStringLiteral("\nThe bite through the %1 leaf is %2 cm² (%3 px); it is "
                                     "not part of the leaf's area. With holes filled the leaf "
                                     "measures %4 cm².\n")
                          .arg(leaf.description.section(QLatin1Char(','), 0, 0))
                          .arg(cm2(leaf.hole), 0, 'f', 3)
                          .arg(leaf.hole, 0, 'f', 0)
                          .arg(cm2(leaf.filled + leaf.hole), 0, 'f', 3);
            }
        }
    }
    md += QStringLiteral(
        "\n## Drawing them again\n\n"
        "```sh\n"
        "cmake -S tools/drawart -B /tmp/drawart -DCMAKE_BUILD_TYPE=Release\n"
        "cmake --build /tmp/drawart\n"
        "QT_QPA_PLATFORM=offscreen /tmp/drawart/drawart .\n"
        "```\n\n"
        "run in the top folder of the source tree. This also draws the program's icon and "
        "workspace background in app/resources.\n");
    return md;
}

// ---------------------------------------------------------------------------------------------
// The workspace background: a few quiet leaves over faint graph paper.

void paintQuietLeaf(QPainter& p, const LeafShape& leaf, const QTransform& place, QColor fill,
                    QColor vein)
{
    p.save();
    p.setTransform(place);
    const QPainterPath whole = leaf.whole();
    QLinearGradient across(QPointF(0, -leaf.halfWidth), QPointF(0, leaf.halfWidth));
    across.setColorAt(0.0, fill.darker(106));
    across.setColorAt(0.49, fill.darker(112));
    across.setColorAt(0.51, fill.lighter(104));
    across.setColorAt(1.0, fill.lighter(110));
    p.fillPath(whole, across);
    for (const VeinLine& v : leaf.veins) {
        p.fillPath(taperedLine(v.points, v.startWidth * 2.2, v.endWidth * 2.2),
                   withAlpha(vein, int(vein.alpha() * 0.3 * v.strength)));
        p.fillPath(taperedLine(v.points, v.startWidth, v.endWidth),
                   withAlpha(vein, int(vein.alpha() * 0.8 * v.strength)));
    }
    p.strokePath(whole, QPen(withAlpha(fill.darker(125), fill.alpha() / 2), 1.2));
    p.restore();
}

bool writeBackground(const QDir& out)
{
    const QSize size(640, 440);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A soft shadow around the card, then the card itself.
    const QRectF card(8.0, 6.0, size.width() - 16.0, size.height() - 16.0);
    p.setPen(Qt::NoPen);
    for (int i = 8; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 5));
        p.drawRoundedRect(card.adjusted(-i * 0.8, -i * 0.5, i * 0.8, i * 1.0), 24 + i, 24 + i);
    }
    QPainterPath frame;
    frame.addRoundedRect(card, 24, 24);
    QLinearGradient ground(card.topLeft(), card.bottomRight());
    ground.setColorAt(0.0, QColor(230, 234, 226));
    ground.setColorAt(1.0, QColor(204, 213, 200));
    p.fillPath(frame, ground);
    p.setClipPath(frame);

    // Faint graph paper.
    for (int i = 0; i * 22 < size.width(); ++i) {
        const double x = 10.5 + i * 22;
        p.setPen(QPen(QColor(70, 100, 70, i % 5 == 0 ? 26 : 13), 1.0));
        p.drawLine(QPointF(x, 0), QPointF(x, size.height()));
    }
    for (int i = 0; i * 22 < size.height(); ++i) {
        const double y = 10.5 + i * 22;
        p.setPen(QPen(QColor(70, 100, 70, i % 5 == 0 ? 26 : 13), 1.0));
        p.drawLine(QPointF(0, y), QPointF(size.width(), y));
    }

    // A little light in the middle, where the image windows go.
    QRadialGradient light(card.center(), card.width() * 0.45);
    light.setColorAt(0.0, QColor(255, 255, 255, 46));
    light.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(card, light);

    // A quiet ruler edge along the bottom.
    for (int i = 0; i <= 50; ++i) {
        const double x = 120.5 + i * 8.0;
        const double length = i % 10 == 0 ? 14 : i % 5 == 0 ? 10 : 6;
        p.setPen(QPen(QColor(60, 80, 60, 40), 1.0));
        p.drawLine(QPointF(x, card.bottom() - 14.0), QPointF(x, card.bottom() - 14.0 - length));
    }
    p.setPen(QPen(QColor(60, 80, 60, 40), 1.0));
    p.drawLine(QPointF(120.5, card.bottom() - 13.5), QPointF(520.5, card.bottom() - 13.5));

    Random random(99);
    BladeParams big;
    big.length = 400;
    big.halfWidth = 118;
    big.widestAt = 0.42;
    big.tipPower = 0.92;
    big.bend = 0.03;
    big.wobble = 0.0;
    big.secondaryVeins = 7;
    big.midribWidth = 4.0;
    BladeParams slim = big;
    slim.length = 330;
    slim.halfWidth = 52;
    slim.widestAt = 0.35;
    slim.tipPower = 1.2;
    slim.bend = -0.04;
    slim.secondaryVeins = 9;
    slim.midribWidth = 3.0;
    LobedParams lobed;
    lobed.length = 330;
    lobed.halfWidth = 105;
    lobed.lobesPerSide = 4;
    lobed.midribWidth = 3.5;
    BladeParams small = big;
    small.length = 190;
    small.halfWidth = 62;
    small.bend = 0.05;
    small.secondaryVeins = 5;
    small.midribWidth = 2.5;

    const QColor vein(246, 250, 238, 150);
    paintQuietLeaf(p, makeBlade(slim, random), placeAt(QPointF(60, 470), -62.0),
                   QColor(128, 160, 118, 120), vein);
    paintQuietLeaf(p, makeBlade(big, random), placeAt(QPointF(-40, 420), -33.0),
                   QColor(110, 146, 104, 130), vein);
    paintQuietLeaf(p, makeLobedLeaf(lobed, random), placeAt(QPointF(690, -30), 143.0),
                   QColor(142, 164, 110, 110), vein);
    paintQuietLeaf(p, makeBlade(small, random), placeAt(QPointF(665, 430), -152.0),
                   QColor(120, 152, 122, 105), vein);

    p.setClipping(false);
    p.strokePath(frame, QPen(QColor(255, 255, 255, 90), 1.5));
    p.end();
    return saveImage(image, out.filePath(QStringLiteral("app/resources/background.png")), 0);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawart <top folder of the source tree>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("app/resources")) || !out.mkpath(QStringLiteral("samples"))) {
        std::fprintf(stderr, "cannot create the output folders in %s\n", argv[1]);
        return 1;
    }
    bool ok = writeIcon(out);
    ok = writeBackground(out) && ok;
    std::vector<Sample> samples;
    samples.push_back(drawLeavesOnWhite(out, ok));
    samples.push_back(drawPaleLeafWithShadow(out, ok));
    samples.push_back(drawSmallLeaves(out, ok));
    ok = saveText(samplesReadme(samples), out.filePath(QStringLiteral("samples/README.md"))) && ok;
    return ok ? 0 : 1;
}
