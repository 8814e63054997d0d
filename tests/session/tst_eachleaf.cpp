// Each leaf on the session alone, without any window: the split of a measurement
// into leaves, the values in the unit, what makes the leaves stale, and a real
// scan of objects of known areas.

#include "analysis/Conversion.h"
#include "session/MeasurementSession.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace verimetra;

namespace {

constexpr QRgb Leaf = qRgb(20, 60, 20);

void fillRect(QImage& image, QRect rect, QRgb colour)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            image.setPixel(x, y, colour);
        }
    }
}

// 200 x 100, white: a leaf of 40 x 30 with a hole of 10 x 10, a leaf of 20 x 20
// touching the right edge, and two specks of 2 x 2.
QImage scan()
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    fillRect(image, QRect(20, 30, 40, 30), Leaf);
    fillRect(image, QRect(30, 40, 10, 10), qRgb(255, 255, 255));
    fillRect(image, QRect(180, 10, 20, 20), Leaf);
    fillRect(image, QRect(100, 80, 2, 2), Leaf);
    fillRect(image, QRect(120, 80, 2, 2), Leaf);
    return image;
}

void drag(MeasurementSession& session, QPointF from, QPointF to)
{
    session.pressAt(float(from.x()), float(from.y()));
    session.moveTo(float(to.x()), float(to.y()));
    session.release();
}

// The picture taken at its own height, a scale line of `linePixels` along the top
// row, converted with `threshold` and measured with `knownLength`.
void measure(MeasurementSession& session, const QString& path, const QImage& picture,
             int linePixels, int threshold, const QString& knownLength)
{
    session.takePicture(path, picture);
    session.reset(picture.height());
    session.nextSlot();
    session.setUnit(QStringLiteral("cm"));
    ToolChoice line;
    line.scaleLine = true;
    session.setTools(line);
    drag(session, QPointF(0, 0), QPointF(linePixels, 0));
    session.setTools(ToolChoice{});
    session.hideOutlines();
    session.convert(threshold);
    const Result<double> area = session.measure(knownLength);
    QVERIFY2(area.ok(), qPrintable(area.error()));
}

} // namespace

class TestEachLeaf : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsTheMeasurementIntoLeaves();
    void smallestLeafIsInTheUnitSquared_data();
    void smallestLeafIsInTheUnitSquared();
    void leavesLastUntilThePictureChanges();
    void objectsOfKnownAreasOnARealScan();
    void manySmallLeavesAreNumberedRowByRow();
};

void TestEachLeaf::splitsTheMeasurementIntoLeaves()
{
    MeasurementSession session;
    QSignalSpy found(&session, &MeasurementSession::leavesChanged);
    // 10 pixels a centimetre: a pixel is 0.01 cm².
    measure(session, QStringLiteral("/scans/leaf.png"), scan(), 50, ThresholdStart,
            QStringLiteral("5"));
    const double measured = session.state().areaSlot(1);
    QVERIFY(qFuzzyCompare(measured, (1200 - 100 + 400 + 8) * 0.01));

    const Result<LeafReport> split = session.splitIntoLeaves(0.05);
    QVERIFY2(split.ok(), qPrintable(split.error()));
    QCOMPARE(found.count(), 1);
    QVERIFY(session.leaves());
    const LeafReport& report = split.value();
    QCOMPARE(report.split.leaves.size(), 2);
    QCOMPARE(report.split.specks, 2);
    QVERIFY(qFuzzyCompare(report.specksArea, 0.08));

    // The leaf with the hole, then the one at the edge: by their topmost rows.
    const LeafValues& edge = report.values[0];
    QCOMPARE(edge.leaf, 1);
    QVERIFY(edge.touchesEdge);
    QVERIFY(qFuzzyCompare(report.areas[0], 4.0));
    const LeafValues& holed = report.values[1];
    QCOMPARE(holed.leaf, 2);
    QVERIFY(!holed.touchesEdge);
    QVERIFY(qFuzzyCompare(report.areas[1], 11.0));
    QVERIFY(qFuzzyCompare(holed.holesArea, 1.0));
    QVERIFY(qFuzzyCompare(holed.filledArea, 12.0));
    QVERIFY(qFuzzyCompare(holed.holesPercent, 100.0 / 12.0));
    // From the centre of one corner pixel to the other's, and half a pixel beyond each.
    QVERIFY(qFuzzyCompare(holed.length, (std::hypot(39.0, 29.0) + 1) / 10));
    // The rectangle's centroid less the hole's: (1200 * 40 - 100 * 35) / 1100 pixels.
    QVERIFY(qFuzzyCompare(holed.centroidX, 44500.0 / 1100 / 10));
    QVERIFY(qFuzzyCompare(holed.centroidY, 4.5));
    QCOMPARE(holed.specks, 2);
    QVERIFY(qFuzzyCompare(holed.specksArea, 0.08));

    // Nothing is lost or added: the leaves and the specks make the measured area.
    QVERIFY(qFuzzyCompare(report.areas[0] + report.areas[1] + report.specksArea, measured));

    // The provenance of the measurement the leaves come from.
    const Provenance provenance = session.provenance();
    QCOMPARE(provenance.imageFile, QStringLiteral("/scans/leaf.png"));
    QCOMPARE(provenance.unit, QStringLiteral("cm"));
    QCOMPARE(provenance.pixelsPerUnit, 10.0);
    QCOMPARE(provenance.knownLength, 5.0);
    QCOMPARE(provenance.threshold, ThresholdStart);
    QCOMPARE(provenance.region, QRect(0, 0, 200, 100));
    QVERIFY(provenance.measuredAt.isValid());
    QCOMPARE(provenance.programVersion, QStringLiteral(VERIMETRA_VERSION));
}

