#include "app/SpinnerControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace verimetra {

SpinnerControl::SpinnerControl(QWidget* parent) : QAbstractSlider(parent)
{
    setOrientation(Qt::Vertical);
    setFocusPolicy(Qt::StrongFocus);
}

QSize SpinnerControl::sizeHint() const
{
    return {33, 25};
}

QRect SpinnerControl::arrowRect(Arrow arrow) const
{
    const int half = height() / 2;
    return arrow == Arrow::Up ? QRect(0, 0, width(), half)
                              : QRect(0, half, width(), height() - half);
}

void SpinnerControl::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    for (Arrow arrow : {Arrow::Up, Arrow::Down}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = arrowRect(arrow);
        if (m_pressed == arrow) {
            button.state |= QStyle::State_Sunken;
        } else {
            button.state |= QStyle::State_Raised;
        }
        painter.drawControl(QStyle::CE_PushButtonBevel, button);
        QStyleOption indicator = button;
        indicator.rect = button.rect.adjusted(3, 2, -3, -2);
        painter.drawPrimitive(arrow == Arrow::Up ? QStyle::PE_IndicatorArrowUp
                                                 : QStyle::PE_IndicatorArrowDown,
                              indicator);
    }
}

void SpinnerControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed =
        arrowRect(Arrow::Up).contains(event->position().toPoint()) ? Arrow::Up : Arrow::Down;
    const SliderAction action = m_pressed == Arrow::Up ? SliderSingleStepAdd : SliderSingleStepSub;
    triggerAction(action);
    setRepeatAction(action);
    update();
}

void SpinnerControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = Arrow::None;
    setRepeatAction(SliderNoAction);
    update();
}

void SpinnerControl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        triggerAction(SliderSingleStepAdd);
        break;
    case Qt::Key_Down:
        triggerAction(SliderSingleStepSub);
        break;
    case Qt::Key_PageUp:
        triggerAction(SliderPageStepAdd);
        break;
    case Qt::Key_PageDown:
        triggerAction(SliderPageStepSub);
        break;
    case Qt::Key_Home:
        triggerAction(SliderToMinimum);
        break;
    case Qt::Key_End:
        triggerAction(SliderToMaximum);
        break;
    default:
        QAbstractSlider::keyPressEvent(event);
    }
}

} // namespace verimetra
