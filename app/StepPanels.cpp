#include "app/StepPanels.h"

#include "app/OptionButton.h"
#include "app/RegionCheckBox.h"
#include "app/SpinnerControl.h"
#include "app/StepFrame.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace verimetra {

StepPanels::StepPanels(const StepControls& controls) : m_c(controls) {}

void StepPanels::SyncFrameScale()
{
    if (m_c.frameScale->panelEnabled()) {
        m_c.lblUnit->setEnabled(true);
        m_c.txtUnit->setEnabled(true);
        m_c.cmbUnit->setEnabled(true);
        m_c.optScale->setEnabled(true);
        m_c.optScale->setValue(true);
    } else {
        m_c.lblUnit->setEnabled(false);
        m_c.txtUnit->setEnabled(false);
        m_c.cmbUnit->setEnabled(false);
        m_c.optScale->setEnabled(false);
        m_c.cmdScaleOK->setEnabled(false);
    }
    m_c.cmdScaleOK->setEnabled(false);
}

void StepPanels::SyncFrameSelect()
{
    m_c.chkRegion->setEnabled(m_c.frameSelect->panelEnabled());
    m_c.cmdRegionOK->setEnabled(false);
}

void StepPanels::SyncFrameBW()
{
    const bool enabled = m_c.frameBW->panelEnabled();
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_c.lblSetThreshold, m_c.lblThreshold, m_c.scrlThreshold,
                                         m_c.cmdConvert, m_c.cmdRefresh}) {
        control->setEnabled(enabled);
    }
}

void StepPanels::SyncFramePaint()
{
    const bool enabled = m_c.framePaint->panelEnabled();
    for (QWidget* control : std::initializer_list<QWidget*>{m_c.optPaintSize, m_c.optEraser,
                                                            m_c.optBrush, m_c.cmdHideTool}) {
        control->setEnabled(enabled);
    }
}

void StepPanels::syncFrame(StepFrame* frame)
{
    if (frame == m_c.frameScale) {
        SyncFrameScale();
    } else if (frame == m_c.frameSelect) {
        SyncFrameSelect();
    } else if (frame == m_c.frameBW) {
        SyncFrameBW();
    } else if (frame == m_c.framePaint) {
        SyncFramePaint();
    }
}

void StepPanels::OpenFrame(StepFrame* frame)
{
    frame->setPanelEnabled(true);
    syncFrame(frame);
}

void StepPanels::CloseFrame(StepFrame* frame)
{
    frame->setPanelEnabled(false);
    syncFrame(frame);
}

void StepPanels::ResetStepPanels()
{
    CloseFrame(m_c.frameScale);
    CloseFrame(m_c.frameSelect);
    CloseFrame(m_c.frameBW);
    CloseFrame(m_c.framePaint);
    m_c.cmdMeasure->setEnabled(false);
}

void StepPanels::StartScaleStep()
{
    OpenFrame(m_c.frameScale);
    m_c.frameSelect->setPanelEnabled(false);
    m_c.chkRegion->setValue(0);
    SyncFrameSelect();
    CloseFrame(m_c.frameBW);
    CloseFrame(m_c.framePaint);
    m_c.cmdMeasure->setEnabled(false);
}

void StepPanels::FinishScaleStep()
{
    m_c.optScale->setValue(false);
    OpenFrame(m_c.frameSelect);
    OpenFrame(m_c.frameBW);
    OpenFrame(m_c.framePaint);
    m_c.cmdScaleOK->setEnabled(false);
}

void StepPanels::FinishConvertStep()
{
    OpenFrame(m_c.framePaint);
    m_c.cmdMeasure->setEnabled(true);
}

void StepPanels::ClosePaintStep()
{
    CloseFrame(m_c.framePaint);
    m_c.cmdMeasure->setEnabled(false);
}

void StepPanels::FinishMeasureStep()
{
    CloseFrame(m_c.framePaint);
    m_c.cmdMeasure->setEnabled(false);
    m_c.cmdDataOK->setEnabled(true);
}

} // namespace verimetra
