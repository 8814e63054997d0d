// A whole measurement through the real windows: scale, conversion, count, the
// area shown and the row recorded, with the faults of recording mended.

#include "TestSupport.h"
#include "analysis/ColourValue.h"
#include "analysis/NumberText.h"
#include "app/StepFrame.h"

#include <QComboBox>
#include <QFile>
#include <QPainter>

using namespace verimetra;
using namespace testsupport;

namespace {

// A white page of the window's height with a black block of w x h pixels at (10, 10).
QImage pageWithBlock(int height, int w, int h)
{
    QImage image = filled(200, height);
    for (int y = 10; y < 10 + h; ++y) {
        for (int x = 10; x < 10 + w; ++x) {
            image.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    return image;
}

int countColour(const QImage& image, int colourValue)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += toColourValue(image.pixel(x, y)) == colourValue;
        }
    }
    return n;
}

// Area of n pixels as the measurement computes it, in the same order of operations.
double expectedArea(const QImage& picture, double line, double known, double n)
{
    const double heightReal = double(picture.height()) / line * known;
    const double widthReal = double(picture.width()) / line * known;
    return widthReal * heightReal / (double(picture.width()) * double(picture.height())) * n;
}

} // namespace

class TestMeasurement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void wholeRoadFromImageFileToTable();
    void headerNamesTheUnit_data();
    void headerNamesTheUnit();
    void knownLengthTwoQuadruplesTheArea();
    void commaLocaleShowsAComma();
    void regionWithoutBlackGivesZero();
    void recordingAtStartUpAddsNothing();
    void numberingRestartsAfterClear();
    void recordedAreaIsTheMeasuredOne();
    void hidingTheTableKeepsItsRows();
    void zeroLengthScaleIsRefused();
    void overlargeKnownLengthIsRefused();
};

void TestMeasurement::wholeRoadFromImageFileToTable()
{
    Session s;
    const int h = s.clientHeight();
    // A leaf-green ellipse on a scanner-white page, saved as a JPEG like a real scan.
    QImage scan = filled(300, h, QColor(250, 250, 247));
    {
        QPainter painter(&scan);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(50, 110, 40));
        painter.drawEllipse(QRectF(40, 60, 180, 120));
    }
    const QString path = s.dir.filePath(QStringLiteral("oak leaf 3.jpg"));
    QVERIFY(scan.save(path, "JPEG", 92));
    s.open(path);
    QCOMPARE(s.text("txtLeafName"), QStringLiteral("oak leaf 3"));
    QCOMPARE(s.picture().size(), QSize(300, h));

    s.setText("txtUnit", QStringLiteral("2"));
    child<QComboBox>(s.window.get(), "cmbUnit")->setCurrentIndex(1);
    s.setScale(100);
    QCOMPARE(s.cell(0, 2), QStringLiteral("Area  (mm^2)"));
    s.press("cmdConvert");
    const int black = countColour(s.picture(), colour::Black);
    QVERIFY(black > 15000 && black < 18000); // about pi/4 * 180 * 120
    s.press("cmdMeasure");
    QCOMPARE(countColour(s.picture(), colour::Red), black);
    QCOMPARE(countColour(s.picture(), colour::White), 300 * h - black);
    QVERIFY(!child(s.imageWindow(), "lblWait")->isVisible());

    const double area = expectedArea(s.picture(), 100, 2, black);
    QCOMPARE(s.state().measurement.steps.measuredArea, area);
    QCOMPARE(s.state().measurement.blackPixelCount, double(black));
    QCOMPARE(s.text("txtLeafA"), formatForDisplay(roundToFourDecimals(area)));

    s.press("cmdDataOK");
    QCOMPARE(s.grid()->rows(), 2);
    QCOMPARE(s.cell(1, 0), QStringLiteral("1"));
    QCOMPARE(s.cell(1, 1), QStringLiteral("oak leaf 3"));
    QCOMPARE(s.cell(1, 2), formatForDisplay(area));
    s.grid()->setRow(1);
    s.grid()->setCol(2);
    QCOMPARE(s.grid()->value(), area);
}

