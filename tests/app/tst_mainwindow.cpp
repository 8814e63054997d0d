// The main window driven offscreen: its start-up state, the step panels and their
// transitions along a measurement, and the ways of quitting.

#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/OptionButton.h"
#include "app/RegionCheckBox.h"
#include "app/StepFrame.h"
#include "image/ImageWindow.h"
#include "results/DataWindow.h"
#include "results/ResultsGrid.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace verimetra;
using namespace testsupport;

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;

    QString writeImage(const QString& name, const QImage& image)
    {
        const QString path = m_dir.filePath(name);
        image.save(path);
        return path;
    }
    void openImage(const QString& path)
    {
        chooseFile(path);
        click(m_window.get(), "cmdImport");
    }
    bool panel(const char* name) { return child<StepFrame>(m_window.get(), name)->panelEnabled(); }
    bool enabled(const char* name) { return child(m_window.get(), name)->isEnabled(); }
    QWidget* picture2() { return child(m_window->imageWindow(), "Picture2"); }

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void startUpControls_data();
    void startUpControls();
    void startUpWindow();
    void transitionsAlongAMeasurement();
    void closedPanelTakesNoInputButKeepsItsLook();
    void tabReachesTheUsableControlsInOrder();
    void lowScreenKeepsTheBottomStrip();
    void quitNoLeavesEverything();
    void quitYesShowsNoticesThenEnds();
    void closeRequestAsksAndIsCancelled();
    void systemCloseDoesNotAsk();
    void cancelledSessionEndAsksAgain();
};

void TestMainWindow::startUpControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ownEnabled");

    auto row = [](const char* name, const char* text, bool on) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text) << on;
    };
    row("Label3", "Verimetra", true);
    row("cmdImport", "Open Image file", true);
    row("lblUnit", "Unit of measurement:", false);
    row("txtUnit", "1", false);
    row("cmbUnit", "cm", false);
    row("optScale", "Draw the scale line", false);
    row("cmdScaleOK", "OK", false);
    row("chkRegion", "Enclose the leaf with selection tool", false);
    row("cmdRegionOK", "OK", false);
    row("lblSetThreshold", "Set threshold:", false);
    row("lblThreshold", "300", false);
    row("cmdConvert", "Convert", false);
    row("cmdRefresh", "Refresh", false);
    row("optPaintSize", "Change Eraser/Brush tool size", false);
    row("optEraser", "Eraser:", false);
    row("optBrush", "Brush:", false);
    row("cmdHideTool", "Hide tool", false);
    row("cmdMeasure", "3. Calculate the leaf area", false);
    row("Text2", "Leaf image name:", true);
    row("txtLeafName", "", true);
    row("Text1", "Leaf area:", true);
    row("txtLeafA", "", true);
    row("cmdDataOK", "Record Value", true);
    row("cmdDataFile", "Data Table", true);
    row("cmdPicUnload", "Close Image", true);
    row("cmdEnd", "EXIT", true);
}

void TestMainWindow::startUpControls()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, ownEnabled);
    QWidget* control = m_window->findChild<QWidget*>(name);
    QVERIFY(control);
    QString shown;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        shown = button->text();
        QVERIFY2(!button->isChecked(), "no option or box is selected at start-up");
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        shown = label->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        shown = edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        shown = combo->currentText();
    }
    QCOMPARE(shown, text);
    QCOMPARE(control->isEnabled(), ownEnabled);
    QVERIFY(control->isVisible());
}

