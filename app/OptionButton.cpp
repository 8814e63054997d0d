#include "app/OptionButton.h"

namespace verimetra {

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent)
{
    // Qt's own exclusivity refuses to deselect the checked button; the program needs that.
    setAutoExclusive(false);
    connect(this, &QAbstractButton::toggled, this, &OptionButton::onToggled);
}

void OptionButton::makeGroup(const QList<OptionButton*>& group)
{
    for (OptionButton* button : group) {
        button->m_others = group;
        button->m_others.removeAll(button);
    }
}

void OptionButton::nextCheckState()
{
    if (!isChecked()) {
        setChecked(true);
    }
}

void OptionButton::onToggled(bool checked)
{
    if (!checked) {
        return;
    }
    for (OptionButton* other : std::as_const(m_others)) {
        other->setChecked(false);
    }
    Q_EMIT selected();
}

} // namespace verimetra
