#include "app/MainWindow.h"

#include "analysis/AreaMeasurement.h"
#include "analysis/ColourValue.h"
#include "analysis/Conversion.h"
#include "analysis/LeadingNumber.h"
#include "analysis/NumberText.h"
#include "app/ClosingNotices.h"
#include "app/MessageBoxes.h"
#include "app/OptionButton.h"
#include "app/RegionCheckBox.h"
#include "app/SpinnerControl.h"
#include "app/StepFrame.h"
#include "app/Workspace.h"
#include "image/ImageLoader.h"
#include "image/ImageWindow.h"
#include "image/Overlays.h"
#include "image/PictureSurface.h"
#include "results/DataWindow.h"
#include "results/ResultsGrid.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSessionManager>
#include <QTimer>
#include <cmath>

// Resources of a static library must be registered by name, outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace verimetra {

Q_LOGGING_CATEGORY(lcMain, "verimetra.main", QtInfoMsg)

namespace {

constexpr int TwipsPerPixel = 15;

// Places a control by its design position in twips within its holder.
template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                        height / TwipsPerPixel);
    return widget;
}

QFont fontOf(const char* family, double points, bool bold = false)
{
    QFont font{QString::fromLatin1(family)};
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont captionFont()
{
    return fontOf("Times New Roman", 14.25);
}

QPushButton* makeButton(const char* caption, QWidget* holder, const QFont& font = captionFont())
{
    auto* button = new QPushButton(QLatin1String(caption), holder);
    button->setFont(font);
    button->setAutoDefault(false);
    return button;
}

// The text boxes of the bottom strip: dark red bold text.
QLineEdit* makeStripBox(const char* text, QWidget* holder, bool caption)
{
    auto* box = new QLineEdit(QLatin1String(text), holder);
    QFont font = captionFont();
    font.setBold(true);
    box->setFont(font);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, QColor(192, 0, 0));
    if (caption) {
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        box->setReadOnly(true);
        box->setFrame(false);
        box->setFocusPolicy(Qt::NoFocus);
        box->setTextMargins(0, 0, 0, 0);
        box->setCursorPosition(0);
    }
    box->setPalette(palette);
    return box;
}

void setBackground(QLabel* label, const QColor& colour)
{
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
}

