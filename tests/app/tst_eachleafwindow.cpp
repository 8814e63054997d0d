// "Each leaf" through the real windows: the same measurement as "3. Calculate the
// leaf area", the leaves drawn over the picture, the specks said, every leaf
// recorded as a row of its own, and the smallest leaf checked before anything.

#include "TestSupport.h"
#include "analysis/ColourValue.h"
#include "app/StepFrame.h"
#include "image/LeavesOverlay.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>

using namespace verimetra;
using namespace testsupport;

namespace {

void block(QImage& image, QRect rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            image.setPixel(x, y, qRgb(10, 40, 10));
        }
    }
}

// White, of the window's height: a leaf of 30 x 20 with a hole of 4 x 5, a leaf of
// 10 x 10 on the right edge, and a speck of 2 x 2.
QImage threeThings(int height)
{
    QImage image = filled(200, height);
    block(image, QRect(20, 40, 30, 20));
    for (int y = 45; y < 50; ++y) {
        for (int x = 30; x < 34; ++x) {
            image.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    block(image, QRect(190, 10, 10, 10));
    block(image, QRect(100, 100, 2, 2));
    return image;
}

int countRed(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += toColourValue(image.pixel(x, y)) == colour::Red;
        }
    }
    return n;
}

// Opened 1:1, a scale of 10 pixels a unit, converted: ready to measure.
void readyToMeasure(Session& s)
{
    s.openOneToOne(threeThings(s.clientHeight()));
    s.setScale(10);
    s.press("cmdConvert");
}

// Each leaf with a smallest leaf of 0.05 cm² (the speck left out) on a picture
// named `name`; then the whole picture and every leaf recorded.
void recordTheLeaves(Session& s, const QString& name)
{
    readyToMeasure(s);
    s.setText("txtMinLeaf", QStringLiteral("0.05"));
    s.setText("txtLeafName", name);
    s.press("cmdEachLeaf");
    s.press("cmdDataOK"); // the whole picture, as before
    s.press("cmdRecordLeaves");
}

QString labelText(Session& s, const char* name)
{
    return child<QLabel>(s.window.get(), name)->text();
}

} // namespace

class TestEachLeafWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void usableWheneverTheMeasurementIs();
    void measuresAsTheMeasureButtonThenSplits();
    void recordsEveryLeafAsARow();
    void exportCsvAndImportItBack();
    void failedExportSaysWhy();
    void leavesGoWhenThePictureChanges();
    void smallestLeafIsCheckedFirst_data();
    void smallestLeafIsCheckedFirst();
    void smallestLeafFollowsTheUnit();
};

void TestEachLeafWindow::usableWheneverTheMeasurementIs()
{
    Session s;
    QVERIFY(!s.enabled("cmdEachLeaf"));
    QVERIFY(!s.enabled("cmdRecordLeaves"));
    s.openOneToOne(threeThings(s.clientHeight()));
    s.setScale(10);
    QCOMPARE(s.enabled("cmdEachLeaf"), s.enabled("cmdMeasure"));
    s.press("cmdConvert");
    QVERIFY(s.enabled("cmdMeasure"));
    QVERIFY(s.enabled("cmdEachLeaf"));
    s.press("cmdMeasure");
    QVERIFY(!s.enabled("cmdEachLeaf"));
    // "Hide tool" makes the measurement usable again, and "Each leaf" with it.
    s.press("cmdHideTool");
    QCOMPARE(s.enabled("cmdEachLeaf"), s.enabled("cmdMeasure"));
}

void TestEachLeafWindow::measuresAsTheMeasureButtonThenSplits()
{
    // The same picture measured once with each button.
    Session measured;
    readyToMeasure(measured);
    measured.press("cmdMeasure");

    Session s;
    readyToMeasure(s);
    s.press("cmdEachLeaf");
    QCOMPARE(s.text("txtLeafA"), measured.text("txtLeafA"));
    QCOMPARE(s.text("txtLeafA"), QStringLiteral("6.84")); // 600 - 20 + 100 + 4 pixels
    QCOMPARE(s.picture(), measured.picture());
    QCOMPARE(countRed(s.picture()), 684);
    QCOMPARE(s.state().areaSlot(s.state().imageCounter),
             measured.state().areaSlot(measured.state().imageCounter));
    QVERIFY(s.enabled("cmdDataOK"));
    QVERIFY(!s.enabled("cmdMeasure"));
    QVERIFY(!child<StepFrame>(s.window.get(), "framePaint")->panelEnabled());

    // Then the leaves. The smallest leaf is 0.01 cm² by default: the 2 x 2 speck,
    // 0.04 cm², is a leaf too.
    QCOMPARE(labelText(s, "lblSpecks"), QStringLiteral("3 leaves, no specks"));
    LeavesOverlay* overlay = s.picture2()->leaves();
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->count(), 3);
    QCOMPARE(overlay->label(0), QStringLiteral("1 (edge)"));
    QCOMPARE(overlay->label(1), QStringLiteral("2"));
    QVERIFY(s.enabled("cmdRecordLeaves"));

    // With a smallest leaf of 0.05 cm² the speck is left out, and said.
    Session raised;
    readyToMeasure(raised);
    raised.setText("txtMinLeaf", QStringLiteral("0.05"));
    raised.press("cmdEachLeaf");
    QCOMPARE(labelText(raised, "lblSpecks"),
             QStringLiteral("2 leaves, 1 speck left out: 0.04 cm²"));
    QCOMPARE(raised.text("txtLeafA"), QStringLiteral("6.84")); // the speck still counts
    QCOMPARE(raised.picture2()->leaves()->count(), 2);
}

