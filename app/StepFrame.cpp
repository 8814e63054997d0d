#include "app/StepFrame.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QWidget>

namespace verimetra {

StepFrame::StepFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void StepFrame::setPanelEnabled(bool enabled)
{
    m_panelEnabled = enabled;
    // Controls may have created inner widgets since (the edit field of a combo box).
    watchDescendants(this);
}

void StepFrame::childEvent(QChildEvent* event)
{
    QGroupBox::childEvent(event);
    if (event->added()) {
        watchDescendants(event->child());
    }
}

void StepFrame::watchDescendants(QObject* root)
{
    if (root != this && root->isWidgetType()) {
        root->removeEventFilter(this);
        root->installEventFilter(this);
    }
    for (QObject* child : root->children()) {
        watchDescendants(child);
    }
}

bool StepFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (m_panelEnabled) {
        return QGroupBox::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
        // Tab still moves the focus on, so the keyboard cannot get stuck in a closed panel.
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key != Qt::Key_Tab && key != Qt::Key_Backtab;
    }
    default:
        return QGroupBox::eventFilter(watched, event);
    }
}

} // namespace verimetra