int backgroundColourValue(const QWidget* widget)
{
    return toColourValue(widget->palette().color(widget->backgroundRole()).rgb());
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    initResources();
    setObjectName(QStringLiteral("mdifrmMain"));
    setWindowTitle(QStringLiteral("VERIMETRA"));
    setWindowIcon(QIcon(QStringLiteral(":/verimetra/icon-48.png")));

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    auto* toolbar2 = new QWidget(central);
    toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    toolbar2->setFixedWidth(4545 / TwipsPerPixel);
    toolbar2->setMinimumHeight(9855 / TwipsPerPixel);
    buildToolbar2(toolbar2);

    auto* toolbar1 = new QWidget(central);
    toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    toolbar1->setFixedHeight(690 / TwipsPerPixel);
    toolbar1->setMinimumWidth(19000 / TwipsPerPixel);
    buildToolbar1(toolbar1);

    m_workspace = new Workspace(central);
    m_workspace->setObjectName(QStringLiteral("mdiArea"));

    // The bottom strip runs the whole width; the left column sits above it.
    grid->addWidget(toolbar2, 0, 0);
    grid->addWidget(m_workspace, 0, 1);
    grid->addWidget(toolbar1, 1, 0, 1, 2);
    setCentralWidget(central);

    m_imageDialog = new QFileDialog(this);
    m_imageDialog->setObjectName(QStringLiteral("CommonDialog1"));
    m_imageDialog->setOption(QFileDialog::DontUseNativeDialog);
    m_imageDialog->setFileMode(QFileDialog::ExistingFile);
    m_imageDialog->setAcceptMode(QFileDialog::AcceptOpen);

    m_dataWindow = new DataWindow(m_state, this);
    m_notices = new ClosingNotices(this);
    connect(m_notices, &ClosingNotices::ended, this, &MainWindow::programEnded);

    connect(cmdImport, &QPushButton::clicked, this, &MainWindow::cmdImport_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &MainWindow::cmdRefresh_Click);
    connect(cmdPicUnload, &QPushButton::clicked, this, &MainWindow::cmdPicUnload_Click);
    connect(cmdScaleOK, &QPushButton::clicked, this, &MainWindow::cmdScaleOK_Click);
    connect(cmdConvert, &QPushButton::clicked, this, &MainWindow::cmdConvert_Click);
    connect(scrlThreshold, &QAbstractSlider::valueChanged, this, &MainWindow::scrlThreshold_Change);
    connect(cmdMeasure, &QPushButton::clicked, this, &MainWindow::cmdMeasure_Click);
    connect(cmdDataOK, &QPushButton::clicked, this, &MainWindow::cmdDataOK_Click);
    connect(cmdDataFile, &QPushButton::clicked, this, &MainWindow::cmdDataFile_Click);
    connect(optScale, &OptionButton::selected, this, &MainWindow::optScale_Click);
    connect(chkRegion, &RegionCheckBox::valueChanged, this, &MainWindow::chkRegion_Click);
    connect(cmdRegionOK, &QPushButton::clicked, this, &MainWindow::cmdRegionOK_Click);
    connect(optBrush, &OptionButton::selected, this, &MainWindow::optBrush_Click);
    connect(optEraser, &OptionButton::selected, this, &MainWindow::optEraser_Click);
    connect(optPaintSize, &OptionButton::selected, this, &MainWindow::optPaintSize_Click);
    connect(cmdHideTool, &QPushButton::clicked, this, &MainWindow::cmdHideTool_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &MainWindow::cmdEnd_Click);

    MDIForm_Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolbar2(QWidget* bar)
{
    bar->setFont(captionFont());
    const QFont frameCaption = fontOf("Arial Narrow", 15.75, true);

    Label3 = place(new QLabel(QStringLiteral("Verimetra"), bar), "Label3", 0, 120, 4455, 1095);
    Label3->setFont(fontOf("Comic Sans MS", 39.75, true));
    Label3->setAlignment(Qt::AlignCenter);
    QPalette titlePalette = Label3->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::red);
    Label3->setPalette(titlePalette);

    cmdImport =
        place(makeButton("Open Image file", bar, frameCaption), "cmdImport", 240, 2280, 3975, 615);

    frameScale = place(new StepFrame(QStringLiteral("1. Set measurement scale"), bar), "frameScale",
                       240, 3120, 3975, 1695);
    frameScale->setFont(frameCaption);
    lblUnit = place(new QLabel(QStringLiteral("Unit of measurement:"), frameScale), "lblUnit", 240,
                    480, 1695, 615);
    lblUnit->setWordWrap(true);
    lblUnit->setFont(captionFont());
    txtUnit = place(new QLineEdit(QStringLiteral("1"), frameScale), "txtUnit", 2040, 600, 615, 405);
    txtUnit->setAlignment(Qt::AlignCenter);
    txtUnit->setFont(captionFont());
    cmbUnit = place(new QComboBox(frameScale), "cmbUnit", 2640, 600, 855, 405);
    cmbUnit->setEditable(true);
    cmbUnit->setInsertPolicy(QComboBox::NoInsert);
    cmbUnit->setFont(fontOf("Times New Roman", 12));
    optScale = place(new OptionButton(QStringLiteral("Draw the scale line"), frameScale),
                     "optScale", 240, 1200, 2535, 405);
    optScale->setFont(captionFont());
    cmdScaleOK = place(makeButton("OK", frameScale, fontOf("Times New Roman", 12)), "cmdScaleOK",
                       3000, 1200, 735, 375);

    frameSelect = place(new StepFrame(QString(), bar), "frameSelect", 240, 4920, 3975, 975);
    chkRegion = place(
        new RegionCheckBox(QStringLiteral("Enclose the leaf with selection tool"), frameSelect),
        "chkRegion", 240, 210, 2700, 675);
    chkRegion->setFont(captionFont());
    cmdRegionOK = place(makeButton("OK", frameSelect, fontOf("Times New Roman", 12)), "cmdRegionOK",
                        3000, 360, 735, 405);

    frameBW = place(new StepFrame(QStringLiteral("2. Convert the image to B/W"), bar), "frameBW",
                    240, 6120, 3975, 1815);
    frameBW->setFont(frameCaption);
    lblSetThreshold = place(new QLabel(QStringLiteral("Set threshold:"), frameBW),
                            "lblSetThreshold", 240, 600, 1815, 375);
    lblSetThreshold->setFont(captionFont());
    lblThreshold = place(new QLabel(QString::number(ThresholdStart), frameBW), "lblThreshold", 1920,
                         600, 735, 375);
    lblThreshold->setFont(captionFont());
    lblThreshold->setAlignment(Qt::AlignCenter);
    lblThreshold->setFrameShape(QFrame::Box);
    setBackground(lblThreshold, Qt::white);
    QPalette thresholdPalette = lblThreshold->palette();
    thresholdPalette.setColor(QPalette::WindowText, Qt::black);
    lblThreshold->setPalette(thresholdPalette);
    scrlThreshold = place(new SpinnerControl(frameBW), "scrlThreshold", 2640, 600, 495, 375);
    scrlThreshold->setRange(ThresholdMinimum, ThresholdMaximum);
    scrlThreshold->setValue(ThresholdStart);
    scrlThreshold->setSingleStep(10); // the arrows
    scrlThreshold->setPageStep(1);    // Page Up and Page Down fine-tune
    cmdConvert = place(makeButton("Convert", frameBW, fontOf("Times New Roman", 15.75)),
                       "cmdConvert", 240, 1200, 1455, 495);
    cmdRefresh = place(makeButton("Refresh", frameBW, fontOf("Times New Roman", 15.75)),
                       "cmdRefresh", 2280, 1200, 1455, 495);

    framePaint = place(new StepFrame(QStringLiteral("2.1 Eraser/brush tool"), bar), "framePaint",
                       240, 8160, 3975, 1575);
    framePaint->setFont(fontOf("Arial", 12));
    optPaintSize =
        place(new OptionButton(QStringLiteral("Change Eraser/Brush tool size"), framePaint),
              "optPaintSize", 120, 360, 3735, 285);
    optEraser = place(new OptionButton(QStringLiteral("Eraser:"), framePaint), "optEraser", 120,
                      720, 1215, 375);
    Label4 = place(new QLabel(framePaint), "Label4", 1440, 720, 495, 255);
    Label4->setFrameShape(QFrame::Box);
    // The eraser paints the colour of window backgrounds, as the swatch shows it.
    setBackground(Label4, palette().color(QPalette::Base));
    optBrush = place(new OptionButton(QStringLiteral("Brush:"), framePaint), "optBrush", 120, 1080,
                     1215, 375);
    Label6 = place(new QLabel(framePaint), "Label6", 1440, 1080, 495, 255);
    Label6->setFrameShape(QFrame::Box);
    setBackground(Label6, Qt::black);
    cmdHideTool = place(makeButton("Hide tool", framePaint), "cmdHideTool", 2280, 840, 1455, 495);
    for (OptionButton* option : {optPaintSize, optEraser, optBrush}) {
        option->setFont(captionFont());
    }
    OptionButton::makeGroup({optPaintSize, optEraser, optBrush});

    // Frame captions are black whatever the theme.
    for (StepFrame* frame : {frameScale, frameSelect, frameBW, framePaint}) {
        QPalette framePalette = frame->palette();
        framePalette.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(framePalette);
    }
}

