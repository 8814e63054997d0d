// The tool switches of the step panels and what the tools then do on the picture:
// the selection rectangle, the tool size, the brush and the eraser.

#include "TestSupport.h"
#include "analysis/ColourValue.h"
#include "app/OptionButton.h"
#include "app/RegionCheckBox.h"
#include "app/StepFrame.h"

#include <QLabel>

using namespace verimetra;
using namespace testsupport;

namespace {

int colourAt(const QImage& image, int x, int y)
{
    return toColourValue(image.pixel(x, y));
}

// A confirmed scale on a picture shown 1:1: the selection and paint panels are open.
void readyForTools(Session& s, const QImage& image)
{
    s.openOneToOne(image);
    s.setScale(10);
}

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private:
    static RegionCheckBox* box(Session& s)
    {
        return child<RegionCheckBox>(s.window.get(), "chkRegion");
    }
    static bool panel(Session& s, const char* name)
    {
        return child<StepFrame>(s.window.get(), name)->panelEnabled();
    }
    static OptionButton* option(Session& s, const char* name)
    {
        return child<OptionButton>(s.window.get(), name);
    }

private Q_SLOTS:
    void selectionSwitches();
    void openingAnImageClearsTheSelection();
    void paintSwitches();
    void hideToolEnablesMeasureWithoutATool();
    void toolsNeverCreateAnImageWindow();

    void selectionDragIsMirroredThroughThePress();
    void selectionWithoutMoveSpansTwoPixels();
    void pressesOutsideSelectingModeChangeNothing();

    void toolSizeDrag();
    void brushStampCovers31x31();
    void toolsRepaintOnlyBlackAndWhite_data();
    void toolsRepaintOnlyBlackAndWhite();
    void strokePastTheEdge();
    void oneEventServesEveryTool();
    void measurementWithSelectionAndTouchUp();
};

void TestTools::selectionSwitches()
{
    Session s;
    readyForTools(s, filled(60, s.clientHeight()));
    ShapeOverlay* region = s.imageWindow()->shpRegion();
    QVERIFY(!region->isVisible());

    // Checked: selecting, a 30 x 30 rectangle where it last was, the scale panel's
    // flag cleared, conversion and paint closed.
    click(s.window.get(), "chkRegion");
    QCOMPARE(box(s)->value(), 1);
    QCOMPARE(s.state().selection.mode, RegionMode::Selecting);
    QVERIFY(region->isVisible());
    QCOMPARE(region->left(), 16.0f);
    QCOMPARE(region->top(), 72.0f);
    QCOMPARE(region->width(), 30.0f);
    QCOMPARE(region->height(), 30.0f);
    QVERIFY(!panel(s, "frameScale"));
    QVERIFY(s.enabled("txtUnit"));
    QVERIFY(s.enabled("cmdRegionOK"));
    QVERIFY(!panel(s, "frameBW") && !s.enabled("cmdConvert"));
    QVERIFY(!panel(s, "framePaint") && !s.enabled("optBrush"));

    // Unchecked: all back.
    click(s.window.get(), "chkRegion");
    QCOMPARE(box(s)->value(), 0);
    QCOMPARE(s.state().selection.mode, RegionMode::None);
    QVERIFY(!region->isVisible());
    QVERIFY(panel(s, "frameScale"));
    QVERIFY(!s.enabled("cmdRegionOK"));
    QVERIFY(panel(s, "frameBW") && panel(s, "framePaint"));

    // Confirmed: the box turns grey, its reaction for grey changes nothing.
    click(s.window.get(), "chkRegion");
    s.press("cmdRegionOK");
    QCOMPARE(box(s)->value(), 2);
    QCOMPARE(s.state().selection.mode, RegionMode::Confirmed);
    QVERIFY(region->isVisible());
    QVERIFY(panel(s, "frameScale"));
    QVERIFY(panel(s, "frameBW") && s.enabled("cmdConvert"));
    QVERIFY(panel(s, "framePaint") && s.enabled("optEraser"));
    QVERIFY(!s.enabled("cmdRegionOK"));

    // A user click on the grey box checks it again: a new rectangle may be drawn.
    click(s.window.get(), "chkRegion");
    QCOMPARE(box(s)->value(), 1);
    QCOMPARE(s.state().selection.mode, RegionMode::Selecting);
}

