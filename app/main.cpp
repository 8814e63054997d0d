#include "app/MainWindow.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimetra"));
    QApplication::setApplicationVersion(QStringLiteral(VERIMETRA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("verimetra"));
    // The program ends when the last closing notice is dismissed, not when a
    // window happens to be the last one on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    verimetra::MainWindow window;
    QObject::connect(&window, &verimetra::MainWindow::programEnded, &app,
                     [] { QCoreApplication::exit(0); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager& manager) { window.commitData(manager); });
    window.showMaximized();
    return QApplication::exec();
}
