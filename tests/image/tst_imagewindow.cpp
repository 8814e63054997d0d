// The image window driven through the main window offscreen: opening, fitting,
// refreshing and closing images, files that cannot be opened, the threshold and
// the conversion, and the scale line.

#include "TestSupport.h"
#include "analysis/ColourValue.h"

#include "app/StepFrame.h"

#include <QAbstractSlider>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QtEndian>

using namespace verimetra;
using namespace testsupport;

namespace {

// The start of a PNG whose header claims width x height: enough for a reader to
// learn the size, nothing to decode.
QByteArray pngHeaderClaiming(quint32 width, quint32 height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&png](const char* type, const QByteArray& data) {
        QByteArray body(type, 4);
        body += data;
        quint32 crc = 0xffffffffu;
        for (char c : body) {
            crc ^= static_cast<quint8>(c);
            for (int k = 0; k < 8; ++k) {
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
            }
        }
        crc ^= 0xffffffffu;
        char length[4];
        qToBigEndian(static_cast<quint32>(data.size()), length);
        char sum[4];
        qToBigEndian(crc, sum);
        png += QByteArray(length, 4) + body + QByteArray(sum, 4);
    };
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 2; // colour type: RGB
    chunk("IHDR", ihdr);
    chunk("IDAT", QByteArray("\x78\x9c", 2));
    return png;
}

int colourAt(const QImage& image, int x, int y)
{
    return toColourValue(image.pixel(x, y));
}

} // namespace

class TestImageWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingFitsAndNumbersTheImage();
    void fitsToTheWindowHeight();
    void dialogOffersTheLastFolder();
    void cancelledDialogChangesNothing();
    void badFilesChangeNothing_data();
    void badFilesChangeNothing();
    void fileThatDisappearsAfterTheDialog();
    void refreshRestoresAndEmptiesTheArea();
    void closeImageEmptiesAndCloses();
    void imageWindowsOwnCloseClosesTheImage();
    void switchingWindowsKeepsTheWorkingPicture();
    void opensALargeScan();
    void unusualPicturesOpenAndMeasure_data();
    void unusualPicturesOpenAndMeasure();

    void thresholdSpinnerRestoresThePicture();
    void conversionOfTheWholePicture();
    void conversionInsideTheSelection();

    void scaleLineDragLength();
    void scaleLinePressRoundsTiesToEven_data();
    void scaleLinePressRoundsTiesToEven();
    void scaleLineWithoutMoveKeepsTheOldLine();
    void scaleLineWithTheRightButton();
};

void TestImageWindow::openingFitsAndNumbersTheImage()
{
    Session s;
    const QString path = s.write(QStringLiteral("leaf01.jpeg"), filled(40, 30, Qt::green));
    s.open(path);
    QVERIFY(s.imageWindow());
    QCOMPARE(s.imageWindow()->objectName(), QStringLiteral("frmPicture"));
    QCOMPARE(s.text("txtLeafName"), QStringLiteral("leaf01"));
    QCOMPARE(s.imageWindow()->windowTitle(), path);
    QCOMPARE(s.state().imageFileName, path);
    QCOMPARE(s.state().imageFileTitle, QStringLiteral("leaf01.jpeg"));
    QVERIFY(s.imageWindow()->isMaximized());
    QCOMPARE(s.picture2()->pos(), QPoint(24, 8));
    QCOMPARE(s.state().imageCounter, 1);
    QCOMPARE(s.state().areaSlot(1), 0.0);

    s.open(s.write(QStringLiteral("abc"), filled(40, 30)));
    QCOMPARE(s.text("txtLeafName"), QStringLiteral("abc"));
    QCOMPARE(s.state().imageCounter, 2);

    s.press("cmdPicUnload");
    s.open(path);
    QCOMPARE(s.state().imageCounter, 1);
    QVERIFY2(!child(s.imageWindow(), "Picture1")->isVisible(), "the loaded picture stays hidden");
}

void TestImageWindow::fitsToTheWindowHeight()
{
    Session s;
    const int h = s.clientHeight();
    // Larger than the window: 1.5 times its height, reduced by two thirds.
    s.open(s.write(QStringLiteral("big.png"), filled(2 * h, 3 * h / 2 * 1, Qt::gray)));
    const double ratio = double(float(h) / float(3 * h / 2));
    QCOMPARE(s.state().fit.ratio, ratio);
    QCOMPARE(s.picture().height(), h);
    QCOMPARE(s.picture().width(), qRound(2 * h * ratio));
    QCOMPARE(s.picture2()->size(), s.picture().size());
    // Smaller than the window: enlarged to its height.
    s.open(s.write(QStringLiteral("small.png"), filled(3, 2, Qt::gray)));
    QCOMPARE(s.picture().height(), h);
    QCOMPARE(s.state().fit.height, double(h));
    QCOMPARE(s.picture().format(), QImage::Format_RGB32);
}