void MainWindow::buildToolbar1(QWidget* bar)
{
    bar->setFont(captionFont());
    cmdMeasure =
        place(makeButton("3. Calculate the leaf area", bar, fontOf("Arial Narrow", 15.75, true)),
              "cmdMeasure", 240, 0, 3975, 615);
    Text2 = place(makeStripBox("Leaf image name:", bar, true), "Text2", 4560, 120, 2175, 375);
    txtLeafName = place(makeStripBox("", bar, false), "txtLeafName", 6840, 120, 2415, 450);
    Text1 = place(makeStripBox("Leaf area:", bar, true), "Text1", 9600, 120, 1335, 390);
    txtLeafA = place(makeStripBox("", bar, false), "txtLeafA", 11040, 120, 1215, 405);
    txtLeafA->setReadOnly(true);
    cmdDataOK = place(makeButton("Record Value", bar), "cmdDataOK", 12360, 120, 1815, 450);
    cmdDataFile = place(makeButton("Data Table", bar), "cmdDataFile", 14280, 120, 1455, 450);
    cmdPicUnload = place(makeButton("Close Image", bar), "cmdPicUnload", 15840, 120, 1815, 450);
    cmdEnd = place(makeButton("EXIT", bar, fontOf("Times New Roman", 15.75)), "cmdEnd", 17760, 120,
                   1095, 450);
}

