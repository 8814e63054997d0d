#include "app/MainWindow.h"
#include "session/RecoveryKeeper.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

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
    // Once the window is up: the rows a run that did not end normally left behind,
    // and from then on a recovery copy of the results table.
    QTimer::singleShot(0, &window, [&window] {
        window.startRecovery(verimetra::RecoveryKeeper::defaultFolder());
    });
    return QApplication::exec();
}
