#pragma once

#include <QList>
#include <QRadioButton>

namespace verimetra {

// An option button as the program uses them: a user click only ever selects it;
// selecting it, by the user or by the program, deselects the others of its group
// and then emits selected() at once (nested in the call that selected it);
// deselecting it, which only the program does, emits nothing.
class OptionButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit OptionButton(const QString& text, QWidget* parent = nullptr);

    // The buttons that exclude one another; each button of `group` learns the others.
    static void makeGroup(const QList<OptionButton*>& group);

    bool value() const { return isChecked(); }
    void setValue(bool selected) { setChecked(selected); }

Q_SIGNALS:
    void selected();

protected:
    void nextCheckState() override;

private:
    void onToggled(bool checked);

    QList<OptionButton*> m_others;
};

} // namespace verimetra