void TestTools::openingAnImageClearsTheSelection()
{
    Session s;
    readyForTools(s, filled(60, s.clientHeight()));
    // Checked but not confirmed, then confirmed (grey): opening clears either.
    click(s.window.get(), "chkRegion");
    s.open(s.write(QStringLiteral("next.png"), filled(20, 20)));
    QCOMPARE(box(s)->value(), 0);
    QCOMPARE(s.state().selection.mode, RegionMode::None);
    QVERIFY(!s.imageWindow()->shpRegion()->isVisible());
    QVERIFY(panel(s, "frameScale"));
    s.setScale(10);
    click(s.window.get(), "chkRegion");
    s.press("cmdRegionOK");
    s.open(s.write(QStringLiteral("next.png"), filled(20, 20)));
    QCOMPARE(box(s)->value(), 0);
    QCOMPARE(s.state().selection.mode, RegionMode::None);
    QVERIFY(!s.imageWindow()->shpRegion()->isVisible());
    QVERIFY(!panel(s, "frameSelect") && !s.enabled("chkRegion"));
    QVERIFY(!panel(s, "frameBW") && !panel(s, "framePaint"));
}

void TestTools::paintSwitches()
{
    Session s;
    readyForTools(s, filled(60, s.clientHeight()));
    ShapeOverlay* rubber = s.imageWindow()->shpRubber();
    s.press("cmdConvert");
    QVERIFY(s.enabled("cmdMeasure"));
    QVERIFY(!rubber->isVisible());

    click(s.window.get(), "optBrush");
    QVERIFY(option(s, "optBrush")->isChecked());
    QVERIFY(rubber->isVisible());
    QVERIFY(!s.enabled("cmdMeasure"));

    click(s.window.get(), "optEraser");
    QVERIFY(option(s, "optEraser")->isChecked());
    QVERIFY(!option(s, "optBrush")->isChecked());

    click(s.window.get(), "optPaintSize");
    QVERIFY(rubber->isVisible());
    QVERIFY(!option(s, "optEraser")->isChecked());

    s.press("cmdHideTool");
    QVERIFY(!rubber->isVisible());
    for (const char* name : {"optBrush", "optEraser", "optPaintSize"}) {
        QVERIFY2(!option(s, name)->isChecked(), name);
    }
    QVERIFY(s.enabled("cmdMeasure"));
    QVERIFY(panel(s, "framePaint"));
}

void TestTools::hideToolEnablesMeasureWithoutATool()
{
    Session s;
    readyForTools(s, filled(60, s.clientHeight()));
    QVERIFY(!s.enabled("cmdMeasure"));
    s.press("cmdHideTool");
    QVERIFY(s.enabled("cmdMeasure"));
}

void TestTools::toolsNeverCreateAnImageWindow()
{
    Session s;
    box(s)->setValue(1);
    option(s, "optBrush")->setValue(true);
    QMetaObject::invokeMethod(child(s.window.get(), "cmdHideTool"), "click");
    QVERIFY(!s.imageWindow());
    QCOMPARE(s.state().selection.mode, RegionMode::Selecting);
}

void TestTools::selectionDragIsMirroredThroughThePress()
{
    Session s;
    readyForTools(s, filled(120, s.clientHeight()));
    click(s.window.get(), "chkRegion");
    s.drag(QPointF(50, 40), QPointF(20, 10));
    ShapeOverlay* region = s.imageWindow()->shpRegion();
    QCOMPARE(region->left(), 50.0f);
    QCOMPARE(region->top(), 40.0f);
    QCOMPARE(region->width(), 30.0f);
    QCOMPARE(region->height(), 30.0f);
    const RegionBounds b = s.state().selection.region;
    QCOMPARE(b.left, 50.0);
    QCOMPARE(b.right, 80.0);
    QCOMPARE(b.top, 40.0);
    QCOMPARE(b.bottom, 70.0);
    QVERIFY(!s.state().selection.dragging);

    // The right button draws it the same way; positions need not be whole.
    s.drag(QPointF(10.5, 5.25), QPointF(30.5, 15.25), Qt::RightButton);
    QCOMPARE(s.state().selection.region.left, 10.5);
    QCOMPARE(s.state().selection.region.right, 30.5);
    QCOMPARE(s.state().selection.region.bottom, 15.25);
}

