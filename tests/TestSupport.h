#pragma once

// Helpers for driving the real windows offscreen: answering the program's modal
// message boxes and file dialogs, finding controls by name, and making tiny images.

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace testsupport {

// What a modal box showed, once it has been answered.
struct SeenBox
{
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Waits (in the event loop of the modal call that is about to run) for a modal
// widget of type T and hands it to `act`. Polls: the modal call starts later.
template <typename T> void whenModal(std::function<void(T*)> act, int timeoutMs = 5000)
{
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, elapsed] {
        *elapsed += 10;
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (*elapsed > 5000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    (void)timeoutMs;
    timer->start();
}

// Answers the next message box with `button`; fills `seen` with what it showed.
inline void answerBox(QMessageBox::StandardButton button, std::shared_ptr<SeenBox> seen = {})
{
    whenModal<QMessageBox>([button, seen](QMessageBox* box) {
        if (seen) {
            seen->seen = true;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->defaultButton = box->standardButton(box->defaultButton());
        }
        if (QAbstractButton* b = box->button(button)) {
            b->click();
        } else {
            box->reject();
        }
    });
}

// Chooses `path` in the next file dialog (or cancels it when `path` is empty);
// `offered` receives the file the dialog offered when it opened.
inline void chooseFile(const QString& path, std::shared_ptr<QString> offered = {},
                       std::shared_ptr<QString> folder = {})
{
    whenModal<QFileDialog>([path, offered, folder](QFileDialog* dialog) {
        if (offered) {
            const QStringList files = dialog->selectedFiles();
            *offered = files.isEmpty() ? QString() : files.first();
        }
        if (folder) {
            *folder = dialog->directory().absolutePath();
        }
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            // Typed into the name field, as a user would; the dialog's own list
            // fills in the background and cannot be relied on yet.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(path);
            } else {
                dialog->selectFile(path);
            }
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept() checks the name
        }
    });
}

template <typename T = QWidget> T* child(QObject* root, const char* name)
{
    return root->findChild<T*>(QLatin1String(name));
}

inline void click(QWidget* root, const char* buttonName)
{
    auto* button = child<QAbstractButton>(root, buttonName);
    QVERIFY2(button, buttonName);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// A picture of w x h pixels filled with `fill` (Format_RGB32).
inline QImage filled(int w, int h, QColor fill = Qt::white)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

} // namespace testsupport
