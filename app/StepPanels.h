#pragma once

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace verimetra {

class OptionButton;
class RegionCheckBox;
class SpinnerControl;
class StepFrame;

// The main window's controls that the step transitions switch.
struct StepControls
{
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
    OptionButton* optBrush = nullptr;
    QPushButton* cmdHideTool = nullptr;
    QPushButton* cmdMeasure = nullptr;
    QPushButton* cmdDataOK = nullptr;
};

// The four numbered step panels of the main window and the transitions between
// the steps: each one opens the panels of the steps that may follow and closes the
// others. Setting an option or the check box here runs its click reaction at once,
// nested in the transition.
class StepPanels
{
public:
    // `controls` outlive the panels.
    explicit StepPanels(const StepControls& controls);

    // A panel's controls follow its panel flag.
    void SyncFrameScale();
    void SyncFrameSelect();
    void SyncFrameBW();
    void SyncFramePaint();

    void OpenFrame(StepFrame* frame);
    void CloseFrame(StepFrame* frame);

    void ResetStepPanels();
    void StartScaleStep();
    void FinishScaleStep();
    void FinishConvertStep();
    void ClosePaintStep();
    void FinishMeasureStep();

private:
    void syncFrame(StepFrame* frame);

    const StepControls& m_c;
};

} // namespace verimetra