void TestTools::selectionWithoutMoveSpansTwoPixels()
{
    Session s;
    readyForTools(s, filled(60, s.clientHeight(), QColor(60, 120, 40)));
    click(s.window.get(), "chkRegion");
    sendMouse(s.picture2(), QEvent::MouseButtonPress, QPointF(5, 6));
    sendMouse(s.picture2(), QEvent::MouseButtonRelease, QPointF(5, 6));
    QCOMPARE(s.state().selection.region.right, 6.0);
    QCOMPARE(s.state().selection.region.bottom, 7.0);
    s.press("cmdRegionOK");
    s.press("cmdConvert");
    const QImage after = s.picture();
    int black = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            black += colourAt(after, x, y) == colour::Black;
        }
    }
    QCOMPARE(black, 4);
    QCOMPARE(colourAt(after, 6, 7), colour::Black);
}

void TestTools::pressesOutsideSelectingModeChangeNothing()
{
    Session s;
    readyForTools(s, filled(60, s.clientHeight()));
    ShapeOverlay* region = s.imageWindow()->shpRegion();
    // Mode 0.
    s.drag(QPointF(30, 30), QPointF(40, 40));
    QVERIFY(!region->isVisible());
    QCOMPARE(s.state().selection.region.right, 0.0);
    // Mode 2.
    click(s.window.get(), "chkRegion");
    s.drag(QPointF(5, 5), QPointF(15, 25));
    s.press("cmdRegionOK");
    s.drag(QPointF(30, 30), QPointF(50, 50));
    QCOMPARE(region->left(), 5.0f);
    QCOMPARE(region->height(), 20.0f);
    QCOMPARE(s.state().selection.region.right, 15.0);
    QVERIFY(!s.state().selection.dragging);
}

void TestTools::toolSizeDrag()
{
    Session s;
    readyForTools(s, filled(200, s.clientHeight()));
    ShapeOverlay* rubber = s.imageWindow()->shpRubber();
    click(s.window.get(), "optPaintSize");
    QWidget* p = s.picture2();
    sendMouse(p, QEvent::MouseButtonPress, QPointF(10, 10));
    QVERIFY(rubber->isVisible());
    QCOMPARE(rubber->width(), 1.0f);
    sendMouse(p, QEvent::MouseMove, QPointF(40, 25));
    QCOMPARE(rubber->width(), 30.0f);
    QCOMPARE(rubber->height(), 15.0f);
    sendMouse(p, QEvent::MouseMove, QPointF(90, 25));
    QCOMPARE(rubber->width(), 80.0f); // the width before this move was 30
    sendMouse(p, QEvent::MouseMove, QPointF(95, 25));
    QCOMPARE(rubber->width(), 60.0f);
    sendMouse(p, QEvent::MouseMove, QPointF(20, 25));
    QCOMPARE(rubber->width(), 60.0f);
    QCOMPARE(rubber->left(), 10.0f);
    sendMouse(p, QEvent::MouseButtonRelease, QPointF(20, 25));
    QVERIFY(!s.state().paint.sizing);
    sendMouse(p, QEvent::MouseMove, QPointF(150, 150));
    QCOMPARE(rubber->width(), 60.0f);
}

void TestTools::brushStampCovers31x31()
{
    Session s;
    readyForTools(s, filled(200, s.clientHeight()));
    s.press("cmdConvert");
    click(s.window.get(), "optBrush");
    QCOMPARE(s.imageWindow()->shpRubber()->width(), 30.0f);
    sendMouse(s.picture2(), QEvent::MouseButtonPress, QPointF(100, 100));
    sendMouse(s.picture2(), QEvent::MouseButtonRelease, QPointF(100, 100));
    const QImage after = s.picture();
    for (int x : {100, 115, 130}) {
        QCOMPARE(colourAt(after, x, 100), colour::Black);
        QCOMPARE(colourAt(after, x, 130), colour::Black);
    }
    QCOMPARE(colourAt(after, 99, 110), colour::White);
    QCOMPARE(colourAt(after, 131, 110), colour::White);
    QCOMPARE(colourAt(after, 110, 131), colour::White);
    QVERIFY(!s.state().paint.dragging);
}

void TestTools::toolsRepaintOnlyBlackAndWhite_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("repainted");
    const int leaf = toColourValue(qRgb(60, 120, 40));
    for (const char* tool : {"optBrush", "optEraser"}) {
        const QByteArray t(tool);
        QTest::newRow(t + " on black") << QString::fromLatin1(tool) << colour::Black << true;
        QTest::newRow(t + " on white") << QString::fromLatin1(tool) << colour::White << true;
        QTest::newRow(t + " on colour") << QString::fromLatin1(tool) << leaf << false;
        QTest::newRow(t + " on red") << QString::fromLatin1(tool) << colour::Red << false;
        QTest::newRow(t + " on near-black") << QString::fromLatin1(tool) << 1 << false;
    }
}

