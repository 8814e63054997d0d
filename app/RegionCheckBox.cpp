#include "app/RegionCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace verimetra {

RegionCheckBox::RegionCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setTristate(true);
    connect(this, &QCheckBox::stateChanged, this, &RegionCheckBox::valueChanged);
}

int RegionCheckBox::value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void RegionCheckBox::setValue(int value)
{
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void RegionCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void RegionCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    QRect textArea = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    textArea.adjust(2, 0, 0, 0);
    style()->drawItemText(&painter, textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                          option.palette, isEnabled(), caption, QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textArea;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool RegionCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

} // namespace verimetra