void MainWindow::MDIForm_Load()
{
    m_state.unitNames[0] = QStringLiteral("cm");
    m_state.unitNames[1] = QStringLiteral("mm");
    for (int i = 0; i <= 1; ++i) {
        cmbUnit->addItem(m_state.unitNames[i]);
    }
    cmbUnit->setCurrentIndex(0);
    cmbUnit->setEditText(m_state.unitNames[0]);
    m_dataWindow->SetUpResultsTable();
    ResetStepPanels();
}

// ---------------------------------------------------------------------------
// Image window

ImageWindow* MainWindow::createImageWindow()
{
    ToolControls controls;
    controls.scaleLineSelected = [this] { return optScale->value(); };
    controls.toolSizeSelected = [this] { return optPaintSize->value(); };
    controls.eraserSelected = [this] { return optEraser->value(); };
    controls.brushSelected = [this] { return optBrush->value(); };
    controls.eraserColour = [this] { return backgroundColourValue(Label4); };
    controls.brushColour = [this] { return backgroundColourValue(Label6); };
    controls.scaleLineStarted = [this] { cmdScaleOK->setEnabled(true); };

    auto* window = new ImageWindow(m_state, std::move(controls));
    m_workspace->addSubWindow(window);
    connect(window, &ImageWindow::closeRequested, this, &MainWindow::cmdPicUnload_Click,
            Qt::QueuedConnection);
    m_imageWindow = window;
    // Shown at once, maximised, so that its inner height is known for the fit.
    window->showMaximisedNow();
    return window;
}

void MainWindow::cmdImport_Click()
{
    if (!m_state.imageFileName.isEmpty()) {
        m_imageDialog->setDirectory(QFileInfo(m_state.imageFileName).absolutePath());
    }
    if (m_imageDialog->exec() != QDialog::Accepted || m_imageDialog->selectedFiles().isEmpty()) {
        return; // cancelled: nothing changes
    }
    const QString path = m_imageDialog->selectedFiles().first();
    const QString shownPath = QDir::toNativeSeparators(path);

    // Read the file before anything changes, so that a file that cannot be opened
    // leaves the leaf name, the picture, the counters and the panels as they were.
    Result<QImage> loaded = loadImageFile(path);
    if (!loaded.ok()) {
        showProblem(this, tr("Cannot open the image \"%1\":\n%2.").arg(shownPath, loaded.error()));
        return;
    }
    const bool created = !m_imageWindow;
    if (created) {
        createImageWindow();
    }
    if (!m_imageWindow->fitFor(loaded.value().size()).isValid()) {
        if (created) {
            m_imageWindow->unload();
        }
        showProblem(this, tr("Cannot show the image \"%1\": a picture of %2 × %3 pixels cannot "
                             "be fitted to the height of the image window.")
                              .arg(shownPath)
                              .arg(loaded.value().width())
                              .arg(loaded.value().height()));
        return;
    }

    m_state.imageFileName = path;
    m_state.imageFileTitle = QFileInfo(path).fileName();
    txtLeafName->setText(leafNameOf(m_state.imageFileTitle));
    if (created) {
        m_imageWindow->Form_Load();
        m_imageWindow->Form_Activate();
    } else {
        m_imageWindow->showMaximisedNow();
    }
    m_imageWindow->setLoadedPicture(loaded.take()); // the image window holds the only copy
    ResetPicture();
    m_state.lastArea = 0;
    m_state.imageCounter += 1;
    m_state.setAreaSlot(m_state.imageCounter, 0);
    StartScaleStep();
    qCDebug(lcMain) << "opened" << path << "as slot" << m_state.imageCounter;
}

void MainWindow::ResetPicture()
{
    if (m_imageWindow) {
        m_imageWindow->picture2()->clear();
    }
    txtLeafA->clear();
    if (m_imageWindow) {
        m_imageWindow->fitPicture();
        m_imageWindow->setWindowTitle(m_state.imageFileName);
    }
    ClosePaintStep();
}

