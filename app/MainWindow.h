#pragma once

#include "app/StepPanels.h"
#include "core/Result.h"
#include "image/ImageWindow.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSessionManager;

namespace verimetra {

class ClosingNotices;
class DataWindow;
class MeasurementSession;
class RecoveryKeeper;
class ResultsModel;
class Workspace;

// The main window: the title, "Open Image file" and the four numbered step panels
// on the left, the measure button, the leaf name and area and the table buttons
// along the bottom, and the image window in the workspace between them. Its
// handlers carry out each step on the measurement session and the results table.
// The controls that the step transitions switch are those of its StepControls.
class MainWindow : public QMainWindow, private StepControls
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    MeasurementSession& session() const { return *m_session; }
    ResultsModel& results() const { return *m_results; }
    ImageWindow* imageWindow() const { return m_imageWindow; }
    DataWindow* dataWindow() const { return m_dataWindow; }

    // Opens the image file at `path` as "Open Image file" does once a file is chosen
    // (a file given on the command line, or dropped on the window).
    void openImageFile(const QString& path);

    // Keeps the results table safe in `folder` from now on: first offers back the
    // unsaved rows that runs which did not end normally left there, then writes
    // every change of the table to this run's recovery copy. A normal end of the
    // program removes the copy.
    void startRecovery(const QString& folder);
    RecoveryKeeper* recovery() const { return m_recovery; }

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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar2(QWidget* bar);
    void buildLeafControls(QWidget* bar);
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
    bool MeasureArea();

    // Each leaf.
    void cmdEachLeaf_Click();
    void EachLeaf(double minLeafArea);
    // The smallest leaf typed, in the unit squared; why it is no size.
    Result<double> readMinLeaf() const;
    void showLeaves();
    void cmdRecordLeaves_Click();

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
    // The session's tools follow the tool options.
    void pushTools();

    // Quitting.
    void cmdEnd_Click();
    bool askQuitQuestion();
    void beginClosingNotices();

    // Recovery.
    void offerLeftOvers();

    MeasurementSession* m_session = nullptr;
    ResultsModel* m_results = nullptr;
    std::unique_ptr<StepPanels> m_panels;

    Workspace* m_workspace = nullptr;
    QPointer<ImageWindow> m_imageWindow;
    DataWindow* m_dataWindow = nullptr;
    ClosingNotices* m_notices = nullptr;
    RecoveryKeeper* m_recovery = nullptr;
    QFileDialog* m_imageDialog = nullptr;
    bool m_sessionEnding = false;
    static constexpr int SessionEndGraceMs = 30'000;

    // Toolbar2, besides the step controls.
    QLabel* Label3 = nullptr;
    QPushButton* cmdImport = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label6 = nullptr;

    // Toolbar1, besides the step controls.
    QLineEdit* Text2 = nullptr;
    QLineEdit* txtLeafName = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* txtLeafA = nullptr;
    QPushButton* cmdDataFile = nullptr;
    QPushButton* cmdPicUnload = nullptr;
    QPushButton* cmdEnd = nullptr;

    // Each leaf, under the step panels.
    QPushButton* cmdEachLeaf = nullptr;
    QLabel* lblMinLeaf = nullptr;
    QLineEdit* txtMinLeaf = nullptr;
    QLabel* lblMinLeafUnit = nullptr;
    QLabel* lblSpecks = nullptr;
    QPushButton* cmdRecordLeaves = nullptr;
};

} // namespace verimetra