void TestImageWindow::dialogOffersTheLastFolder()
{
    Session s;
    QDir(s.dir.path()).mkdir(QStringLiteral("scans"));
    const QString path = s.write(QStringLiteral("scans/leaf.png"), filled(8, 8));
    s.open(path);
    auto folder = std::make_shared<QString>();
    chooseFile(QString(), {}, folder);
    s.press("cmdImport");
    QCOMPARE(*folder, QFileInfo(path).absolutePath());
}

void TestImageWindow::cancelledDialogChangesNothing()
{
    Session s;
    const QString path = s.write(QStringLiteral("first.png"), filled(8, 8));
    s.open(path);
    chooseFile(QString());
    s.press("cmdImport");
    QCOMPARE(s.state().imageFileName, path);
    QCOMPARE(s.state().imageFileTitle, QStringLiteral("first.png"));
    QCOMPARE(s.text("txtLeafName"), QStringLiteral("first"));
    QCOMPARE(s.state().imageCounter, 1);
}

void TestImageWindow::badFilesChangeNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        filled(64, 64, Qt::darkGreen).save(&buffer, "PNG");
    }
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImage noisy(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                noisy.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
            }
        }
        noisy.save(&buffer, "JPEG", 90);
    }
    QTest::newRow("0-byte file") << "empty.png" << QByteArray() << "empty";
    QTest::newRow("text named .png")
        << "notes.png" << QByteArray("These are my notes, not a picture.\n") << "not an image";
    QTest::newRow("truncated PNG") << "cut.png" << png.left(png.size() / 2) << "damaged";
    QTest::newRow("truncated JPEG") << "cut.jpg" << jpeg.left(jpeg.size() / 2) << "damaged";
    QTest::newRow("header claims 100000 x 100000")
        << "huge.png" << pngHeaderClaiming(100000, 100000) << "100000";
    QTest::newRow("zero height") << "flat.png" << pngHeaderClaiming(4, 0) << "empty";
    QTest::newRow("a format Verimetra does not read")
        << "flat.ppm" << QByteArray("P6\n4 1\n255\n") + QByteArray(12, '\0')
        << "(PNG, JPEG, TIFF, BMP, WebP and GIF)";
}

void TestImageWindow::badFilesChangeNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    Session s;
    const QString good = s.write(QStringLiteral("good.png"), filled(20, 20, Qt::darkGreen));
    s.open(good);
    s.setText("txtLeafName", QStringLiteral("typed name"));
    const QImage before = s.picture();

    QFile file(s.dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    s.open(file.fileName());
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY2(seen->text.contains(name), qPrintable(seen->text));
    QVERIFY2(seen->text.contains(reason, Qt::CaseInsensitive), qPrintable(seen->text));

    QCOMPARE(s.text("txtLeafName"), QStringLiteral("typed name"));
    QCOMPARE(s.state().imageFileName, good);
    QCOMPARE(s.state().imageCounter, 1);
    QCOMPARE(s.picture(), before);
    QCOMPARE(s.imageWindow()->windowTitle(), good);
    QVERIFY(child<StepFrame>(s.window.get(), "frameScale")->panelEnabled());
}

void TestImageWindow::fileThatDisappearsAfterTheDialog()
{
    Session s;
    const QString path = s.write(QStringLiteral("gone.png"), filled(20, 20));
    auto seen = std::make_shared<SeenBox>();
    whenModal<QFileDialog>([path, seen](QFileDialog* dialog) {
        QObject::connect(dialog, &QFileDialog::fileSelected, [path] { QFile::remove(path); });
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        answerBox(QMessageBox::Ok, seen);
        static_cast<QDialog*>(dialog)->accept();
    });
    s.press("cmdImport");
    QVERIFY(seen->seen);
    QVERIFY(seen->text.contains(QStringLiteral("gone.png")));
    QVERIFY2(!s.imageWindow(), "no empty image window is left behind");
    QVERIFY(s.text("txtLeafName").isEmpty());
    QCOMPARE(s.state().imageCounter, 0);
}