void MainWindow::cmdRefresh_Click()
{
    ResetPicture();
}

void MainWindow::cmdPicUnload_Click()
{
    txtLeafA->clear();
    txtLeafName->clear();
    if (m_imageWindow) {
        m_imageWindow->unload();
    }
    ResetStepPanels();
}

// ---------------------------------------------------------------------------
// Scale, conversion, measurement

void MainWindow::cmdScaleOK_Click()
{
    ResultsGrid* grid = m_dataWindow->grid();
    grid->setRow(0);
    grid->setCol(2);
    const QString unit = cmbUnit->currentText();
    grid->setText(QStringLiteral("Area") + QStringLiteral("  (") + unit + QStringLiteral("^2") +
                  QStringLiteral(")"));
    FinishScaleStep();
}

RegionBounds MainWindow::chooseRegion()
{
    if (!m_imageWindow->shpRegion()->isVisible()) {
        const PictureSurface* surface = m_imageWindow->picture2();
        m_state.region = RegionBounds{0, 0, static_cast<double>(surface->picture().width()),
                                      static_cast<double>(surface->picture().height())};
    }
    return m_state.region;
}

void MainWindow::cmdConvert_Click()
{
    if (!m_imageWindow) {
        return;
    }
    const RegionBounds region = chooseRegion();
    const int threshold = lblThreshold->text().toInt();
    PictureSurface* surface = m_imageWindow->picture2();
    convertToBlackAndWhite(surface->pixels(), region, threshold);
    surface->changedAll();
    surface->refresh();
    FinishConvertStep();
}

void MainWindow::scrlThreshold_Change()
{
    lblThreshold->setText(QString::number(scrlThreshold->value()));
    ResetPicture();
}

void MainWindow::cmdMeasure_Click()
{
    if (!m_imageWindow || m_imageWindow->picture2()->picture().isNull()) {
        return;
    }
    if (!(m_state.scaleLineLength > 0)) {
        showProblem(this, tr("There is no scale yet.\n\nDraw the scale line over an object of "
                             "known length first (\"Draw the scale line\"), type its length "
                             "under \"Unit of measurement:\", and measure again."));
        return;
    }
    // A known length so large that the picture's real size overflows would give no area.
    // The picture's real area is at most the square of its longer side's real length.
    const QImage& picture = m_imageWindow->picture2()->picture();
    const double side = double(std::max(picture.width(), picture.height())) /
                        m_state.scaleLineLength * leadingNumber(txtUnit->text());
    if (!std::isfinite(side * side)) {
        showProblem(
            this, tr("The known length \"%1\" is too large to measure with.").arg(txtUnit->text()));
        return;
    }
    MeasureArea();
    FinishMeasureStep();
}

void MainWindow::MeasureArea()
{
    PictureSurface* surface = m_imageWindow->picture2();
    surface->waitNotice()->show();
    surface->refresh();

    const RegionBounds region = chooseRegion();
    m_state.blackPixelCount = 0;
    m_state.setAreaSlot(m_state.imageCounter, 0);
    m_state.blackPixelCount = static_cast<double>(countAndMarkBlack(surface->pixels(), region));
    surface->changedAll();
    surface->waitNotice()->hide();

    const double knownLength = leadingNumber(txtUnit->text());
    const AreaSteps steps =
        computeArea(float(surface->picture().width()), float(surface->picture().height()),
                    m_state.scaleLineLength, knownLength, m_state.blackPixelCount);
    m_state.pictureHeightReal = steps.pictureHeightReal;
    m_state.pictureWidthReal = steps.pictureWidthReal;
    m_state.pictureAreaReal = steps.pictureAreaReal;
    m_state.pictureAreaPixels = steps.pictureAreaPixels;
    m_state.areaPerPixel = steps.areaPerPixel;
    m_state.measuredArea = steps.measuredArea;
    m_state.lastArea = m_state.measuredArea;
    m_state.setAreaSlot(m_state.imageCounter,
                        m_state.lastArea + m_state.areaSlot(m_state.imageCounter));
    txtLeafA->setText(
        formatForDisplay(roundToFourDecimals(m_state.areaSlot(m_state.imageCounter))));
}

