#include "app/MainWindow.h"

#include "analysis/ColourValue.h"
#include "analysis/Conversion.h"
#include "analysis/NumberText.h"
#include "app/ClosingNotices.h"
#include "app/OptionButton.h"
#include "app/RegionCheckBox.h"
#include "app/SpinnerControl.h"
#include "app/StepFrame.h"
#include "app/StepPanels.h"
#include "app/Workspace.h"
#include "image/ImageLoader.h"
#include "image/ImageWindow.h"
#include "image/PictureSurface.h"
#include "results/DataWindow.h"
#include "session/MeasurementSession.h"
#include "session/RecoveryKeeper.h"
#include "session/ResultsModel.h"
#include "widgets/FormBuilding.h"
#include "widgets/MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSessionManager>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cmath>

// Resources of a static library must be registered by name, outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace verimetra {

namespace {

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

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_session(new MeasurementSession(this)),
      m_results(new ResultsModel(this))
{
    initResources();
    setObjectName(QStringLiteral("mdifrmMain"));
    setAcceptDrops(true); // an image file dropped anywhere on the window opens
    setWindowTitle(QStringLiteral("VERIMETRA"));
    setWindowIcon(QIcon(QStringLiteral(":/verimetra/icon-48.png")));

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    auto* toolbar2 = new QWidget(central);
    toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    toolbar2->setFixedWidth(fromTwips(4545));
    toolbar2->setMinimumHeight(fromTwips(10680));
    buildToolbar2(toolbar2);
    buildLeafControls(toolbar2);

    auto* toolbar1 = new QWidget(central);
    toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    toolbar1->setFixedHeight(fromTwips(690));
    toolbar1->setMinimumWidth(fromTwips(19000));
    buildToolbar1(toolbar1);
    m_panels = std::make_unique<StepPanels>(static_cast<const StepControls&>(*this));

    m_workspace = new Workspace(central);
    m_workspace->setObjectName(QStringLiteral("mdiArea"));

    // The bottom strip runs the whole width; the left column sits above it.
    // The left column scrolls when the screen is too low for it, so that the bottom
    // strip stays on the screen.
    auto* column = new QScrollArea(central);
    column->setObjectName(QStringLiteral("Toolbar2Column"));
    column->setFrameShape(QFrame::NoFrame);
    column->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    column->setWidgetResizable(true);
    column->setWidget(toolbar2);
    column->setFixedWidth(toolbar2->width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    column->setMinimumHeight(0);
    column->setFocusPolicy(Qt::NoFocus); // its controls take the focus, and scroll it
    connect(qApp, &QApplication::focusChanged, column, [column](QWidget*, QWidget* now) {
        if (now && column->widget()->isAncestorOf(now)) {
            column->ensureWidgetVisible(now);
        }
    });
    grid->addWidget(column, 0, 0);
    grid->addWidget(m_workspace, 0, 1);
    grid->addWidget(toolbar1, 1, 0, 1, 2);
    setCentralWidget(central);
    // Until the window is maximised: the whole left column where the screen allows.
    const int natural = toolbar2->minimumHeight() + toolbar1->height();
    const int available = screen() ? screen()->availableGeometry().height() : natural;
    resize(sizeHint().width(), std::min(natural, available));

    m_imageDialog = new QFileDialog(this);
    m_imageDialog->setObjectName(QStringLiteral("CommonDialog1"));
    m_imageDialog->setOption(QFileDialog::DontUseNativeDialog);
    m_imageDialog->setFileMode(QFileDialog::ExistingFile);
    m_imageDialog->setAcceptMode(QFileDialog::AcceptOpen);

    m_dataWindow = new DataWindow(*m_results, this);
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
    connect(cmdEachLeaf, &QPushButton::clicked, this, &MainWindow::cmdEachLeaf_Click);
    connect(cmdRecordLeaves, &QPushButton::clicked, this, &MainWindow::cmdRecordLeaves_Click);
    connect(m_session, &MeasurementSession::leavesChanged, this, &MainWindow::showLeaves);
    // "Each leaf" measures as "3. Calculate the leaf area" does, whenever that can.
    cmdMeasure->installEventFilter(this);
    cmdEachLeaf->setEnabled(cmdMeasure->isEnabled());
    // The leaf controls come last in the tab order, after "EXIT".
    setTabOrder(cmdEnd, cmdEachLeaf);
    setTabOrder(cmdEachLeaf, txtMinLeaf);
    setTabOrder(txtMinLeaf, cmdRecordLeaves);
    connect(cmdEnd, &QPushButton::clicked, this, &MainWindow::cmdEnd_Click);
    for (OptionButton* option : {optScale, optPaintSize, optEraser, optBrush}) {
        connect(option, &QAbstractButton::toggled, this, &MainWindow::pushTools);
    }
    connect(m_session, &MeasurementSession::scaleLineStarted, cmdScaleOK,
            [this] { cmdScaleOK->setEnabled(true); });

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

// The smallest leaf by default, in the square of each unit offered: 1 mm². Dust
// and scanner noise make specks well under half a millimetre across, while the
// smallest leaves measured (seedlings' cotyledons, grass blades cut short) are a
// few square millimetres and more.
namespace {
QString defaultMinLeaf(const QString& unit)
{
    if (unit == QLatin1String("mm")) {
        return QStringLiteral("1");
    }
    if (unit == QLatin1String("cm")) {
        return QStringLiteral("0.01");
    }
    return {};
}

QString squared(const QString& unit)
{
    return unit + QChar(0x00B2);
}
} // namespace

void MainWindow::buildLeafControls(QWidget* bar)
{
    cmdEachLeaf = place(makeButton("Each leaf", bar, fontOf("Arial Narrow", 12, true)),
                        "cmdEachLeaf", 240, 9780, 1335, 405);
    cmdEachLeaf->setToolTip(tr("Calculates the leaf area, then splits it into leaves: each "
                               "leaf's area, holes, perimeter, length and width"));
    lblMinLeaf = place(new QLabel(tr("Smallest:"), bar), "lblMinLeaf", 1620, 9810, 1020, 375);
    lblMinLeaf->setFont(captionFont());
    lblMinLeaf->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtMinLeaf = place(new QLineEdit(defaultMinLeaf(QStringLiteral("cm")), bar), "txtMinLeaf", 2700,
                       9795, 795, 375);
    txtMinLeaf->setAlignment(Qt::AlignCenter);
    txtMinLeaf->setFont(captionFont());
    txtMinLeaf->setToolTip(tr("Sets of counted pixels smaller than this, in the unit squared, "
                              "are specks: they count in the leaf area but are no leaves"));
    lblMinLeaf->setBuddy(txtMinLeaf);
    lblMinLeafUnit = place(new QLabel(bar), "lblMinLeafUnit", 3540, 9810, 675, 375);
    lblMinLeafUnit->setFont(captionFont());
    lblSpecks = place(new QLabel(bar), "lblSpecks", 240, 10260, 2100, 405);
    lblSpecks->setFont(fontOf("Arial", 9));
    lblSpecks->setWordWrap(true);
    cmdRecordLeaves =
        place(makeButton("Record leaves", bar), "cmdRecordLeaves", 2400, 10230, 1815, 435);
    cmdRecordLeaves->setToolTip(tr("Records every leaf as a row of its own"));
    cmdRecordLeaves->setEnabled(false);
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
    m_session->setUnitName(0, QStringLiteral("cm"));
    m_session->setUnitName(1, QStringLiteral("mm"));
    const auto& unitNames = m_session->state().unitNames;
    for (int i = 0; i <= 1; ++i) {
        cmbUnit->addItem(unitNames[size_t(i)]);
    }
    cmbUnit->setCurrentIndex(0);
    cmbUnit->setEditText(unitNames[0]);
    m_session->setUnit(cmbUnit->currentText());
    lblMinLeafUnit->setText(squared(cmbUnit->currentText()));
    m_dataWindow->SetUpResultsTable();
    m_panels->ResetStepPanels();
}

// ---------------------------------------------------------------------------
// Image window

ImageWindow* MainWindow::createImageWindow()
{
    // A new image window shows the outlines where they start.
    m_session->resetOutlines();
    auto* window = new ImageWindow(*m_session);
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
    const QString& lastImage = m_session->state().imageFileName;
    if (!lastImage.isEmpty()) {
        m_imageDialog->setDirectory(QFileInfo(lastImage).absolutePath());
    }
    if (m_imageDialog->exec() != QDialog::Accepted || m_imageDialog->selectedFiles().isEmpty()) {
        return; // cancelled: nothing changes
    }
    openImageFile(m_imageDialog->selectedFiles().first());
}

void MainWindow::openImageFile(const QString& path)
{
    // Read the file before anything changes, so that a file that cannot be opened
    // leaves the leaf name, the picture, the counters and the panels as they were.
    Result<QImage> loaded = MeasurementSession::readPicture(path);
    if (!loaded.ok()) {
        showProblem(this, loaded.error());
        return;
    }
    const bool created = !m_imageWindow;
    if (created) {
        createImageWindow();
    }
    const Outcome fits =
        MeasurementSession::checkFit(path, loaded.value().size(), m_imageWindow->scaleHeight());
    if (!fits.ok()) {
        if (created) {
            m_imageWindow->unload();
        }
        showProblem(this, fits.error());
        return;
    }

    if (created) {
        m_imageWindow->Form_Load();
        m_imageWindow->Form_Activate();
    } else {
        m_imageWindow->showMaximisedNow();
    }
    m_session->takePicture(path, loaded.take()); // the session holds the only copy
    txtLeafName->setText(leafNameOf(m_session->state().imageFileTitle));
    ResetPicture();
    m_session->nextSlot();
    m_panels->StartScaleStep();
}

void MainWindow::ResetPicture()
{
    if (m_imageWindow) {
        m_session->clearPicture(m_imageWindow->picture2()->palette().color(QPalette::Window));
    }
    txtLeafA->clear();
    if (m_imageWindow) {
        m_imageWindow->fitPicture();
        m_imageWindow->setWindowTitle(m_session->state().imageFileName);
    }
    m_panels->ClosePaintStep();
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
        m_session->closePicture();
    }
    m_panels->ResetStepPanels();
}

// ---------------------------------------------------------------------------
// Scale, conversion, measurement

void MainWindow::cmdScaleOK_Click()
{
    m_results->setUnit(cmbUnit->currentText());
    // Beside the scale: the unit of the values, and of the smallest leaf.
    m_session->setUnit(cmbUnit->currentText());
    lblMinLeafUnit->setText(squared(cmbUnit->currentText()));
    if (!txtMinLeaf->isModified() && !defaultMinLeaf(cmbUnit->currentText()).isEmpty()) {
        txtMinLeaf->setText(defaultMinLeaf(cmbUnit->currentText()));
    }
    m_panels->FinishScaleStep();
}

void MainWindow::cmdConvert_Click()
{
    if (!m_imageWindow) {
        return;
    }
    m_session->convert(lblThreshold->text().toInt());
    m_imageWindow->picture2()->refresh();
    m_panels->FinishConvertStep();
}

void MainWindow::scrlThreshold_Change()
{
    lblThreshold->setText(QString::number(scrlThreshold->value()));
    ResetPicture();
}

void MainWindow::cmdMeasure_Click()
{
    if (!m_imageWindow || m_session->picture().isNull()) {
        return;
    }
    if (!MeasureArea()) {
        return;
    }
    m_panels->FinishMeasureStep();
}

bool MainWindow::MeasureArea()
{
    const Result<double> area = m_session->measure(txtUnit->text());
    if (!area.ok()) {
        showProblem(this, area.error());
        return false;
    }
    txtLeafA->setText(formatForDisplay(roundToFourDecimals(area.value())));
    return true;
}

// ---------------------------------------------------------------------------
// Each leaf

void MainWindow::cmdEachLeaf_Click()
{
    if (!m_imageWindow || m_session->picture().isNull()) {
        return;
    }
    // A smallest leaf that is no size stops the click before anything changes.
    const Result<double> minLeafArea = readMinLeaf();
    if (!minLeafArea.ok()) {
        showProblem(this, minLeafArea.error());
        txtMinLeaf->setFocus();
        return;
    }
    if (!MeasureArea()) {
        return;
    }
    m_panels->FinishMeasureStep();
    EachLeaf(minLeafArea.value());
}

Result<double> MainWindow::readMinLeaf() const
{
    const QString text = txtMinLeaf->text().trimmed();
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok) {
        value = QLocale::c().toDouble(text, &ok);
    }
    if (!ok || !std::isfinite(value) || value < 0) {
        return failed(
            tr("The smallest leaf \"%1\" is not a size.\n\nType the area below which "
               "a set of counted pixels is a speck and not a leaf, in %2, for "
               "example %3.")
                .arg(txtMinLeaf->text(), m_session->state().unit, QLocale().toString(0.01)));
    }
    return value;
}

void MainWindow::EachLeaf(double minLeafArea)
{
    const Result<LeafReport> report = m_session->splitIntoLeaves(minLeafArea);
    if (!report.ok()) {
        showProblem(this, report.error());
    }
}

// What the last split found: the specks left out, and whether its leaves can be
// recorded. Nothing once the picture has changed since.
void MainWindow::showLeaves()
{
    const LeafReport* leaves = m_session->leaves();
    cmdRecordLeaves->setEnabled(leaves && !leaves->split.leaves.isEmpty());
    if (!leaves) {
        lblSpecks->clear();
        return;
    }
    const QString unit = m_session->state().measurement.unit;
    const qsizetype count = leaves->split.leaves.size();
    const QString found = count == 1 ? tr("1 leaf") : tr("%1 leaves").arg(count);
    const qint64 speckCount = leaves->split.specks;
    const QString area = formatForDisplay(roundToFourDecimals(leaves->specksArea));
    const QString specks =
        speckCount == 0 ? tr("no specks")
        : speckCount == 1
            ? tr("1 speck left out: %1 %2").arg(area, squared(unit))
            : tr("%1 specks left out: %2 %3").arg(speckCount).arg(area, squared(unit));
    lblSpecks->setText(tr("%1, %2").arg(found, specks));
}

void MainWindow::cmdRecordLeaves_Click()
{
    const LeafReport* leaves = m_session->leaves();
    if (leaves) {
        const Provenance provenance = m_session->provenance();
        QList<ResultRecord> rows;
        for (qsizetype i = 0; i < leaves->split.leaves.size(); ++i) {
            ResultRecord row(tr("%1-%2").arg(txtLeafName->text()).arg(leaves->values[i].leaf),
                             leaves->areas[i]);
            row.leaf = leaves->values[i];
            row.provenance = provenance;
            rows.append(row);
        }
        m_results->recordAll(rows);
    }
    // Each split is recorded once.
    cmdRecordLeaves->setEnabled(false);
}

// ---------------------------------------------------------------------------
// Results

void MainWindow::cmdDataOK_Click()
{
    if (!txtLeafA->text().isEmpty()) {
        // The row keeps the full area of the image measured last, not the rounded text.
        const SessionState& state = m_session->state();
        ResultRecord row(txtLeafName->text(), state.areaSlot(state.imageCounter));
        row.provenance = m_session->provenance();
        m_results->record(row);
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

void MainWindow::pushTools()
{
    ToolChoice tools;
    tools.scaleLine = optScale->value();
    tools.toolSize = optPaintSize->value();
    tools.eraser = optEraser->value();
    tools.brush = optBrush->value();
    tools.eraserColour = backgroundColourValue(Label4);
    tools.brushColour = backgroundColourValue(Label6);
    m_session->setTools(tools);
}

void MainWindow::optScale_Click()
{
    m_panels->CloseFrame(frameSelect);
    m_panels->CloseFrame(frameBW);
    m_panels->CloseFrame(framePaint);
    cmdScaleOK->setEnabled(false);
    cmdMeasure->setEnabled(false);
}

void MainWindow::chkRegion_Click()
{
    if (chkRegion->value() == 1) {
        m_session->setRegionMode(RegionMode::Selecting);
        if (m_imageWindow) {
            m_session->showSelectionOutline();
        }
        frameScale->setPanelEnabled(false);
        cmdRegionOK->setEnabled(true);
        m_panels->CloseFrame(frameBW);
        m_panels->CloseFrame(framePaint);
    }
    if (chkRegion->value() == 0) {
        m_session->setRegionMode(RegionMode::None);
        if (m_imageWindow) {
            m_session->hideSelectionOutline();
        }
        frameScale->setPanelEnabled(true);
        cmdRegionOK->setEnabled(false);
        m_panels->OpenFrame(frameBW);
        m_panels->OpenFrame(framePaint);
    }
}

void MainWindow::cmdRegionOK_Click()
{
    if (chkRegion->value() == 1) {
        chkRegion->setValue(2);
        m_session->setRegionMode(RegionMode::Confirmed);
    }
    frameScale->setPanelEnabled(true);
    m_panels->OpenFrame(frameBW);
    m_panels->OpenFrame(framePaint);
    cmdRegionOK->setEnabled(false);
}

void MainWindow::optBrush_Click()
{
    if (m_imageWindow) {
        m_session->setToolOutlineVisible(true);
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
        m_session->setToolOutlineVisible(false);
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
    if (m_results->hasUnsavedRows()) {
        const int rowCount = m_results->rowCount();
        const QString rows =
            rowCount == 1 ? tr("its 1 row has") : tr("its %1 rows have").arg(rowCount);
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
    if (m_results->hasUnsavedRows() && manager.allowsInteraction()) {
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

// ---------------------------------------------------------------------------
// Recovery

void MainWindow::startRecovery(const QString& folder)
{
    if (m_recovery) {
        return;
    }
    m_recovery = new RecoveryKeeper(*m_results, folder, this);
    connect(m_recovery, &RecoveryKeeper::writeFailed, this, [this](const QString& reason) {
        showProblem(this, tr("%1\n\nUntil it can be written, rows that are not saved would be "
                             "lost if the program ended abnormally. Save the table now and then.")
                              .arg(reason));
    });
    // A normal end leaves nothing behind.
    connect(this, &MainWindow::programEnded, m_recovery, &RecoveryKeeper::finish);
    if (const Outcome started = m_recovery->start(); !started.ok()) {
        showProblem(this, started.error());
    }
    offerLeftOvers();
}

void MainWindow::offerLeftOvers()
{
    bool restored = false;
    for (const LeftOver& leftOver : m_recovery->leftOvers()) {
        if (!leftOver.copy.ok()) {
            const Result<QString> kept = m_recovery->keepAside(leftOver, QStringLiteral("damaged"));
            showProblem(this, tr("A recovery copy of the results table, left by a run of "
                                 "Verimetra that did not end normally, is damaged: %1.\n\n%2")
                                  .arg(leftOver.copy.error(),
                                       kept.ok() ? tr("It was kept as \"%1\".")
                                                       .arg(QDir::toNativeSeparators(kept.value()))
                                                 : kept.error()));
            continue;
        }
        const RecoveryCopy& copy = leftOver.copy.value();
        const QString rows = copy.rows.size() == 1 ? tr("1 unsaved row")
                                                   : tr("%1 unsaved rows").arg(copy.rows.size());
        const QString when = QLocale().toString(copy.written, QLocale::LongFormat);
        if (restored) {
            // The table holds the rows restored first: these are kept for an import.
            const Result<QString> kept = m_recovery->keepAside(leftOver, QStringLiteral("kept"));
            showProblem(this, kept.ok()
                                  ? tr("Another run of Verimetra that did not end normally "
                                       "left %1 on %2. They are kept in \"%3\", where "
                                       "\"Import Data File\" can read them.")
                                        .arg(rows, when, QDir::toNativeSeparators(kept.value()))
                                  : kept.error());
            continue;
        }
        const QString question =
            tr("Verimetra did not end normally. Its results table held %1 on %2.\n\n"
               "Restore them?\n\nIf you answer No, they are kept in \"%3\", where \"Import "
               "Data File\" can read them.")
                .arg(rows, when,
                     QDir::toNativeSeparators(
                         m_recovery->asideName(leftOver, QStringLiteral("kept"))));
        if (askYesNo(this, question)) {
            if (const Outcome back = m_recovery->restore(leftOver); !back.ok()) {
                showProblem(this, back.error());
            }
            restored = true;
        } else if (const Result<QString> kept =
                       m_recovery->keepAside(leftOver, QStringLiteral("kept"));
                   !kept.ok()) {
            showProblem(this, kept.error());
        }
    }
}

// ---------------------------------------------------------------------------
// Dropping an image file

namespace {
// The one local file dropped, or empty.
QString droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().first().isLocalFile()) {
        return {};
    }
    return data->urls().first().toLocalFile();
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop has ended, as "Open Image file" would open it: a file that
    // cannot be opened is said in a message box, which must not run inside the drop.
    QTimer::singleShot(0, this, [this, path] { openImageFile(path); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cmdMeasure && event->type() == QEvent::EnabledChange) {
        cmdEachLeaf->setEnabled(cmdMeasure->isEnabled());
        // The leaf controls come last in the tab order, after "EXIT".
        setTabOrder(cmdEnd, cmdEachLeaf);
        setTabOrder(cmdEachLeaf, txtMinLeaf);
        setTabOrder(txtMinLeaf, cmdRecordLeaves);
    }
    return QMainWindow::eventFilter(watched, event);
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

} // namespace verimetra
