#include "widgets/FormBuilding.h"

#include <QPushButton>

namespace verimetra {

QFont fontOf(const char* family, double points, bool bold)
{
    QFont font{QString::fromLatin1(family)};
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont captionFont()
{
    return fontOf("Times New Roman", 14.25);
}

QFont tableFont()
{
    return fontOf("Times New Roman", 12);
}

QPushButton* makeButton(const QString& caption, QWidget* holder)
{
    auto* button = new QPushButton(caption, holder);
    button->setAutoDefault(false);
    return button;
}

QPushButton* makeButton(const char* caption, QWidget* holder, const QFont& font)
{
    QPushButton* button = makeButton(QLatin1String(caption), holder);
    button->setFont(font);
    return button;
}

} // namespace verimetra
