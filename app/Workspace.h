#pragma once

#include <QImage>
#include <QMdiArea>

namespace verimetra {

// The main window's client area: the application-workspace colour with our
// background picture centred on it; the image window lives here.
class Workspace : public QMdiArea
{
    Q_OBJECT

public:
    explicit Workspace(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace verimetra