void TestMeasurement::headerNamesTheUnit_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("header");
    QTest::newRow("cm") << "cm"
                        << "Area  (cm^2)";
    QTest::newRow("mm") << "mm"
                        << "Area  (mm^2)";
    QTest::newRow("typed") << "inch"
                           << "Area  (inch^2)";
    QTest::newRow("empty") << ""
                           << "Area  (^2)";
}

void TestMeasurement::headerNamesTheUnit()
{
    QFETCH(QString, unit);
    QFETCH(QString, header);
    Session s;
    s.open(s.write(QStringLiteral("page.png"), filled(20, 20)));
    child<QComboBox>(s.window.get(), "cmbUnit")->setEditText(unit);
    s.setScale(10);
    QCOMPARE(s.cell(0, 2), header);
}

void TestMeasurement::knownLengthTwoQuadruplesTheArea()
{
    Session s;
    s.openOneToOne(pageWithBlock(s.clientHeight(), 17, 21));
    s.setScale(10);
    s.press("cmdConvert");
    s.press("cmdMeasure");
    const double once = s.state().measurement.steps.measuredArea;
    s.setText("txtUnit", QStringLiteral("2"));
    s.press("cmdConvert"); // the red marks turn black again at 300
    s.press("cmdMeasure");
    QCOMPARE(s.state().measurement.steps.measuredArea, 4 * once);
    s.setText("txtUnit", QStringLiteral("10 cm"));
    s.press("cmdConvert");
    s.press("cmdMeasure");
    QCOMPARE(s.state().measurement.steps.measuredArea, 100 * once);
}

void TestMeasurement::commaLocaleShowsAComma()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Session s;
    s.openOneToOne(pageWithBlock(s.clientHeight(), 17, 21)); // 357 pixels
    s.setScale(10);
    s.press("cmdConvert");
    s.press("cmdMeasure");
    QCOMPARE(s.text("txtLeafA"), QStringLiteral("3,57"));
    s.press("cmdDataOK");
    QVERIFY(s.cell(1, 2).startsWith(QStringLiteral("3,57")));
    QVERIFY(!s.cell(1, 2).contains(QLatin1Char('.')));
}

void TestMeasurement::regionWithoutBlackGivesZero()
{
    Session s;
    s.open(s.write(QStringLiteral("white.png"), filled(30, 30)));
    s.setScale(10);
    s.press("cmdConvert");
    s.press("cmdMeasure");
    QCOMPARE(s.text("txtLeafA"), QStringLiteral("0"));
    QCOMPARE(s.state().areaSlot(1), 0.0);
}

void TestMeasurement::recordingAtStartUpAddsNothing()
{
    Session s;
    s.press("cmdDataOK");
    QCOMPARE(s.results().rowCount(), 0);
    QCOMPARE(s.grid()->rows(), 1);
    QVERIFY(!s.enabled("cmdDataOK"));
}

void TestMeasurement::numberingRestartsAfterClear()
{
    Session s;
    s.openOneToOne(pageWithBlock(s.clientHeight(), 5, 5));
    s.setScale(10);
    for (int i = 0; i < 2; ++i) {
        s.press("cmdConvert");
        s.press("cmdMeasure");
        s.press("cmdDataOK");
    }
    QCOMPARE(s.cell(1, 0), QStringLiteral("1"));
    QCOMPARE(s.cell(2, 0), QStringLiteral("2"));
    click(s.window->dataWindow(), "cmdClear");
    QCOMPARE(s.grid()->rows(), 1);
    QCOMPARE(s.cell(0, 2), QStringLiteral("Area  (cm^2)"));
    s.press("cmdConvert");
    s.press("cmdMeasure");
    s.press("cmdDataOK");
    QCOMPARE(s.cell(1, 0), QStringLiteral("1"));
    QCOMPARE(s.results().rowCount(), 1);
}

