#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "session/RecoveryKeeper.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

int answer(const verimetra::CommandLine& line)
{
    std::fputs(line.output.toLocal8Bit().constData(), line.exitCode == 0 ? stdout : stderr);
    return line.exitCode;
}

} // namespace

int main(int argc, char* argv[])
{
    // "--help" and "--version" answer without a display.
    if (const verimetra::CommandLine early = verimetra::readCommandLine(argumentsOf(argc, argv));
        early.end && early.exitCode == 0) {
        return answer(early);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimetra"));
    QApplication::setApplicationVersion(QStringLiteral(VERIMETRA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("verimetra"));
    // Qt's own options (-platform, -style...) are gone from the arguments now.
    const verimetra::CommandLine line = verimetra::readCommandLine(QCoreApplication::arguments());
    if (line.end) {
        return answer(line);
    }
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
    // and from then on a recovery copy of the results table; then the image file
    // given on the command line, opened as "Open Image file" would open it.
    const QString file = line.file;
    QTimer::singleShot(0, &window, [&window, file] {
        window.startRecovery(verimetra::RecoveryKeeper::defaultFolder());
        if (!file.isEmpty()) {
            window.openImageFile(file);
        }
    });
    return QApplication::exec();
}