// A smallest leaf of a in cm² at 10 pixels a centimetre is 100 a pixels.
void TestEachLeaf::smallestLeafIsInTheUnitSquared_data()
{
    QTest::addColumn<double>("minLeafArea");
    QTest::addColumn<int>("leaves");
    QTest::addColumn<int>("specks");

    QTest::newRow("0 keeps every set") << 0.0 << 4 << 0;
    QTest::newRow("just above a speck") << 0.0401 << 2 << 2;
    QTest::newRow("exactly the edge leaf") << 4.0 << 2 << 2;
    QTest::newRow("above the edge leaf") << 4.01 << 1 << 3;
    QTest::newRow("above everything") << 100.0 << 0 << 4;
}

void TestEachLeaf::smallestLeafIsInTheUnitSquared()
{
    QFETCH(double, minLeafArea);
    QFETCH(int, leaves);
    QFETCH(int, specks);
    MeasurementSession session;
    measure(session, QStringLiteral("leaf.png"), scan(), 50, ThresholdStart, QStringLiteral("5"));
    const Result<LeafReport> split = session.splitIntoLeaves(minLeafArea);
    QVERIFY(split.ok());
    QCOMPARE(split.value().split.leaves.size(), leaves);
    QCOMPARE(split.value().split.specks, specks);
}

void TestEachLeaf::leavesLastUntilThePictureChanges()
{
    MeasurementSession session;
    QVERIFY(!session.splitIntoLeaves(0).ok()); // nothing measured yet
    measure(session, QStringLiteral("leaf.png"), scan(), 50, ThresholdStart, QStringLiteral("5"));
    QSignalSpy changed(&session, &MeasurementSession::leavesChanged);

    // A stroke of the brush changes the picture: the leaves go, and a split needs a
    // new measurement.
    QVERIFY(session.splitIntoLeaves(0).ok());
    ToolChoice brush;
    brush.brush = true;
    session.setTools(brush);
    drag(session, QPointF(150, 50), QPointF(150, 50));
    session.setTools(ToolChoice{});
    QVERIFY(!session.leaves());
    QCOMPARE(changed.count(), 2);
    const Result<LeafReport> stale = session.splitIntoLeaves(0);
    QVERIFY(!stale.ok());
    QVERIFY(stale.error().contains(QStringLiteral("measure")));

    // Measuring again allows a split (only black pixels count now: the brush's
    // stamp); drawing the picture anew drops it, and the threshold with it.
    QVERIFY(session.measure(QStringLiteral("5")).ok());
    QVERIFY(session.splitIntoLeaves(0).ok());
    QCOMPARE(session.leaves()->split.leaves.size(), 1);
    session.reset(100);
    QVERIFY(!session.leaves());
    QCOMPARE(session.state().convertedThreshold, -1);
    QVERIFY(session.measure(QStringLiteral("5")).ok());
    QCOMPARE(session.provenance().threshold, Provenance::NoThreshold);
}

