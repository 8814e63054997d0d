#pragma once

#include <QGroupBox>

namespace verimetra {

// One numbered step panel of the main window. Besides the widget's own enabled
// flag (which dims), a panel has a panel flag: while it is cleared, no control
// inside takes mouse or keyboard input, yet every control keeps its look.
class StepFrame : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(bool panelEnabled READ panelEnabled WRITE setPanelEnabled)

public:
    explicit StepFrame(const QString& title, QWidget* parent = nullptr);

    bool panelEnabled() const { return m_panelEnabled; }
    void setPanelEnabled(bool enabled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void watchDescendants(QObject* root);

    bool m_panelEnabled = true;
};

} // namespace verimetra
