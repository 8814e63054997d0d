// A whole measurement carried out on the session and the results table alone,
// without any window: open, scale, selection, conversion, touch-up, measure,
// record, save and import; and the steps that refuse, changing nothing.

#include "analysis/ColourValue.h"
#include "analysis/Conversion.h"
#include "image/ImageLoader.h"
#include "image/PixelAccess.h"
#include "session/MeasurementSession.h"
#include "session/ResultsModel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace verimetra;

namespace {

constexpr QRgb LeafGreen = qRgb(20, 60, 20);

// 100 x 60, white, with a leaf of 20 x 10 pixels at (20, 20) and a dark speck of
// 10 x 10 at (70, 40) that the selection leaves out.
QImage scan()
{
    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 20; y < 30; ++y) {
        for (int x = 20; x < 40; ++x) {
            image.setPixel(x, y, LeafGreen);
        }
    }
    for (int y = 40; y < 50; ++y) {
        for (int x = 70; x < 80; ++x) {
            image.setPixel(x, y, LeafGreen);
        }
    }
    return image;
}

int countOf(const QImage& picture, int colourValue)
{
    int n = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            n += pointAt(picture, x, y) == colourValue ? 1 : 0;
        }
    }
    return n;
}

// The rectangles a pictureChanged spy has seen.
QList<QRect> areasOf(const QSignalSpy& spy)
{
    QList<QRect> areas;
    for (const QList<QVariant>& call : spy) {
        areas.append(call.at(0).toRect());
    }
    return areas;
}

// Whether every pixel that differs between the two pictures lies in one of `areas`:
// what a view repaints when it is told.
bool changesWithin(const QImage& before, const QImage& after, const QList<QRect>& areas)
{
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (before.pixel(x, y) == after.pixel(x, y)) {
                continue;
            }
            const QPoint at(x, y);
            if (std::none_of(areas.begin(), areas.end(),
                             [at](const QRect& area) { return area.contains(at); })) {
                return false;
            }
        }
    }
    return true;
}

void drag(MeasurementSession& session, QPointF from, QPointF to)
{
    session.pressAt(float(from.x()), float(from.y()));
    session.moveTo(float(to.x()), float(to.y()));
    session.release();
}