// ---------------------------------------------------------------------------
// Results

void MainWindow::cmdDataOK_Click()
{
    if (!txtLeafA->text().isEmpty()) {
        const int k = ++m_state.rowCount;
        ResultsGrid* grid = m_dataWindow->grid();
        grid->setRows(k + 1);
        grid->setRow(k);
        grid->setCol(0);
        grid->setText(QString::number(k));
        grid->setCol(1);
        grid->setText(txtLeafName->text());
        grid->setCol(2);
        // The row keeps the full area of the image measured last, not the rounded text.
        const double area = m_state.areaSlot(m_state.imageCounter);
        grid->setText(formatForDisplay(area));
        grid->setValue(area);
        m_dataWindow->markChanged();
    }
    cmdDataOK->setEnabled(false);
}

void MainWindow::cmdDataFile_Click()
{
    m_dataWindow->show();
    m_dataWindow->raise();
    m_dataWindow->activateWindow();
}

// ---------------------------------------------------------------------------
// Tools

void MainWindow::optScale_Click()
{
    CloseFrame(frameSelect);
    CloseFrame(frameBW);
    CloseFrame(framePaint);
    cmdScaleOK->setEnabled(false);
    cmdMeasure->setEnabled(false);
}

void MainWindow::chkRegion_Click()
{
    if (chkRegion->value() == 1) {
        m_state.regionMode = RegionMode::Selecting;
        if (m_imageWindow) {
            ShapeOverlay* region = m_imageWindow->shpRegion();
            region->setHeight(30);
            region->setWidth(30);
            region->setVisible(true);
        }
        frameScale->setPanelEnabled(false);
        cmdRegionOK->setEnabled(true);
        CloseFrame(frameBW);
        CloseFrame(framePaint);
    }
    if (chkRegion->value() == 0) {
        m_state.regionMode = RegionMode::None;
        if (m_imageWindow) {
            m_imageWindow->shpRegion()->setVisible(false);
        }
        frameScale->setPanelEnabled(true);
        cmdRegionOK->setEnabled(false);
        OpenFrame(frameBW);
        OpenFrame(framePaint);
    }
}

void MainWindow::cmdRegionOK_Click()
{
    if (chkRegion->value() == 1) {
        chkRegion->setValue(2);
        m_state.regionMode = RegionMode::Confirmed;
    }
    frameScale->setPanelEnabled(true);
    OpenFrame(frameBW);
    OpenFrame(framePaint);
    cmdRegionOK->setEnabled(false);
}

void MainWindow::optBrush_Click()
{
    if (m_imageWindow) {
        m_imageWindow->shpRubber()->setVisible(true);
    }
    cmdMeasure->setEnabled(false);
}

void MainWindow::optEraser_Click()
{
    optBrush_Click();
}

void MainWindow::optPaintSize_Click()
{
    cmdMeasure->setEnabled(false);
}

void MainWindow::cmdHideTool_Click()
{
    if (m_imageWindow) {
        m_imageWindow->shpRubber()->setVisible(false);
    }
    optBrush->setValue(false);
    optEraser->setValue(false);
    optPaintSize->setValue(false);
    cmdMeasure->setEnabled(true);
}

// ---------------------------------------------------------------------------
// Quitting

bool MainWindow::askQuitQuestion()
{
    QString question = QStringLiteral("Sure you want to quit?");
    if (m_dataWindow->hasUnsavedRows()) {
        const QString rows = m_state.rowCount == 1 ? tr("its 1 row has")
                                                   : tr("its %1 rows have").arg(m_state.rowCount);
        question +=
            tr("\n\nThe results table has unsaved changes: %1 not been saved to a file.").arg(rows);
    }
    return askYesNo(this, question);
}

void MainWindow::beginClosingNotices()
{
    m_notices->start();
    hide();
}

void MainWindow::cmdEnd_Click()
{
    if (askQuitQuestion()) {
        beginClosingNotices();
    }
}

void MainWindow::MDIForm_QueryUnload(bool& cancel, CloseReason reason)
{
    if (reason != CloseReason::User) {
        return;
    }
    const bool yes = askQuitQuestion();
    cancel = true;
    if (!yes) {
        return;
    }
    beginClosingNotices();
}

