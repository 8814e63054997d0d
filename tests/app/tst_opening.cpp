// Opening as desktop users expect: an image file given on the command line or
// dropped on the window opens as "Open Image file" opens it; --help and --version
// answer and end.

#include "TestSupport.h"
#include "app/CommandLine.h"
#include "app/StepFrame.h"

#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

using namespace verimetra;
using namespace testsupport;

namespace {

// Drags `urls` onto the main window and drops them there; whether the window took
// the drag.
bool dropOn(QWidget* window, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(window->width() / 2, window->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runProgram(const QStringList& arguments, bool withDisplay)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!withDisplay) {
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VERIMETRA_PROGRAM), arguments);
    Run run;
    if (program.waitForFinished(30000)) {
        run.exitCode = program.exitCode();
    }
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    return run;
}

} // namespace

class TestOpening : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLineIsRead_data();
    void commandLineIsRead();
    void helpAndVersionAnswerWithoutADisplay();
    void unusableArgumentsAreSaid();
    void droppedImageOpens();
    void dropOfSeveralFilesIsRefused();
    void droppedFileThatIsNoImageIsSaid();
};

void TestOpening::commandLineIsRead_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("end");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    const QString v = QStringLiteral("verimetra");
    QTest::newRow("nothing") << QStringList{v} << QString() << false << 0 << QString();
    QTest::newRow("a file") << QStringList{v, QStringLiteral("scan 1.jpg")}
                            << QStringLiteral("scan 1.jpg") << false << 0 << QString();
    QTest::newRow("a file after --")
        << QStringList{v, QStringLiteral("--"), QStringLiteral("-x.png")}
        << QStringLiteral("-x.png") << false << 0 << QString();
    QTest::newRow("help") << QStringList{v, QStringLiteral("--help")} << QString() << true << 0
                          << QStringLiteral("Usage: verimetra [FILE]");
    QTest::newRow("-h with a file") << QStringList{v, QStringLiteral("a.png"), QStringLiteral("-h")}
                                    << QString() << true << 0 << QStringLiteral("Usage:");
    QTest::newRow("version") << QStringList{v, QStringLiteral("--version")} << QString() << true
                             << 0 << QStringLiteral("Verimetra " VERIMETRA_VERSION "\n");
    QTest::newRow("-v") << QStringList{v, QStringLiteral("-v")} << QString() << true << 0
                        << QStringLiteral("Verimetra ");
    QTest::newRow("unknown option")
        << QStringList{v, QStringLiteral("--frobnicate")} << QString() << true << 2
        << QStringLiteral("unknown option \"--frobnicate\"");
    QTest::newRow("two files") << QStringList{v, QStringLiteral("a.png"), QStringLiteral("b.png")}
                               << QString() << true << 2 << QStringLiteral("one image file");
}

void TestOpening::commandLineIsRead()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(bool, end);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    const CommandLine line = readCommandLine(arguments);
    QCOMPARE(line.file, file);
    QCOMPARE(line.end, end);
    QCOMPARE(line.exitCode, exitCode);
    QVERIFY2(line.output.contains(said), qPrintable(line.output));
}

void TestOpening::helpAndVersionAnswerWithoutADisplay()
{
    const Run version = runProgram({QStringLiteral("--version")}, false);
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("Verimetra " VERIMETRA_VERSION "\n"));
    const Run help = runProgram({QStringLiteral("--help")}, false);
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: verimetra [FILE]\n"));
}

void TestOpening::unusableArgumentsAreSaid()
{
    const Run run = runProgram({QStringLiteral("a.png"), QStringLiteral("b.png")}, true);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains("give one image file at the most"), run.err.constData());
}

void TestOpening::droppedImageOpens()
{
    Session s;
    const QString path = s.write(QStringLiteral("oak 3.png"), filled(40, 30, QColor(30, 90, 30)));
    QVERIFY(dropOn(s.window.get(), {QUrl::fromLocalFile(path)}));
    QTRY_COMPARE(s.state().imageFileTitle, QStringLiteral("oak 3.png"));
    QCOMPARE(s.text("txtLeafName"), QStringLiteral("oak 3"));
    QCOMPARE(s.state().imageCounter, 1);
    QVERIFY(child<StepFrame>(s.window.get(), "frameScale")->panelEnabled());

    // The same as the dialog: a second image takes the next slot.
    const QString second = s.write(QStringLiteral("oak 4.png"), filled(40, 30));
    s.window->openImageFile(second);
    QCOMPARE(s.state().imageFileTitle, QStringLiteral("oak 4.png"));
    QCOMPARE(s.state().imageCounter, 2);
}

void TestOpening::dropOfSeveralFilesIsRefused()
{
    Session s;
    const QString a = s.write(QStringLiteral("a.png"), filled(10, 10));
    const QString b = s.write(QStringLiteral("b.png"), filled(10, 10));
    QVERIFY(!dropOn(s.window.get(), {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
    QVERIFY(!dropOn(s.window.get(), {QUrl(QStringLiteral("https://example.org/leaf.png"))}));
    QCoreApplication::processEvents();
    QVERIFY(!s.imageWindow());
    QVERIFY(s.text("txtLeafName").isEmpty());
}

void TestOpening::droppedFileThatIsNoImageIsSaid()
{
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("notes.txt"));
    {
        QFile notes(path);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a picture\n");
    }
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    QVERIFY(dropOn(s.window.get(), {QUrl::fromLocalFile(path)}));
    QTRY_VERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY2(seen->text.contains(QStringLiteral("notes.txt")), qPrintable(seen->text));
    QVERIFY(!s.imageWindow());
    QVERIFY(s.text("txtLeafName").isEmpty());
}

QTEST_MAIN(TestOpening)
#include "tst_opening.moc"