ToolChoice only(bool ToolChoice::*tool)
{
    ToolChoice tools;
    tools.*tool = true;
    tools.eraserColour = colour::White;
    tools.brushColour = colour::Black;
    return tools;
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void wholeMeasurement();
    void resetBringsBackTheFittedPicture();
    void openRefusesWhatItCannotShow_data();
    void openRefusesWhatItCannotShow();
    void measureRefusesWithoutAUsableScale_data();
    void measureRefusesWithoutAUsableScale();
    void importRefusesABadFileAndKeepsTheTable();
    void failedSaveKeepsTheRowsUnsaved();

private:
    QString writeScan(const QString& name);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSession::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestSession::writeScan(const QString& name)
{
    const QString path = m_dir->filePath(name);
    if (!scan().save(path, "PNG")) {
        qWarning("could not write the fixture %s", qPrintable(path));
    }
    return path;
}

void TestSession::wholeMeasurement()
{
    MeasurementSession session;
    ResultsModel results;
    results.setUpTable();
    QSignalSpy changes(&session, &MeasurementSession::pictureChanged);
    QSignalSpy started(&session, &MeasurementSession::scaleLineStarted);

    // Open at the picture's own height: the working picture is the scan itself.
    const QString path = writeScan(QStringLiteral("leaf07.png"));
    QVERIFY(session.open(path, 60).ok());
    const SessionState& state = session.state();
    QCOMPARE(state.fit.ratio, 1.0);
    QCOMPARE(session.picture(), scan());
    QCOMPARE(state.imageFileTitle, QStringLiteral("leaf07.png"));
    QCOMPARE(state.imageCounter, 1);

    // The scale: a line of 50 pixels that is 5 units long.
    session.setTools(only(&ToolChoice::scaleLine));
    drag(session, QPointF(10, 55), QPointF(60, 55));
    QCOMPARE(started.count(), 1);
    QCOMPARE(state.scaleLine.length, 50.0);
    results.setUnit(QStringLiteral("cm"));
    QCOMPARE(results.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Area  (cm^2)"));

    // The selection around the leaf, leaving the speck out.
    session.setTools(ToolChoice{});
    session.setRegionMode(RegionMode::Selecting);
    session.showSelectionOutline();
    drag(session, QPointF(15, 15), QPointF(45, 35));
    session.setRegionMode(RegionMode::Confirmed);
    QCOMPARE(state.selection.region.left, 15.0);
    QCOMPARE(state.selection.region.right, 45.0);
    QCOMPARE(state.selection.region.bottom, 35.0);

    // Black and white within the selection only.
    QImage before = session.picture();
    changes.clear();
    session.convert(ThresholdStart);
    QCOMPARE(countOf(session.picture(), colour::Black), 200);
    QCOMPARE(pointAt(session.picture(), 75, 45), toColourValue(LeafGreen));
    QVERIFY(changesWithin(before, session.picture(), areasOf(changes)));

    // Touch-up with a 2 x 2 outline (3 x 3 pixels a stamp): one brush stamp beside
    // the leaf, two eraser stamps inside it.
    session.setTools(only(&ToolChoice::toolSize));
    drag(session, QPointF(50, 50), QPointF(52, 52));
    QCOMPARE(state.paint.outline.width, 2.0f);
    before = session.picture();
    changes.clear();
    session.setTools(only(&ToolChoice::brush));
    drag(session, QPointF(30, 32), QPointF(30, 32));
    session.setTools(only(&ToolChoice::eraser));
    drag(session, QPointF(21, 21), QPointF(25, 21));
    QCOMPARE(countOf(session.picture(), colour::Black), 200 + 9 - 18);
    QVERIFY(changesWithin(before, session.picture(), areasOf(changes)));

    // The measurement counts and marks the black pixels of the selection.
    before = session.picture();
    changes.clear();
    const Result<double> area = session.measure(QStringLiteral("5 cm"));
    QVERIFY2(area.ok(), qPrintable(area.error()));
    QCOMPARE(state.measurement.blackPixelCount, 191.0);
    QCOMPARE(countOf(session.picture(), colour::Red), 191);
    QVERIFY(qFuzzyCompare(area.value(), 1.91)); // 0.1 cm a pixel
    QCOMPARE(area.value(), state.areaSlot(1));
    QVERIFY(changesWithin(before, session.picture(), areasOf(changes)));

    // Recorded, saved, cleared and imported back.
    QCOMPARE(results.record(leafNameOf(state.imageFileTitle), area.value()), 1);
    QVERIFY(results.hasUnsavedRows());
    const QString file = m_dir->filePath(QStringLiteral("results.txt"));
    QVERIFY(results.save(file).ok());
    QVERIFY(!results.hasUnsavedRows());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("\"leaf07\",1.91\r\n"));
    results.clear();
    QCOMPARE(results.rowCount(), 0);
    QVERIFY(results.importFile(file).ok());
    QCOMPARE(results.rowCount(), 1);
    QCOMPARE(results.data(results.index(0, 0)).toString(), QStringLiteral("1"));
    QCOMPARE(results.data(results.index(0, 1)).toString(), QStringLiteral("leaf07"));
    QVERIFY(qFuzzyCompare(results.records().at(0).area, 1.91));
}

void TestSession::resetBringsBackTheFittedPicture()
{
    // Twice the scan's height: the working picture is the scan enlarged, 200 x 120.
    MeasurementSession session;
    QVERIFY(session.open(writeScan(QStringLiteral("scan.png")), 120).ok());
    const QImage fitted = session.picture();
    QCOMPARE(fitted.size(), QSize(200, 120));
    QCOMPARE(session.state().fit.ratio, 2.0);

    // Conversion, a stamp and a measurement all work on the working picture only.
    session.setTools(only(&ToolChoice::scaleLine));
    drag(session, QPointF(0, 0), QPointF(100, 0));
    session.convert(ThresholdStart);
    session.stamp(150, 10, colour::Black);
    QVERIFY(session.measure(QStringLiteral("1")).ok());
    QVERIFY(session.picture() != fitted);

    QSignalSpy replaced(&session, &MeasurementSession::pictureReplaced);
    QCOMPARE(session.reset(120).height, 120.0);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(session.picture(), fitted);
    QCOMPARE(session.loadedPicture(), scan());
}

void TestSession::openRefusesWhatItCannotShow_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents"); // empty: a true scan
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing file") << QStringLiteral("none.png") << QByteArray("-") << 60
                                  << QStringLiteral("Cannot open the image");
    QTest::newRow("not a picture") << QStringLiteral("text.png") << QByteArray("hello") << 60
                                   << QStringLiteral("Cannot open the image");
    QTest::newRow("no height to fit") << QStringLiteral("scan.png") << QByteArray() << 0
                                      << QStringLiteral("Cannot show the image");
}