void TestMainWindow::startUpWindow()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("mdifrmMain"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("VERIMETRA"));
    QVERIFY(m_window->windowState() & Qt::WindowMaximized);
    QVERIFY(!m_window->windowIcon().isNull());
    for (const char* frame : {"frameScale", "frameSelect", "frameBW", "framePaint"}) {
        QVERIFY2(!panel(frame), frame);
    }
    auto* unit = child<QComboBox>(m_window.get(), "cmbUnit");
    QCOMPARE(unit->count(), 2);
    QCOMPARE(unit->itemText(0), QStringLiteral("cm"));
    QCOMPARE(unit->itemText(1), QStringLiteral("mm"));
    QVERIFY(unit->isEditable());
    auto* threshold = child<QAbstractSlider>(m_window.get(), "scrlThreshold");
    QCOMPARE(threshold->value(), 300);
    QCOMPARE(threshold->minimum(), 100);
    QCOMPARE(threshold->maximum(), 500);
    QCOMPARE(threshold->singleStep(), 10);
    QCOMPARE(threshold->pageStep(), 1);

    const SessionState& s = m_window->session().state();
    QCOMPARE(m_window->results().rowCount(), 0);
    QCOMPARE(s.imageCounter, 0);
    QCOMPARE(s.scaleLine.length, 0.0);
    const RegionBounds& region = s.selection.region;
    QCOMPARE(region.left + region.top + region.right + region.bottom, 0.0);
    QCOMPARE(s.selection.mode, RegionMode::None);
    QCOMPARE(s.unitNames[0], QStringLiteral("cm"));
    QCOMPARE(s.unitNames[1], QStringLiteral("mm"));

    QVERIFY(!m_window->imageWindow());
    DataWindow* data = m_window->dataWindow();
    QVERIFY(data && data->isHidden());
    QCOMPARE(data->objectName(), QStringLiteral("frmData"));
    ResultsGrid* grid = data->grid();
    QCOMPARE(grid->rows(), 1);
    const QStringList headings{QStringLiteral("No."), QStringLiteral("File name"),
                               QStringLiteral("Area")};
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(grid->item(0, c)->text(), headings[c]);
    }
    QCOMPARE(grid->columnWidth(0), 800 / 15);
    QCOMPARE(grid->columnWidth(1), 3000 / 15);
    QCOMPARE(grid->item(0, 2)->textAlignment(), int(Qt::AlignLeft | Qt::AlignBottom));
}

