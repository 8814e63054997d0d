#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

class QPushButton;

// Building the windows from their design: positions and sizes in twips, the
// caption fonts, and buttons as the program makes them.

namespace verimetra {

inline constexpr int TwipsPerPixel = 15;

// A length of the design in twips, in pixels.
constexpr int fromTwips(int twips)
{
    return twips / TwipsPerPixel;
}

// Places a control by its design position in twips within its holder.
template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(fromTwips(left), fromTwips(top), fromTwips(width), fromTwips(height));
    return widget;
}

QFont fontOf(const char* family, double points, bool bold = false);

// The captions' font: Times New Roman, 14.25 points.
QFont captionFont();

// The font of the results window and its grid: Times New Roman, 12 points.
QFont tableFont();

// A push button that never becomes the default button of its window, in the
// holder's font.
QPushButton* makeButton(const QString& caption, QWidget* holder);
// The same in `font`.
QPushButton* makeButton(const char* caption, QWidget* holder, const QFont& font = captionFont());

} // namespace verimetra
