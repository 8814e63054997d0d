#pragma once

#include <QAbstractSlider>

namespace verimetra {

// A small up/down spinner: two arrows stacked, the upper one raises the value.
// The arrows and the Up/Down keys move by singleStep(), Page Up/Page Down by
// pageStep(); holding an arrow repeats.
class SpinnerControl : public QAbstractSlider
{
    Q_OBJECT

public:
    explicit SpinnerControl(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Arrow
    {
        None,
        Up,
        Down
    };
    QRect arrowRect(Arrow arrow) const;

    Arrow m_pressed = Arrow::None;
};

} // namespace verimetra
