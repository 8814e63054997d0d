#include "widgets/MessageBoxes.h"

#include <QMessageBox>

namespace verimetra {

namespace {
QString title()
{
    return QStringLiteral("Verimetra");
}
} // namespace

bool askYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName(QStringLiteral("questionBox"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void showProblem(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title(), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("problemBox"));
    box.exec();
}

} // namespace verimetra
