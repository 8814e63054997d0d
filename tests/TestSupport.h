#pragma once

// Helpers for driving the real windows offscreen: answering the program's modal
// message boxes and file dialogs, finding controls by name, and making tiny images.

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
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
template <typename T> void whenModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(2);
    QObject::connect(timer, &QTimer::timeout, [timer, act, waited] {
        *waited += 2;
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* w = qobject_cast<T*>(modal)) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (*waited > 5000) {
            // Never hang a test on a box nobody expected: say what it was and close it.
            timer->stop();
            timer->deleteLater();
            if (modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                qWarning("unexpected modal %s: %s", modal->metaObject()->className(),
                         box ? qPrintable(box->text()) : "");
                if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                    dialog->reject();
                }
            }
        }
    });
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
            // fills in the background and cannot be relied on yet. A file selected
            // in the list by an earlier use of the dialog wins over the typed name,
            // and typing deselects it only while the field has the keyboard focus,
            // which offscreen windows get or not by chance: deselect it first.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                if (auto* list =
                        dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
                    list->clearSelection();
                }
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

// ---------------------------------------------------------------------------
// A running main window with the steps of a measurement, for tests that walk
// through the real windows.

#include "app/MainWindow.h"
#include "image/ImageWindow.h"
#include "image/Overlays.h"
#include "image/PictureSurface.h"
#include "results/DataWindow.h"
#include "results/ResultsGrid.h"
#include "session/MeasurementSession.h"
#include "session/ResultsModel.h"

#include <QLineEdit>
#include <QTemporaryDir>

namespace testsupport {

// Sends one mouse event with a fractional position, as a pointer in between
// pixels would report it.
inline void sendMouse(QWidget* widget, QEvent::Type type, QPointF at,
                      Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class Session
{
public:
    Session() : window(std::make_unique<verimetra::MainWindow>())
    {
        window->showMaximized();
        (void)QTest::qWaitForWindowExposed(window.get());
    }

    std::unique_ptr<verimetra::MainWindow> window;
    QTemporaryDir dir;

    const verimetra::SessionState& state() { return window->session().state(); }
    verimetra::ResultsModel& results() { return window->results(); }
    verimetra::ImageWindow* imageWindow() { return window->imageWindow(); }
    verimetra::PictureSurface* picture2() { return imageWindow()->picture2(); }
    QImage picture() { return picture2()->property("picture").value<QImage>(); }
    verimetra::ResultsGrid* grid() { return window->dataWindow()->grid(); }
    QString text(const char* name) { return child<QLineEdit>(window.get(), name)->text(); }
    void setText(const char* name, const QString& text)
    {
        child<QLineEdit>(window.get(), name)->setText(text);
    }
    bool enabled(const char* name) { return child(window.get(), name)->isEnabled(); }
    void press(const char* name) { click(window.get(), name); }
    QString cell(int row, int column)
    {
        const QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }

    QString write(const QString& name, const QImage& image)
    {
        const QString path = dir.filePath(name);
        const QByteArray suffix = QFileInfo(name).suffix().toLatin1();
        if (!image.save(path, suffix.isEmpty() ? "PNG" : nullptr)) {
            qWarning("could not write the fixture %s", qPrintable(path));
        }
        return path;
    }

    // "Open Image file" with `path` chosen in the dialog.
    void open(const QString& path)
    {
        chooseFile(path);
        press("cmdImport");
    }

    // The inner height of the image window; opens a blank picture first when no
    // image window is there yet. A picture of exactly this height is shown 1:1.
    int clientHeight()
    {
        if (!imageWindow()) {
            open(write(QStringLiteral("blank.png"), filled(10, 10)));
        }
        return imageWindow()->scaleHeight();
    }

    // Opens `image` (whose height should be clientHeight()) so that the working
    // picture is the image itself, pixel for pixel.
    void openOneToOne(const QImage& image, const QString& name = QStringLiteral("leaf.png"))
    {
        open(write(name, image));
    }

    void drag(QPointF from, QPointF to, Qt::MouseButton button = Qt::LeftButton)
    {
        sendMouse(picture2(), QEvent::MouseButtonPress, from, button);
        sendMouse(picture2(), QEvent::MouseMove, to, button);
        sendMouse(picture2(), QEvent::MouseButtonRelease, to, button);
    }

    // Draws a scale line of `length` pixels and confirms the scale.
    void setScale(double length)
    {
        drag(QPointF(2, 2), QPointF(2 + length, 2));
        press("cmdScaleOK");
    }
};

} // namespace testsupport