void TestImageWindow::refreshRestoresAndEmptiesTheArea()
{
    Session s;
    s.open(s.write(QStringLiteral("leaf.png"), filled(30, 30, QColor(60, 120, 40))));
    const QImage colour = s.picture();
    s.setScale(10);
    s.press("cmdConvert");
    QCOMPARE(colourAt(s.picture(), 5, 5), colour::Black);
    s.press("cmdMeasure");
    QVERIFY(!s.text("txtLeafA").isEmpty());
    s.press("cmdConvert");
    s.press("cmdRefresh");
    QCOMPARE(s.picture(), colour);
    QVERIFY(s.text("txtLeafA").isEmpty());
    QVERIFY(!child<StepFrame>(s.window.get(), "framePaint")->panelEnabled());
    QVERIFY(!s.enabled("cmdMeasure"));
}

void TestImageWindow::closeImageEmptiesAndCloses()
{
    Session s;
    s.open(s.write(QStringLiteral("leaf.png"), filled(30, 30, QColor(60, 120, 40))));
    s.setScale(10);
    s.press("cmdConvert");
    s.press("cmdMeasure");
    const double length = s.state().scaleLine.length;
    s.press("cmdPicUnload");
    QVERIFY(!s.imageWindow());
    QVERIFY(s.text("txtLeafA").isEmpty());
    QVERIFY(s.text("txtLeafName").isEmpty());
    for (const char* frame : {"frameScale", "frameSelect", "frameBW", "framePaint"}) {
        QVERIFY2(!child<StepFrame>(s.window.get(), frame)->panelEnabled(), frame);
    }
    // The shared values wait for the next open.
    QCOMPARE(s.state().scaleLine.length, length);
    QCOMPARE(s.state().imageCounter, 1);
}

void TestImageWindow::imageWindowsOwnCloseClosesTheImage()
{
    Session s;
    s.open(s.write(QStringLiteral("leaf.png"), filled(30, 30)));
    QVERIFY(!s.imageWindow()->close());
    QTRY_VERIFY(!s.imageWindow());
    QVERIFY(s.text("txtLeafName").isEmpty());
    QVERIFY(!child<StepFrame>(s.window.get(), "frameScale")->panelEnabled());
    s.open(s.write(QStringLiteral("again.png"), filled(30, 30)));
    QCOMPARE(s.state().imageCounter, 1);
}

void TestImageWindow::switchingWindowsKeepsTheWorkingPicture()
{
    Session s;
    s.open(s.write(QStringLiteral("leaf.png"), filled(30, 30, QColor(60, 120, 40))));
    s.setScale(10);
    s.press("cmdConvert");
    const QImage converted = s.picture();
    s.press("cmdDataFile");
    QApplication::setActiveWindow(s.window->dataWindow());
    QApplication::setActiveWindow(s.window.get());
    s.window->findChild<QMdiArea*>()->setActiveSubWindow(nullptr);
    s.window->findChild<QMdiArea*>()->setActiveSubWindow(s.imageWindow());
    QApplication::processEvents();
    QCOMPARE(s.picture(), converted);
}

void TestImageWindow::opensALargeScan()
{
    Session s;
    QImage scan(7016, 4960, QImage::Format_RGB32);
    scan.fill(QColor(245, 245, 240));
    const QString path = s.dir.filePath(QStringLiteral("a4-600dpi.jpg"));
    QVERIFY(scan.save(path, "JPEG", 85));
    scan = QImage();
    s.open(path);
    QVERIFY(s.imageWindow());
    QCOMPARE(s.imageWindow()->loadedPicture().size(), QSize(7016, 4960));
    QCOMPARE(s.picture().height(), s.imageWindow()->scaleHeight());
}

void TestImageWindow::unusualPicturesOpenAndMeasure_data()
{
    QTest::addColumn<QString>("file"); // written by the test, or a fixture of tests/data
    QTest::addColumn<QImage>("image"); // null for a fixture
    QTest::addColumn<QPoint>("dark");  // a black pixel of the file
    QTest::addColumn<QPoint>("light"); // a white one

    // Left half black, right half white, in the given format.
    auto halves = [](int w, int h, QImage::Format format) {
        QImage image = filled(w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w / 2; ++x) {
                image.setPixel(x, y, qRgb(0, 0, 0));
            }
        }
        return image.convertToFormat(format);
    };
    QTest::newRow("grey PNG") << "grey.png" << halves(16, 8, QImage::Format_Grayscale8)
                              << QPoint(2, 2) << QPoint(13, 5);
    QTest::newRow("palette PNG") << "palette.png" << halves(16, 8, QImage::Format_Indexed8)
                                 << QPoint(2, 2) << QPoint(13, 5);
    QTest::newRow("16-bit PNG") << "deep.png" << halves(16, 8, QImage::Format_RGBX64)
                                << QPoint(2, 2) << QPoint(13, 5);
    QTest::newRow("height 1") << "row.png" << halves(40, 1, QImage::Format_RGB32) << QPoint(3, 0)
                              << QPoint(30, 0);
    QTest::newRow("width 1") << "column.png"
                             << halves(2, 40, QImage::Format_RGB32).copy(0, 0, 1, 40)
                             << QPoint(0, 3) << QPoint(-1, -1);
    QTest::newRow("CMYK JPEG") << QStringLiteral(VERIMETRA_SOURCE_DIR "/tests/data/cmyk.jpg")
                               << QImage() << QPoint(8, 8) << QPoint(56, 56);
}