void TestMeasurement::recordedAreaIsTheMeasuredOne()
{
    Session s;
    auto rowArea = [&s](int row) {
        s.grid()->setRow(row);
        s.grid()->setCol(2);
        return s.grid()->value();
    };
    auto measure = [&s](int size) {
        s.openOneToOne(pageWithBlock(s.clientHeight(), size, size),
                       QStringLiteral("block%1.png").arg(size));
        s.setScale(10);
        s.press("cmdConvert");
        s.press("cmdMeasure");
        return s.state().lastArea;
    };
    // Measured and recorded, then Close Image: the next image restarts its slots.
    const double first = measure(4);
    s.press("cmdDataOK");
    s.press("cmdPicUnload");
    const double second = measure(6);
    s.press("cmdDataOK");
    QCOMPARE(rowArea(1), first);
    QCOMPARE(rowArea(2), second);
    QCOMPARE(second, 0.36);

    // An image measured but not recorded does not shift the next row.
    measure(8);
    const double fourth = measure(3);
    s.press("cmdDataOK");
    QCOMPARE(rowArea(3), fourth);

    // After Clear Data the numbering restarts, the areas stay right.
    click(s.window->dataWindow(), "cmdClear");
    const double fifth = measure(7);
    s.press("cmdDataOK");
    QCOMPARE(rowArea(1), fifth);

    // After an import the new row follows the imported ones with its own area.
    const QString file = s.dir.filePath(QStringLiteral("old.txt"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("\"a\",1.5\r\n\"b\",2.5\r\n\"c\",3.5\r\n");
    out.close();
    chooseFile(file);
    click(s.window->dataWindow(), "cmdImport");
    QCOMPARE(s.results().rowCount(), 3);
    const double sixth = measure(9);
    s.press("cmdDataOK");
    QCOMPARE(s.cell(4, 0), QStringLiteral("4"));
    QCOMPARE(rowArea(4), sixth);
    QCOMPARE(rowArea(2), 2.5);
}

void TestMeasurement::hidingTheTableKeepsItsRows()
{
    Session s;
    s.openOneToOne(pageWithBlock(s.clientHeight(), 5, 5));
    s.setScale(10);
    s.press("cmdConvert");
    s.press("cmdMeasure");
    s.press("cmdDataOK");
    DataWindow* table = s.window->dataWindow();
    s.press("cmdDataFile");
    QVERIFY(table->isVisible());
    s.press("cmdDataFile");
    QCOMPARE(s.window->findChildren<DataWindow*>().size(), 1);
    click(table, "cmdHide");
    QVERIFY(!table->isVisible());
    s.press("cmdDataFile");
    QVERIFY(table->isVisible());
    table->close();
    QVERIFY2(!table->isVisible(), "its close button hides it");
    s.press("cmdDataFile");
    QCOMPARE(s.cell(1, 1), QStringLiteral("leaf"));
    QCOMPARE(s.cell(1, 2), QStringLiteral("0.25"));
}

void TestMeasurement::zeroLengthScaleIsRefused()
{
    Session s;
    s.openOneToOne(pageWithBlock(s.clientHeight(), 5, 5));
    s.drag(QPointF(30, 30), QPointF(30, 30));
    QCOMPARE(s.state().scaleLine.length, 0.0);
    s.press("cmdScaleOK");
    s.press("cmdConvert");
    const QImage converted = s.picture();
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    s.press("cmdMeasure");
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY(seen->text.contains(QStringLiteral("scale line")));
    QCOMPARE(s.picture(), converted);
    QVERIFY(s.enabled("cmdMeasure"));
    QVERIFY(child<StepFrame>(s.window.get(), "framePaint")->panelEnabled());
    QVERIFY(s.text("txtLeafA").isEmpty());
}

void TestMeasurement::overlargeKnownLengthIsRefused()
{
    Session s;
    s.openOneToOne(pageWithBlock(s.clientHeight(), 5, 5));
    s.setText("txtUnit", QStringLiteral("1E300"));
    s.setScale(10);
    s.press("cmdConvert");
    const QImage converted = s.picture();
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    s.press("cmdMeasure");
    QVERIFY(seen->seen);
    QVERIFY(seen->text.contains(QStringLiteral("1E300")));
    QCOMPARE(s.picture(), converted);
    QVERIFY(s.text("txtLeafA").isEmpty());
    QVERIFY(s.enabled("cmdMeasure"));
}

QTEST_MAIN(TestMeasurement)
#include "tst_measurement.moc"