void TestSession::openRefusesWhatItCannotShow()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(int, height);
    QFETCH(QString, reason);

    QString path = m_dir->filePath(file);
    if (contents.isEmpty()) {
        path = writeScan(file);
    } else if (contents != "-") {
        QFile written(path);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(contents);
    }

    MeasurementSession session;
    const Outcome opened = session.open(path, height);
    QVERIFY(!opened.ok());
    QVERIFY2(opened.error().startsWith(reason), qPrintable(opened.error()));
    QVERIFY(session.picture().isNull());
    QVERIFY(session.loadedPicture().isNull());
    QVERIFY(session.state().imageFileName.isEmpty());
    QCOMPARE(session.state().imageCounter, 0);
}

void TestSession::measureRefusesWithoutAUsableScale_data()
{
    QTest::addColumn<double>("lineLength"); // 0: no scale line drawn
    QTest::addColumn<QString>("knownLength");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no scale line")
        << 0.0 << QStringLiteral("5") << QStringLiteral("There is no scale yet.");
    QTest::newRow("known length too large")
        << 1.0 << QStringLiteral("1E300")
        << QStringLiteral("The known length \"1E300\" is too large to measure with.");
}

void TestSession::measureRefusesWithoutAUsableScale()
{
    QFETCH(double, lineLength);
    QFETCH(QString, knownLength);
    QFETCH(QString, reason);

    MeasurementSession session;
    QVERIFY(session.open(writeScan(QStringLiteral("scan.png")), 60).ok());
    if (lineLength > 0) {
        session.setTools(only(&ToolChoice::scaleLine));
        drag(session, QPointF(10, 10), QPointF(10 + lineLength, 10));
        QCOMPARE(session.state().scaleLine.length, lineLength);
    }
    QSignalSpy busy(&session, &MeasurementSession::busyChanged);
    const QImage before = session.picture();

    const Result<double> area = session.measure(knownLength);
    QVERIFY(!area.ok());
    QVERIFY2(area.error().startsWith(reason), qPrintable(area.error()));
    QCOMPARE(session.picture(), before);
    QCOMPARE(busy.count(), 0);
    QCOMPARE(session.state().measurement.blackPixelCount, 0.0);
}

void TestSession::importRefusesABadFileAndKeepsTheTable()
{
    ResultsModel results;
    results.setUpTable();
    results.record(QStringLiteral("kept"), 2.5);
    const QString file = m_dir->filePath(QStringLiteral("bad.txt"));
    QFile written(file);
    QVERIFY(written.open(QIODevice::WriteOnly));
    written.write("\"a\",1\r\n\"b\",x\r\n");
    written.close();

    const Outcome imported = results.importFile(file);
    QVERIFY(!imported.ok());
    QCOMPARE(imported.errorLine(), 2);
    QVERIFY2(imported.error().endsWith(QStringLiteral("Nothing was imported: the table is "
                                                      "unchanged.")),
             qPrintable(imported.error()));
    QCOMPARE(results.records(), (QList<ResultRecord>{{QStringLiteral("kept"), 2.5}}));
    QVERIFY(results.hasUnsavedRows());
}

void TestSession::failedSaveKeepsTheRowsUnsaved()
{
    ResultsModel results;
    results.setUpTable();
    results.record(QStringLiteral("leaf"), 1.5);
    const Outcome saved = results.save(m_dir->filePath(QStringLiteral("no/such/folder/r.txt")));
    QVERIFY(!saved.ok());
    QVERIFY2(saved.error().contains(QStringLiteral("The results were not saved.")),
             qPrintable(saved.error()));
    QVERIFY(results.hasUnsavedRows());
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