void TestImageWindow::unusualPicturesOpenAndMeasure()
{
    QFETCH(QString, file);
    QFETCH(QImage, image);
    QFETCH(QPoint, dark);
    QFETCH(QPoint, light);
    Session s;
    const QString path = image.isNull() ? file : s.write(file, image);
    s.open(path);
    QVERIFY(s.imageWindow());
    const QImage loaded = s.imageWindow()->loadedPicture();
    QCOMPARE(loaded.format(), QImage::Format_RGB32);
    QVERIFY2(qGray(loaded.pixel(dark)) < 40, "dark stays dark");
    if (light.x() >= 0) {
        QVERIFY2(qGray(loaded.pixel(light)) > 215, "light stays light");
    }
    s.setScale(10);
    s.press("cmdConvert");
    int black = 0;
    const QImage converted = s.picture();
    for (int y = 0; y < converted.height(); ++y) {
        for (int x = 0; x < converted.width(); ++x) {
            black += toColourValue(converted.pixel(x, y)) == colour::Black;
        }
    }
    QVERIFY(black > 0);
    s.press("cmdMeasure");
    QCOMPARE(s.state().measurement.blackPixelCount, double(black));
    QVERIFY(!s.text("txtLeafA").isEmpty());
}

void TestImageWindow::thresholdSpinnerRestoresThePicture()
{
    Session s;
    s.open(s.write(QStringLiteral("leaf.png"), filled(30, 30, QColor(60, 120, 40))));
    const QImage colour = s.picture();
    s.setScale(10);
    s.press("cmdConvert");
    auto* spinner = child<QAbstractSlider>(s.window.get(), "scrlThreshold");
    // The upper arrow raises the value by the arrow step.
    QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(spinner->width() / 2, 3));
    QCOMPARE(spinner->value(), 310);
    QCOMPARE(child<QLabel>(s.window.get(), "lblThreshold")->text(), QStringLiteral("310"));
    QCOMPARE(s.picture(), colour);
    QVERIFY(!s.enabled("cmdMeasure"));
    QTest::mouseClick(spinner, Qt::LeftButton, {},
                      QPoint(spinner->width() / 2, spinner->height() - 3));
    QCOMPARE(spinner->value(), 300);
    spinner->setFocus();
    QTest::keyClick(spinner, Qt::Key_PageUp);
    QCOMPARE(child<QLabel>(s.window.get(), "lblThreshold")->text(), QStringLiteral("301"));
    spinner->setValue(1000);
    QCOMPARE(child<QLabel>(s.window.get(), "lblThreshold")->text(), QStringLiteral("500"));
}

void TestImageWindow::conversionOfTheWholePicture()
{
    Session s;
    const int h = s.clientHeight();
    // Left half exactly at the threshold (level 300), right half one above.
    QImage image = filled(40, h, QColor(150, 150, 0));
    for (int y = 0; y < h; ++y) {
        for (int x = 20; x < 40; ++x) {
            image.setPixel(x, y, qRgb(150, 150, 3));
        }
    }
    s.openOneToOne(image);
    QCOMPARE(s.picture(), image.convertToFormat(QImage::Format_RGB32));
    s.setScale(10);
    s.press("cmdConvert");
    QCOMPARE(colourAt(s.picture(), 0, 0), colour::Black);
    QCOMPARE(colourAt(s.picture(), 19, h - 1), colour::Black);
    QCOMPARE(colourAt(s.picture(), 20, 0), colour::White); // blue 3 adds 1: level 301
    QCOMPARE(colourAt(s.picture(), 39, h - 1), colour::White);
    const RegionBounds bounds = s.state().selection.region;
    QCOMPARE(bounds.left, 0.0);
    QCOMPARE(bounds.top, 0.0);
    QCOMPARE(bounds.right, 40.0);
    QCOMPARE(bounds.bottom, double(h));
}