void TestTools::toolsRepaintOnlyBlackAndWhite()
{
    QFETCH(QString, tool);
    QFETCH(int, before);
    QFETCH(bool, repainted);
    Session s;
    readyForTools(s, filled(100, s.clientHeight(), QColor(toRgb32(before))));
    child<OptionButton>(s.window.get(), qPrintable(tool))->click();
    const QLabel* swatch =
        child<QLabel>(s.window.get(), tool == QLatin1String("optBrush") ? "Label6" : "Label4");
    const int paint = toColourValue(swatch->palette().color(swatch->backgroundRole()).rgb());
    QCOMPARE(paint, tool == QLatin1String("optBrush") ? colour::Black : colour::White);
    // A right-button stroke of three positions.
    s.drag(QPointF(5, 5), QPointF(40, 20), Qt::RightButton);
    const QImage after = s.picture();
    QCOMPARE(colourAt(after, 5, 5), repainted ? paint : before);
    QCOMPARE(colourAt(after, 70, 50), repainted ? paint : before);
    QCOMPARE(colourAt(after, 75, 55), before);
}

void TestTools::strokePastTheEdge()
{
    Session s;
    const int h = s.clientHeight();
    readyForTools(s, filled(50, h));
    s.press("cmdConvert");
    click(s.window.get(), "optBrush");
    s.drag(QPointF(40, h - 10), QPointF(45, h + 100));
    const QImage after = s.picture();
    QCOMPARE(colourAt(after, 49, h - 1), colour::Black);
    QCOMPARE(colourAt(after, 40, h - 10), colour::Black);
    QCOMPARE(colourAt(after, 39, h - 10), colour::White);
    QCOMPARE(after.size(), QSize(50, h));
}

void TestTools::oneEventServesEveryTool()
{
    Session s;
    readyForTools(s, filled(100, s.clientHeight()));
    s.press("cmdConvert");
    click(s.window.get(), "optBrush");
    click(s.window.get(), "optScale");
    QVERIFY2(option(s, "optBrush")->isChecked(), "the brush stays selected, though disabled");
    QVERIFY(!s.enabled("optBrush"));
    s.drag(QPointF(20, 20), QPointF(60, 50));
    QCOMPARE(s.state().scaleLine.length, 50.0);
    QCOMPARE(colourAt(s.picture(), 20, 20), colour::Black);
    QCOMPARE(colourAt(s.picture(), 90, 80), colour::Black);
}

void TestTools::measurementWithSelectionAndTouchUp()
{
    Session s;
    const int h = s.clientHeight();
    // A 20 x 20 leaf with a 2 x 2 hole, and a dark speck outside it.
    QImage scan = filled(120, h, QColor(240, 240, 235));
    for (int y = 20; y < 40; ++y) {
        for (int x = 20; x < 40; ++x) {
            scan.setPixel(x, y, qRgb(40, 100, 30));
        }
    }
    for (int y = 29; y < 31; ++y) {
        for (int x = 29; x < 31; ++x) {
            scan.setPixel(x, y, qRgb(240, 240, 235));
        }
    }
    for (int y = 100; y < 105; ++y) {
        for (int x = 100; x < 105; ++x) {
            scan.setPixel(x, y, qRgb(10, 10, 10));
        }
    }
    readyForTools(s, scan);
    click(s.window.get(), "chkRegion");
    s.drag(QPointF(15, 15), QPointF(45, 45));
    s.press("cmdRegionOK");
    s.press("cmdConvert");
    QCOMPARE(colourAt(s.picture(), 100, 100), toColourValue(qRgb(10, 10, 10)));

    // Fill the hole with a small brush.
    click(s.window.get(), "optPaintSize");
    s.drag(QPointF(0, 0), QPointF(3, 3));
    click(s.window.get(), "optBrush");
    s.drag(QPointF(28, 28), QPointF(28, 28));
    s.press("cmdHideTool");
    s.press("cmdMeasure");
    QCOMPARE(s.state().measurement.blackPixelCount, 400.0);
    QCOMPARE(s.text("txtLeafA"), QStringLiteral("4"));
    s.press("cmdDataOK");
    QCOMPARE(s.cell(1, 2), QStringLiteral("4"));
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
