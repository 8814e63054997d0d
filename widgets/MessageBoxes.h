#pragma once

#include <QString>

class QWidget;

namespace verimetra {

// The program's message boxes: modal, "Verimetra" in the title bar.

// The quit question: information icon, Yes (default) and No. True for Yes.
bool askYesNo(QWidget* parent, const QString& text);

// Something the user asked for could not be done, and why.
void showProblem(QWidget* parent, const QString& text);

} // namespace verimetra