void TestImageWindow::conversionInsideTheSelection()
{
    Session s;
    const int h = s.clientHeight();
    const QColor leaf(60, 120, 40);
    s.openOneToOne(filled(60, h, leaf));
    s.setScale(10);
    click(s.window.get(), "chkRegion");
    s.drag(QPointF(10, 10), QPointF(20, 15));
    s.press("cmdRegionOK");
    s.press("cmdConvert");
    const QImage after = s.picture();
    QCOMPARE(colourAt(after, 10, 10), colour::Black);
    QCOMPARE(colourAt(after, 20, 15), colour::Black);
    QCOMPARE(after.pixel(9, 10), leaf.rgb());
    QCOMPARE(after.pixel(21, 15), leaf.rgb());
    QCOMPARE(after.pixel(15, 16), leaf.rgb());
    QCOMPARE(s.state().selection.region.right, 20.0);
}

void TestImageWindow::scaleLineDragLength()
{
    Session s;
    s.open(s.write(QStringLiteral("page.png"), filled(600, 600)));
    LineOverlay* line = s.imageWindow()->line1();
    QVERIFY(!line->isVisible());
    sendMouse(s.picture2(), QEvent::MouseButtonPress, QPointF(100, 50));
    QVERIFY2(s.enabled("cmdScaleOK"), "the scale can be confirmed from the press on");
    QVERIFY(line->isVisible());
    sendMouse(s.picture2(), QEvent::MouseMove, QPointF(250, 250));
    sendMouse(s.picture2(), QEvent::MouseMove, QPointF(400, 450));
    sendMouse(s.picture2(), QEvent::MouseButtonRelease, QPointF(400, 450));
    QCOMPARE(s.state().scaleLine.length, 500.0);
    QCOMPARE(line->x2(), 400.0f);
    QVERIFY(line->isVisible());
    // The other way round gives the same length.
    s.drag(QPointF(400, 450), QPointF(100, 50));
    QCOMPARE(s.state().scaleLine.length, 500.0);
    // The line stays and keeps its length across another open.
    s.open(s.write(QStringLiteral("next.png"), filled(60, 60)));
    QVERIFY(line->isVisible());
    QCOMPARE(s.state().scaleLine.length, 500.0);
}

void TestImageWindow::scaleLinePressRoundsTiesToEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<float>("start");
    QTest::newRow("2.5 to 2") << 2.5 << 2.0f;
    QTest::newRow("3.5 to 4") << 3.5 << 4.0f;
    QTest::newRow("3.4 to 3") << 3.4 << 3.0f;
}

void TestImageWindow::scaleLinePressRoundsTiesToEven()
{
    QFETCH(double, x);
    QFETCH(float, start);
    Session s;
    s.open(s.write(QStringLiteral("page.png"), filled(60, 60)));
    s.drag(QPointF(x, 10.5), QPointF(x + 10, 10.5));
    QCOMPARE(s.imageWindow()->line1()->x1(), start);
    QCOMPARE(s.imageWindow()->line1()->y1(), 10.0f);
}

void TestImageWindow::scaleLineWithoutMoveKeepsTheOldLine()
{
    Session s;
    s.open(s.write(QStringLiteral("page.png"), filled(60, 60)));
    sendMouse(s.picture2(), QEvent::MouseButtonPress, QPointF(5, 5));
    sendMouse(s.picture2(), QEvent::MouseButtonRelease, QPointF(5, 5));
    QCOMPARE(s.state().scaleLine.length, 104.0); // where the line lies before any drag
    s.drag(QPointF(0, 0), QPointF(30, 40));
    sendMouse(s.picture2(), QEvent::MouseButtonPress, QPointF(7, 7));
    sendMouse(s.picture2(), QEvent::MouseButtonRelease, QPointF(9, 9));
    QCOMPARE(s.state().scaleLine.length, 50.0);
}

void TestImageWindow::scaleLineWithTheRightButton()
{
    Session s;
    s.open(s.write(QStringLiteral("page.png"), filled(60, 60)));
    s.drag(QPointF(10, 10), QPointF(10, 40), Qt::RightButton);
    QCOMPARE(s.state().scaleLine.length, 30.0);
    QVERIFY(s.enabled("cmdScaleOK"));
}

QTEST_MAIN(TestImageWindow)
#include "tst_imagewindow.moc"
