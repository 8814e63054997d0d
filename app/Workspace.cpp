#include "app/Workspace.h"

#include <QPaintEvent>
#include <QPainter>

namespace verimetra {

Workspace::Workspace(QWidget* parent)
    : QMdiArea(parent), m_picture(QStringLiteral(":/verimetra/background.png"))
{
    setBackground(palette().brush(QPalette::Dark));
}

void Workspace::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), background());
    if (!m_picture.isNull()) {
        const QRect area = viewport()->rect();
        QRect target(QPoint(), m_picture.size());
        target.moveCenter(area.center());
        painter.drawImage(target.topLeft(), m_picture);
    }
}

} // namespace verimetra
