#pragma once

#include <QCheckBox>

namespace verimetra {

// The selection check box with its three values: 0 unchecked, 1 checked, 2 grey
// (a confirmed selection). Only the program sets grey; a user click goes from
// checked to unchecked and from unchecked or grey to checked. Every change of
// value, by the user or the program, emits valueChanged() at once.
class RegionCheckBox : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)

public:
    explicit RegionCheckBox(const QString& text, QWidget* parent = nullptr);

    int value() const;
    void setValue(int value);

Q_SIGNALS:
    void valueChanged();

protected:
    void nextCheckState() override;
    // The caption wraps onto two lines inside the box's narrow design width.
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace verimetra