void TestEachLeafWindow::recordsEveryLeafAsARow()
{
    Session s;
    recordTheLeaves(s, QStringLiteral("plot 3"));
    QVERIFY(!s.enabled("cmdRecordLeaves")); // once a split

    const QList<ResultRecord> rows = s.results().records();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].name, QStringLiteral("plot 3"));
    QVERIFY(!rows[0].isLeaf());
    QCOMPARE(rows[1].name, QStringLiteral("plot 3-1"));
    QCOMPARE(rows[2].name, QStringLiteral("plot 3-2"));
    QVERIFY(qFuzzyCompare(rows[1].area, 1.0));
    QVERIFY(qFuzzyCompare(rows[2].area, 5.8));
    QVERIFY(rows[1].leaf.touchesEdge);
    QCOMPARE(rows[2].leaf.leaf, 2);
    QVERIFY(qFuzzyCompare(rows[2].leaf.holesArea, 0.2));
    QVERIFY(qFuzzyCompare(rows[2].leaf.filledArea, 6.0));
    QCOMPARE(rows[2].leaf.specks, 1);
    for (const ResultRecord& row : rows) {
        QVERIFY(row.hasProvenance());
        QCOMPARE(row.provenance.pixelsPerUnit, 10.0);
        QCOMPARE(row.provenance.threshold, 300);
        QVERIFY(row.provenance.imageFile.endsWith(QStringLiteral("leaf.png")));
    }

    // The grid: the whole picture's row has no leaf values; a leaf's follow its area.
    QCOMPARE(s.cell(0, 3), QStringLiteral("Leaf"));
    QCOMPARE(s.cell(0, 4), QStringLiteral("Holes area  (cm^2)"));
    QCOMPARE(s.cell(0, 7), QStringLiteral("Perimeter  (cm)"));
    QCOMPARE(s.cell(1, 1), QStringLiteral("plot 3"));
    QCOMPARE(s.cell(1, 3), QString());
    QCOMPARE(s.cell(1, 4), QString());
    QCOMPARE(s.cell(3, 0), QStringLiteral("3"));
    QCOMPARE(s.cell(3, 1), QStringLiteral("plot 3-2"));
    QCOMPARE(s.cell(3, 2), QStringLiteral("5.8"));
    QCOMPARE(s.cell(3, 3), QStringLiteral("2"));
    QCOMPARE(s.cell(3, 4), QStringLiteral("0.2"));
    QCOMPARE(s.cell(3, 5), QStringLiteral("6"));
    QCOMPARE(s.cell(2, 12), QStringLiteral("yes"));
    QCOMPARE(s.cell(3, 12), QStringLiteral("no"));

    // Saving writes exactly the names and areas, as before.
    const QString file = s.dir.filePath(QStringLiteral("results.txt"));
    QVERIFY(s.results().save(file).ok());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(),
             QByteArray("\"plot 3\",6.84\r\n\"plot 3-1\",1\r\n\"plot 3-2\",5.8\r\n"));
}