void MainWindow::commitData(QSessionManager& manager)
{
    // The session is ending: results that were never saved are worth one question.
    if (m_dataWindow->hasUnsavedRows() && manager.allowsInteraction()) {
        const bool yes = askQuitQuestion();
        manager.release();
        if (!yes) {
            manager.cancel();
            return;
        }
    }
    sessionEnding();
}

void MainWindow::sessionEnding()
{
    m_sessionEnding = true;
    // Should the end of the session be cancelled elsewhere, a later close by the
    // user must ask again.
    QTimer::singleShot(SessionEndGraceMs, this, &MainWindow::sessionResumed);
}

void MainWindow::sessionResumed()
{
    m_sessionEnding = false;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    MDIForm_QueryUnload(cancel, m_sessionEnding ? CloseReason::System : CloseReason::User);
    if (cancel) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT programEnded();
}

// ---------------------------------------------------------------------------
// Step panels

void MainWindow::SyncFrameScale()
{
    if (frameScale->panelEnabled()) {
        lblUnit->setEnabled(true);
        txtUnit->setEnabled(true);
        cmbUnit->setEnabled(true);
        optScale->setEnabled(true);
        optScale->setValue(true);
    } else {
        lblUnit->setEnabled(false);
        txtUnit->setEnabled(false);
        cmbUnit->setEnabled(false);
        optScale->setEnabled(false);
        cmdScaleOK->setEnabled(false);
    }
    cmdScaleOK->setEnabled(false);
}

void MainWindow::SyncFrameSelect()
{
    chkRegion->setEnabled(frameSelect->panelEnabled());
    cmdRegionOK->setEnabled(false);
}

void MainWindow::SyncFrameBW()
{
    const bool enabled = frameBW->panelEnabled();
    for (QWidget* control : std::initializer_list<QWidget*>{
             lblSetThreshold, lblThreshold, scrlThreshold, cmdConvert, cmdRefresh}) {
        control->setEnabled(enabled);
    }
}

void MainWindow::SyncFramePaint()
{
    const bool enabled = framePaint->panelEnabled();
    for (QWidget* control :
         std::initializer_list<QWidget*>{optPaintSize, optEraser, optBrush, cmdHideTool}) {
        control->setEnabled(enabled);
    }
}

void MainWindow::syncFrame(StepFrame* frame)
{
    if (frame == frameScale) {
        SyncFrameScale();
    } else if (frame == frameSelect) {
        SyncFrameSelect();
    } else if (frame == frameBW) {
        SyncFrameBW();
    } else if (frame == framePaint) {
        SyncFramePaint();
    }
}

void MainWindow::OpenFrame(StepFrame* frame)
{
    frame->setPanelEnabled(true);
    syncFrame(frame);
}

void MainWindow::CloseFrame(StepFrame* frame)
{
    frame->setPanelEnabled(false);
    syncFrame(frame);
}

void MainWindow::ResetStepPanels()
{
    CloseFrame(frameScale);
    CloseFrame(frameSelect);
    CloseFrame(frameBW);
    CloseFrame(framePaint);
    cmdMeasure->setEnabled(false);
}

void MainWindow::StartScaleStep()
{
    OpenFrame(frameScale);
    frameSelect->setPanelEnabled(false);
    chkRegion->setValue(0);
    SyncFrameSelect();
    CloseFrame(frameBW);
    CloseFrame(framePaint);
    cmdMeasure->setEnabled(false);
}

void MainWindow::FinishScaleStep()
{
    optScale->setValue(false);
    OpenFrame(frameSelect);
    OpenFrame(frameBW);
    OpenFrame(framePaint);
    cmdScaleOK->setEnabled(false);
}

void MainWindow::FinishConvertStep()
{
    OpenFrame(framePaint);
    cmdMeasure->setEnabled(true);
}

void MainWindow::ClosePaintStep()
{
    CloseFrame(framePaint);
    cmdMeasure->setEnabled(false);
}

void MainWindow::FinishMeasureStep()
{
    CloseFrame(framePaint);
    cmdMeasure->setEnabled(false);
    cmdDataOK->setEnabled(true);
}

} // namespace verimetra