void TestMainWindow::transitionsAlongAMeasurement()
{
    // A dark square on white: something to convert and measure.
    QImage image = filled(40, 30);
    for (int y = 10; y < 20; ++y) {
        for (int x = 10; x < 20; ++x) {
            image.setPixel(x, y, qRgb(20, 60, 20));
        }
    }
    openImage(writeImage(QStringLiteral("square.png"), image));
    QVERIFY(m_window->imageWindow());

    // StartScaleStep: the scale panel open with the scale-line mode on, the rest closed.
    QVERIFY(panel("frameScale"));
    QVERIFY(child<OptionButton>(m_window.get(), "optScale")->isChecked());
    for (const char* name : {"lblUnit", "txtUnit", "cmbUnit", "optScale"}) {
        QVERIFY2(enabled(name), name);
    }
    QVERIFY(!enabled("cmdScaleOK"));
    QVERIFY(!panel("frameSelect") && !enabled("chkRegion") && !enabled("cmdRegionOK"));
    QVERIFY(!panel("frameBW") && !enabled("cmdConvert"));
    QVERIFY(!panel("framePaint") && !enabled("optBrush"));
    QVERIFY(!enabled("cmdMeasure"));

    // A press in scale-line mode enables the scale's OK at once.
    QTest::mousePress(picture2(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(enabled("cmdScaleOK"));
    QTest::mouseMove(picture2(), QPoint(25, 5));
    QTest::mouseRelease(picture2(), Qt::LeftButton, {}, QPoint(25, 5));
    QCOMPARE(m_window->session().state().scaleLine.length, 20.0);

    // FinishScaleStep.
    click(m_window.get(), "cmdScaleOK");
    QVERIFY(!child<OptionButton>(m_window.get(), "optScale")->isChecked());
    QVERIFY(panel("frameSelect") && enabled("chkRegion") && !enabled("cmdRegionOK"));
    QVERIFY(panel("frameBW") && enabled("cmdConvert") && enabled("scrlThreshold"));
    QVERIFY(panel("framePaint") && enabled("optBrush") && enabled("cmdHideTool"));
    QVERIFY(!enabled("cmdScaleOK"));
    QVERIFY(panel("frameScale"));

    // FinishConvertStep, then FinishMeasureStep.
    click(m_window.get(), "cmdConvert");
    QVERIFY(panel("framePaint") && enabled("cmdMeasure"));
    click(m_window.get(), "cmdMeasure");
    QVERIFY(!panel("framePaint") && !enabled("optBrush"));
    QVERIFY(!enabled("cmdMeasure"));
    QVERIFY(enabled("cmdDataOK"));
    QVERIFY(!child<QLineEdit>(m_window.get(), "txtLeafA")->text().isEmpty());

    // Recording disables the button whether or not it records.
    click(m_window.get(), "cmdDataOK");
    QVERIFY(!enabled("cmdDataOK"));
    QCOMPARE(m_window->results().rowCount(), 1);

    // Refresh applies ClosePaintStep and empties the area.
    click(m_window.get(), "cmdConvert");
    QVERIFY(enabled("cmdMeasure"));
    click(m_window.get(), "cmdRefresh");
    QVERIFY(!panel("framePaint") && !enabled("cmdMeasure"));
    QVERIFY(child<QLineEdit>(m_window.get(), "txtLeafA")->text().isEmpty());

    // Choosing the scale line again closes the panels after it.
    click(m_window.get(), "optScale");
    QVERIFY(child<OptionButton>(m_window.get(), "optScale")->isChecked());
    QVERIFY(!panel("frameSelect") && !panel("frameBW") && !panel("framePaint"));
    QVERIFY(!enabled("cmdScaleOK") && !enabled("cmdMeasure"));

    // Close Image: ResetStepPanels.
    click(m_window.get(), "cmdPicUnload");
    for (const char* frame : {"frameScale", "frameSelect", "frameBW", "framePaint"}) {
        QVERIFY2(!panel(frame), frame);
    }
    QVERIFY(!enabled("optScale") && !enabled("cmdScaleOK") && !enabled("cmdMeasure"));
    QVERIFY(!m_window->imageWindow());
}

void TestMainWindow::closedPanelTakesNoInputButKeepsItsLook()
{
    openImage(writeImage(QStringLiteral("plain.png"), filled(20, 20)));
    QTest::mousePress(picture2(), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(picture2(), Qt::LeftButton, {}, QPoint(2, 2));
    click(m_window.get(), "cmdScaleOK");

    // Checking the box clears only the panel flag of the scale panel.
    auto* box = child<RegionCheckBox>(m_window.get(), "chkRegion");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QCOMPARE(box->value(), 1);
    QVERIFY(!panel("frameScale"));
    QVERIFY2(enabled("optScale") && enabled("txtUnit"), "the controls keep their look");

    auto* option = child<OptionButton>(m_window.get(), "optScale");
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    QVERIFY(!option->isChecked());
    auto* unit = child<QLineEdit>(m_window.get(), "txtUnit");
    QTest::mouseClick(unit, Qt::LeftButton);
    unit->setFocus();
    QTest::keyClicks(unit, QStringLiteral("5"));
    QCOMPARE(unit->text(), QStringLiteral("1"));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("7"));
    QApplication::sendEvent(unit, &composed);
    QCOMPARE(unit->text(), QStringLiteral("1"));

    // Confirming the selection makes them usable again.
    click(m_window.get(), "cmdRegionOK");
    QVERIFY(panel("frameScale"));
    QTest::keyClicks(unit, QStringLiteral("5"));
    QVERIFY(unit->text().contains(QLatin1Char('5')));
}

void TestMainWindow::tabReachesTheUsableControlsInOrder()
{
    auto order = [this](int steps) {
        QStringList names;
        for (int i = 0; i < steps; ++i) {
            QWidget* focus = QApplication::focusWidget();
            names << (focus ? focus->objectName() : QString());
            QTest::keyClick(focus ? focus : m_window.get(), Qt::Key_Tab);
        }
        return names.join(QLatin1Char(' '));
    };
    QApplication::setActiveWindow(m_window.get());
    child(m_window.get(), "cmdImport")->setFocus();
    // The area can be selected and copied, so it takes the focus too. The smallest
    // leaf comes after "EXIT"; "Each leaf" and "Record leaves" are not usable yet.
    QCOMPARE(order(9), QStringLiteral("cmdImport txtLeafName txtLeafA cmdDataOK cmdDataFile "
                                      "cmdPicUnload cmdEnd txtMinLeaf cmdImport"));

    // With an image open the scale step's controls come in between, in their order.
    openImage(writeImage(QStringLiteral("plain.png"), filled(20, 20)));
    QApplication::setActiveWindow(m_window.get());
    child(m_window.get(), "cmdImport")->setFocus();
    QCOMPARE(order(5).section(QLatin1Char(' '), 0, 3),
             QStringLiteral("cmdImport txtUnit cmbUnit optScale"));
    // Space on a focused button presses it.
    auto* refresh = child<QPushButton>(m_window.get(), "cmdDataFile");
    refresh->setFocus();
    QTest::keyClick(refresh, Qt::Key_Space);
    QVERIFY(m_window->dataWindow()->isVisible());
}

void TestMainWindow::quitNoLeavesEverything()
{
    openImage(writeImage(QStringLiteral("plain.png"), filled(20, 20)));
    const QImage before = picture2()->property("picture").value<QImage>();
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::No, seen);
    click(m_window.get(), "cmdEnd");
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QCOMPARE(seen->text, QStringLiteral("Sure you want to quit?"));
    QCOMPARE(seen->icon, QMessageBox::Information);
    QCOMPARE(seen->defaultButton, QMessageBox::Yes);
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->imageWindow());
    QCOMPARE(picture2()->property("picture").value<QImage>(), before);
    QVERIFY(panel("frameScale"));
    QCOMPARE(child<QLineEdit>(m_window.get(), "txtLeafName")->text(), QStringLiteral("plain"));
}