void TestEachLeafWindow::exportCsvAndImportItBack()
{
    Session s;
    recordTheLeaves(s, QStringLiteral("plot, \"north\""));
    s.press("cmdDataFile");
    const QList<ResultRecord> recorded = s.results().records();
    QCOMPARE(recorded.size(), 3);
    QVERIFY(s.results().hasUnsavedRows());

    // Typed without its suffix, the name gets ".csv".
    chooseFile(s.dir.filePath(QStringLiteral("leaves")));
    click(s.window->dataWindow(), "cmdExportCsv");
    const QString path = s.dir.filePath(QStringLiteral("leaves.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 5); // the header, three rows, nothing after the last line end
    QVERIFY(lines[0].startsWith("number,name,image_file,leaf,area,unit,holes_area,"));
    QVERIFY(lines[1].startsWith("1,\"plot, \"\"north\"\"\","));
    QVERIFY(lines[3].startsWith("3,\"plot, \"\"north\"\"-2\","));
    QVERIFY(lines[3].contains(",2,5.8,cm,0.2,6,"));
    QVERIFY(!s.results().hasUnsavedRows());

    // Cleared, then imported back: every column of every row.
    click(s.window->dataWindow(), "cmdClear");
    QCOMPARE(s.results().rowCount(), 0);
    chooseFile(path);
    click(s.window->dataWindow(), "cmdImport");
    QCOMPARE(s.results().records(), recorded);
    QCOMPARE(s.cell(3, 1), QStringLiteral("plot, \"north\"-2"));
    QCOMPARE(s.cell(3, 3), QStringLiteral("2"));
    QCOMPARE(s.cell(3, 4), QStringLiteral("0.2"));
    QCOMPARE(s.cell(1, 3), QString());
}

void TestEachLeafWindow::failedExportSaysWhy()
{
    Session s;
    s.results().record(QStringLiteral("leaf"), 1.5);
    s.press("cmdDataFile");
    const QString path = s.dir.filePath(QStringLiteral("missing/leaves.csv"));
    auto seen = std::make_shared<SeenBox>();
    whenModal<QFileDialog>([path, seen](QFileDialog* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        answerBox(QMessageBox::Ok, seen);
        QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, QDialog::Accepted));
    });
    click(s.window->dataWindow(), "cmdExportCsv");
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY2(seen->text.contains(QStringLiteral("leaves.csv")), qPrintable(seen->text));
    QVERIFY(!QFile::exists(path));
    QVERIFY(s.results().hasUnsavedRows());
}

void TestEachLeafWindow::leavesGoWhenThePictureChanges()
{
    Session s;
    readyToMeasure(s);
    s.press("cmdEachLeaf");
    QVERIFY(s.picture2()->leaves()->isVisible());
    s.press("cmdRefresh");
    QVERIFY(!s.picture2()->leaves()->isVisible());
    QVERIFY(labelText(s, "lblSpecks").isEmpty());
    QVERIFY(!s.enabled("cmdRecordLeaves"));
    s.press("cmdRecordLeaves");
    QCOMPARE(s.results().rowCount(), 0);
}

void TestEachLeafWindow::smallestLeafIsCheckedFirst_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("words") << QStringLiteral("small");
    QTest::newRow("negative") << QStringLiteral("-1");
    QTest::newRow("empty") << QString();
    QTest::newRow("infinite") << QStringLiteral("inf");
}

void TestEachLeafWindow::smallestLeafIsCheckedFirst()
{
    QFETCH(QString, text);
    Session s;
    readyToMeasure(s);
    const QImage converted = s.picture();
    s.setText("txtMinLeaf", text);
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    s.press("cmdEachLeaf");
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY(seen->text.contains(QStringLiteral("smallest leaf")));
    // Nothing was measured.
    QCOMPARE(s.picture(), converted);
    QVERIFY(s.text("txtLeafA").isEmpty());
    QVERIFY(s.enabled("cmdMeasure"));
    QVERIFY(s.enabled("cmdEachLeaf"));
}

void TestEachLeafWindow::smallestLeafFollowsTheUnit()
{
    Session s;
    s.openOneToOne(threeThings(s.clientHeight()));
    QCOMPARE(s.text("txtMinLeaf"), QStringLiteral("0.01"));
    QCOMPARE(labelText(s, "lblMinLeafUnit"), QStringLiteral("cm²"));
    // In millimetres the same 1 mm² reads 1, until the user types a size.
    child<QComboBox>(s.window.get(), "cmbUnit")->setCurrentIndex(1);
    s.setScale(10);
    QCOMPARE(s.text("txtMinLeaf"), QStringLiteral("1"));
    QCOMPARE(labelText(s, "lblMinLeafUnit"), QStringLiteral("mm²"));

    Session typed;
    typed.openOneToOne(threeThings(typed.clientHeight()));
    QLineEdit* minLeaf = child<QLineEdit>(typed.window.get(), "txtMinLeaf");
    minLeaf->selectAll();
    QTest::keyClicks(minLeaf, QStringLiteral("0.5"));
    child<QComboBox>(typed.window.get(), "cmbUnit")->setCurrentIndex(1);
    typed.setScale(10);
    QCOMPARE(typed.text("txtMinLeaf"), QStringLiteral("0.5"));
}

QTEST_MAIN(TestEachLeafWindow)
#include "tst_eachleafwindow.moc"
