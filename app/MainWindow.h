#pragma once

#include "app/SharedState.h"
#include "image/ImageWindow.h"

#include <QMainWindow>
#include <QPointer>

class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSessionManager;

namespace verimetra {

class ClosingNotices;
class DataWindow;
class OptionButton;
class RegionCheckBox;
class SpinnerControl;
class StepFrame;
class Workspace;

// The main window: the title, "Open Image file" and the four numbered step panels
// on the left, the measure button, the leaf name and area and the table buttons
// along the bottom, and the image window in the workspace between them.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    SharedState& state() { return m_state; }
    const SharedState& state() const { return m_state; }
    ImageWindow* imageWindow() const { return m_imageWindow; }
    DataWindow* dataWindow() const { return m_dataWindow; }

    // Why the window is being closed.
    enum class CloseReason
    {
        User = 0,
        System = 1
    };
    // The close request: a user's close is always cancelled and asks the quit question.
    void MDIForm_QueryUnload(bool& cancel, CloseReason reason);

    // The system is ending the session: asks about unsaved results when it may,
    // and lets it go on unless the user says No.
    void commitData(QSessionManager& manager);
    // For a while from now a close comes from the system ending the session and is
    // not asked; sessionResumed() ends that at once.
    void sessionEnding();
    void sessionResumed();

Q_SIGNALS:
    // The program is to end now (the last closing notice was dismissed, or the
    // system closed the main window).
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar2(QWidget* bar);
    void buildToolbar1(QWidget* bar);
    void MDIForm_Load();

    // Image window.
    ImageWindow* createImageWindow();
    void cmdImport_Click();
    void cmdRefresh_Click();
    void cmdPicUnload_Click();
    void ResetPicture();

    // Analysis.
    void cmdScaleOK_Click();
    void cmdConvert_Click();
    void scrlThreshold_Change();
    void cmdMeasure_Click();
    void MeasureArea();
    RegionBounds chooseRegion();

    // Results.
    void cmdDataOK_Click();
    void cmdDataFile_Click();

    // Tools.
    void optScale_Click();
    void chkRegion_Click();
    void cmdRegionOK_Click();
    void optBrush_Click();
    void optEraser_Click();
    void optPaintSize_Click();
    void cmdHideTool_Click();

    // Quitting.
    void cmdEnd_Click();
    bool askQuitQuestion();
    void beginClosingNotices();

    // Step panels.
    void SyncFrameScale();
    void SyncFrameSelect();
    void SyncFrameBW();
    void SyncFramePaint();
    void OpenFrame(StepFrame* frame);
    void CloseFrame(StepFrame* frame);
    void syncFrame(StepFrame* frame);
    void ResetStepPanels();
    void StartScaleStep();
    void FinishScaleStep();
    void FinishConvertStep();
    void ClosePaintStep();
    void FinishMeasureStep();

    SharedState m_state;

    Workspace* m_workspace = nullptr;
    QPointer<ImageWindow> m_imageWindow;
    DataWindow* m_dataWindow = nullptr;
    ClosingNotices* m_notices = nullptr;
    QFileDialog* m_imageDialog = nullptr;
    bool m_sessionEnding = false;
    static constexpr int SessionEndGraceMs = 30'000;

    // Toolbar2.
    QLabel* Label3 = nullptr;
    QPushButton* cmdImport = nullptr;
    StepFrame* frameScale = nullptr;
    QLabel* lblUnit = nullptr;
    QLineEdit* txtUnit = nullptr;
    QComboBox* cmbUnit = nullptr;
    OptionButton* optScale = nullptr;
    QPushButton* cmdScaleOK = nullptr;
    StepFrame* frameSelect = nullptr;
    RegionCheckBox* chkRegion = nullptr;
    QPushButton* cmdRegionOK = nullptr;
    StepFrame* frameBW = nullptr;
    QLabel* lblSetThreshold = nullptr;
    QLabel* lblThreshold = nullptr;
    SpinnerControl* scrlThreshold = nullptr;
    QPushButton* cmdConvert = nullptr;
    QPushButton* cmdRefresh = nullptr;
    StepFrame* framePaint = nullptr;
    OptionButton* optPaintSize = nullptr;
    OptionButton* optEraser = nullptr;
    QLabel* Label4 = nullptr;
    OptionButton* optBrush = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* cmdHideTool = nullptr;

    // Toolbar1.
    QPushButton* cmdMeasure = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* txtLeafName = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* txtLeafA = nullptr;
    QPushButton* cmdDataOK = nullptr;
    QPushButton* cmdDataFile = nullptr;
    QPushButton* cmdPicUnload = nullptr;
    QPushButton* cmdEnd = nullptr;
};

} // namespace verimetra