void TestMainWindow::quitYesShowsNoticesThenEnds()
{
    QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
    click(m_window.get(), "cmdDataFile");
    answerBox(QMessageBox::Yes);
    click(m_window.get(), "cmdEnd");
    QVERIFY(!m_window->isVisible());
    QVERIFY2(m_window->dataWindow()->isVisible(), "the results window stays on screen");

    auto notice = [](const char* name) -> QMessageBox* {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String(name) && w->isVisible()) {
                return qobject_cast<QMessageBox*>(w);
            }
        }
        return nullptr;
    };
    QTRY_VERIFY(notice("noticeThanks"));
    QVERIFY(!notice("noticeThanks")->isModal());
    QCOMPARE(ended.count(), 0);
    notice("noticeThanks")->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(notice("noticeAbout"));
    QVERIFY(notice("noticeAbout")->text().contains(QStringLiteral("MIT")));
    QCOMPARE(ended.count(), 0);
    notice("noticeAbout")->button(QMessageBox::Ok)->click();
    QCOMPARE(ended.count(), 1);
}

void TestMainWindow::closeRequestAsksAndIsCancelled()
{
    QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::No, seen);
    QVERIFY(!m_window->close());
    QVERIFY(seen->seen);
    QCOMPARE(seen->text, QStringLiteral("Sure you want to quit?"));
    QVERIFY(m_window->isVisible());

    answerBox(QMessageBox::Yes);
    QVERIFY2(!m_window->close(), "Yes also cancels the close: the window is hidden instead");
    QVERIFY(!m_window->isVisible());
    QCOMPARE(ended.count(), 0);
}

void TestMainWindow::systemCloseDoesNotAsk()
{
    QSignalSpy ended(m_window.get(), &MainWindow::programEnded);
    m_window->sessionEnding();
    QVERIFY(m_window->close());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(ended.count(), 1);
}

void TestMainWindow::cancelledSessionEndAsksAgain()
{
    m_window->sessionEnding();
    m_window->sessionResumed(); // the end of the session was called off
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::No, seen);
    QVERIFY(!m_window->close());
    QVERIFY(seen->seen);
    QVERIFY(m_window->isVisible());
}

QTEST_MAIN(TestMainWindow)
// On a screen too low for the left column, the column scrolls and the bottom strip
// stays in the window.
void TestMainWindow::lowScreenKeepsTheBottomStrip()
{
    m_window->showNormal();
    m_window->resize(1300, 480);
    QTRY_COMPARE(m_window->height(), 480);
    for (const char* name : {"cmdMeasure", "cmdDataOK", "cmdEnd"}) {
        QWidget* control = child(m_window.get(), name);
        const QRect inWindow(control->mapTo(m_window.get(), QPoint(0, 0)), control->size());
        QVERIFY2(m_window->rect().contains(inWindow), name);
    }
    auto* column = m_window->findChild<QScrollArea*>(QStringLiteral("Toolbar2Column"));
    QVERIFY(column);
    QTRY_VERIFY(column->verticalScrollBar()->isVisible());
    // A control below the fold is scrolled to when Tab takes the focus there.
    QApplication::setActiveWindow(m_window.get());
    QWidget* exit = child(m_window.get(), "cmdEnd");
    exit->setFocus();
    QTest::keyClick(exit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child(m_window.get(), "txtMinLeaf"));
    QTRY_VERIFY(column->verticalScrollBar()->value() > 0);
}

#include "tst_mainwindow.moc"