// A scan at 300 dpi of four green shapes on blue: squares of 10 and 5 cm, a
// rectangle of 4 x 2 cm and a disk of 3 cm across.
void TestEachLeaf::objectsOfKnownAreasOnARealScan()
{
    const QString path =
        QDir(QStringLiteral(VERIMETRA_SCANS_DIR)).filePath(QStringLiteral("objects_300dpi.jpg"));
    if (!QFile::exists(path)) {
        QSKIP("the folder of real scans is not here");
    }
    const Result<QImage> read = MeasurementSession::readPicture(path);
    QVERIFY2(read.ok(), qPrintable(read.error()));
    QCOMPARE(read.value().size(), QSize(2126, 1535));

    // The shapes' green has a level of 231, the blue background 257. The scale line
    // runs along the top edge over 1181 pixels, which at 300 dpi are 1181 / 300 inches.
    MeasurementSession session;
    const double known = 1181 * 2.54 / 300;
    measure(session, path, read.value(), 1181, 244, QString::number(known, 'g', 15));
    const Result<LeafReport> split = session.splitIntoLeaves(0.01);
    QVERIFY2(split.ok(), qPrintable(split.error()));
    const LeafReport& report = split.value();
    QCOMPARE(report.split.leaves.size(), 4);

    QList<double> areas = report.areas;
    std::sort(areas.begin(), areas.end());
    const QList<double> expected = {3.14159265358979 * 1.5 * 1.5, 8, 25, 100};
    for (int i = 0; i < 4; ++i) {
        QVERIFY2(std::abs(areas[i] - expected[i]) <= 0.005 * expected[i],
                 qPrintable(QStringLiteral("%1 cm² found for %2").arg(areas[i]).arg(expected[i])));
    }
    for (qsizetype i = 0; i < report.values.size(); ++i) {
        const LeafValues& values = report.values[i];
        qInfo("object %d: %.4f cm², holes %.4f cm², perimeter %.3f cm, length %.3f cm, width "
              "%.3f cm",
              values.leaf, report.areas[i], values.holesArea, values.perimeter, values.length,
              values.width);
        QVERIFY(!values.touchesEdge);
        // The compression leaves a few pale pixels inside a shape, no more.
        QVERIFY(values.holesArea < 0.0005 * report.areas[i]);
    }
    // Whatever is left out as specks is said, and adds up with the leaves.
    double total = report.specksArea;
    for (double area : report.areas) {
        total += area;
    }
    QVERIFY(qFuzzyCompare(total, session.state().areaSlot(1)));
}

// samples/small-leaves.png: 24 leaves in four rows, drawn at 59.055 pixels a
// centimetre, whose true areas and places its README gives, numbered row by row.
void TestEachLeaf::manySmallLeavesAreNumberedRowByRow()
{
    const QString path = QDir(QStringLiteral(VERIMETRA_SOURCE_DIR))
                             .filePath(QStringLiteral("samples/small-leaves.png"));
    const Result<QImage> read = MeasurementSession::readPicture(path);
    QVERIFY2(read.ok(), qPrintable(read.error()));

    // Middle of each leaf's box (pixels) and its true area (cm²), in the README's order.
    struct Known
    {
        int x;
        int y;
        double area;
    };
    const QList<Known> known = {
        {184, 125, 1.579},  {353, 104, 2.365},  {596, 92, 0.571},   {829, 75, 1.152},
        {1007, 106, 1.021}, {1207, 196, 0.918}, {163, 345, 2.270},  {409, 343, 0.662},
        {574, 303, 2.069},  {765, 359, 0.935},  {977, 322, 1.451},  {1304, 340, 2.018},
        {131, 537, 2.726},  {367, 543, 2.118},  {560, 519, 1.412},  {774, 541, 0.962},
        {1005, 544, 1.060}, {1277, 560, 1.340}, {103, 761, 1.787},  {340, 747, 1.290},
        {649, 759, 1.367},  {786, 704, 1.546},  {1065, 779, 0.840}, {1233, 774, 2.061}};

    // The ruler's 0 and 20 cm marks are 1181.1 pixels apart; the line's ends are
    // whole pixels. The selection leaves the ruler out.
    MeasurementSession session;
    const QImage& picture = read.value();
    session.takePicture(path, picture);
    session.reset(picture.height());
    session.nextSlot();
    ToolChoice line;
    line.scaleLine = true;
    session.setTools(line);
    drag(session, QPointF(80, 884), QPointF(1261, 884));
    session.setTools(ToolChoice{});
    session.hideOutlines();
    session.setRegionMode(RegionMode::Selecting);
    session.showSelectionOutline();
    drag(session, QPointF(0, 0), QPointF(1399, 860));
    session.setRegionMode(RegionMode::Confirmed);
    session.convert(450);
    QVERIFY(session.measure(QString::number(1181 / 59.055, 'g', 15)).ok());
    const Result<LeafReport> split = session.splitIntoLeaves(0.01);
    QVERIFY2(split.ok(), qPrintable(split.error()));
    const LeafReport& report = split.value();
    QCOMPARE(report.split.leaves.size(), known.size());
    for (qsizetype i = 0; i < known.size(); ++i) {
        const LeafShape& leaf = report.split.leaves[i];
        const QString where = QStringLiteral("leaf %1: centroid %2, %3, area %4 cm²")
                                  .arg(i + 1)
                                  .arg(leaf.centroid.x())
                                  .arg(leaf.centroid.y())
                                  .arg(report.areas[i]);
        QVERIFY2(QLineF(leaf.centroid, QPointF(known[i].x, known[i].y)).length() < 25,
                 qPrintable(where));
        QVERIFY2(std::abs(report.areas[i] - known[i].area) < 0.025 * known[i].area,
                 qPrintable(where));
    }
}

QTEST_GUILESS_MAIN(TestEachLeaf)
#include "tst_eachleaf.moc"
