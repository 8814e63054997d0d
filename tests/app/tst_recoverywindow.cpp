// The results table survives an abrupt end: the program runs in a child process,
// records rows and is killed with SIGKILL; the next start offers the rows back.
// Also: No keeps them aside, a damaged copy, two copies of the program at once, and
// a clean end that leaves nothing behind.
//
// Run with "--record-then-wait <folder>", this program is that child: the main
// window with its recovery copies in <folder>, a few rows recorded through the
// results table, "recorded" on its output, then its event loop until it is killed.

#include "TestSupport.h"
#include "results/RecoveryFile.h"
#include "session/RecoveryKeeper.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTimeZone>

#include <cstdio>

using namespace verimetra;
using namespace testsupport;

namespace {

// What the child records: rows of both kinds with values only full precision keeps.
QList<ResultRecord> childRows()
{
    ResultRecord whole(QStringLiteral("plot 1"), 2.0 / 3.0);
    whole.provenance.imageFile = QStringLiteral("/scans/plot 1.jpg");
    whole.provenance.unit = QStringLiteral("mm");
    whole.provenance.pixelsPerUnit = 11.811023622047244;
    whole.provenance.knownLength = 254;
    whole.provenance.threshold = 300;
    whole.provenance.region = QRect(0, 0, 640, 480);
    whole.provenance.measuredAt =
        QDateTime(QDate(2026, 12, 11), QTime(9, 15, 2, 250), QTimeZone(3600));
    whole.provenance.programVersion = QStringLiteral(VERIMETRA_VERSION);
    ResultRecord leaf(QStringLiteral("plot 1-1"), 0.1 + 0.2);
    leaf.leaf.leaf = 1;
    leaf.leaf.perimeter = 3.141592653589793;
    leaf.leaf.touchesEdge = true;
    leaf.provenance = whole.provenance;
    return {whole, leaf, ResultRecord(QStringLiteral("plot 2"), 1e-7)};
}

int recordThenWait(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    window.startRecovery(QString::fromLocal8Bit(argv[2]));
    window.results().setUnit(QStringLiteral("mm"));
    for (const ResultRecord& row : childRows()) {
        window.results().record(row);
    }
    std::printf("recorded\n");
    std::fflush(stdout);
    return QApplication::exec();
}

// The child, started and recording; empty when it did not get so far.
std::unique_ptr<QProcess> startRecordingChild(const QString& folder)
{
    auto child = std::make_unique<QProcess>();
    child->setProgram(QCoreApplication::applicationFilePath());
    child->setArguments({QStringLiteral("--record-then-wait"), folder});
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start();
    if (!child->waitForStarted(10000)) {
        return {};
    }
    while (!child->canReadLine()) {
        if (!child->waitForReadyRead(30000)) {
            return {};
        }
    }
    if (child->readLine().trimmed() != "recorded") {
        return {};
    }
    return child;
}

void killHard(QProcess& child)
{
    child.kill(); // SIGKILL: no handler runs, nothing is cleaned up
    child.waitForFinished(10000);
}

QStringList copiesIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.recovery"), QStringLiteral("*.lock")},
                                  QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestRecoveryWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedProgramsRowsAreOfferedBack();
    void noKeepsTheRowsAside();
    void damagedCopyIsKeptAsideAndSaid();
    void secondLeftOverIsKeptAside();
    void cleanEndLeavesNothing();
};

void TestRecoveryWindow::killedProgramsRowsAreOfferedBack()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    std::unique_ptr<QProcess> child = startRecordingChild(folder);
    QVERIFY2(child, "the child program did not record its rows");

    // While it runs, a second copy of the program never takes its file.
    {
        ResultsModel results;
        RecoveryKeeper second(results, folder);
        QVERIFY(second.leftOvers().isEmpty());
    }
    killHard(*child);
    QCOMPARE(child->exitStatus(), QProcess::CrashExit);

    Session s;
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Yes, seen);
    s.window->startRecovery(folder);
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY2(seen->text.contains(QStringLiteral("3 unsaved rows")), qPrintable(seen->text));

    // Exactly as they were: every value, the unit heading, the numbering.
    QCOMPARE(s.results().records(), childRows());
    QCOMPARE(s.cell(0, 2), QStringLiteral("Area  (mm^2)"));
    QCOMPARE(s.cell(3, 0), QStringLiteral("3"));
    QCOMPARE(s.cell(2, 1), QStringLiteral("plot 1-1"));
    QCOMPARE(s.cell(2, 3), QStringLiteral("1"));
    // Still unsaved, and the next row follows them.
    QVERIFY(s.results().hasUnsavedRows());
    QCOMPARE(s.results().record(QStringLiteral("plot 3"), 4), 4);
    QCOMPARE(s.cell(4, 1), QStringLiteral("plot 3"));
    // The killed program's copy has gone into this run's.
    const QStringList left = copiesIn(folder);
    QCOMPARE(left.size(), 2); // this run's copy and its lock
    QVERIFY(left.contains(QFileInfo(s.window->recovery()->path()).fileName()));
}

void TestRecoveryWindow::noKeepsTheRowsAside()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    std::unique_ptr<QProcess> child = startRecordingChild(folder);
    QVERIFY(child);
    killHard(*child);

    Session s;
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::No, seen);
    s.window->startRecovery(folder);
    QVERIFY(seen->seen);
    QCOMPARE(s.results().rowCount(), 0);
    // The box said where they are kept; they are there, and can be imported.
    const QStringList kept =
        QDir(folder).entryList({QStringLiteral("results-kept-*.recovery")}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    const QString path = QDir(folder).filePath(kept.first());
    QVERIFY2(seen->text.contains(QDir::toNativeSeparators(path)), qPrintable(seen->text));
    s.press("cmdDataFile");
    chooseFile(path);
    click(s.window->dataWindow(), "cmdImport");
    QCOMPARE(s.results().records(), childRows());

    // Not offered again.
    Session again;
    again.window->startRecovery(folder);
    QVERIFY(QFile::exists(path));
    QCOMPARE(again.results().rowCount(), 0);
}

void TestRecoveryWindow::damagedCopyIsKeptAsideAndSaid()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    RecoveryCopy copy;
    copy.rows = childRows();
    copy.unsaved = true;
    copy.written = QDateTime::currentDateTime();
    const QByteArray whole = writeRecoveryFile(copy);
    QFile file(QDir(folder).filePath(QStringLiteral("table-cut.recovery")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(whole.left(whole.size() / 2)); // the power went while it was written
    file.close();

    Session s;
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    s.window->startRecovery(folder);
    QVERIFY(seen->seen);
    QVERIFY2(seen->text.contains(QStringLiteral("damaged")), qPrintable(seen->text));
    QCOMPARE(s.results().rowCount(), 0); // nothing half-restored
    const QStringList kept =
        QDir(folder).entryList({QStringLiteral("results-damaged-*.recovery")}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QVERIFY(seen->text.contains(QDir::toNativeSeparators(QDir(folder).filePath(kept.first()))));
}

void TestRecoveryWindow::secondLeftOverIsKeptAside()
{
    // Two runs at once, both killed: the first one's rows are restored, the second
    // one's are not mixed in but kept for an import, and the user is told where.
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    std::unique_ptr<QProcess> first = startRecordingChild(folder);
    QVERIFY(first);
    std::unique_ptr<QProcess> second = startRecordingChild(folder); // finds nothing to offer
    QVERIFY(second);
    killHard(*first);
    killHard(*second);
    Session s;
    auto asked = std::make_shared<SeenBox>();
    auto told = std::make_shared<SeenBox>();
    whenModal<QMessageBox>([asked, told](QMessageBox* box) {
        asked->seen = true;
        asked->text = box->text();
        box->button(QMessageBox::Yes)->click();
        // Watched for only once the question is answered and gone.
        answerBox(QMessageBox::Ok, told);
    });
    s.window->startRecovery(folder);
    QVERIFY(asked->seen);
    QVERIFY(told->seen);
    QCOMPARE(s.results().records(), childRows());
    const QStringList kept =
        QDir(folder).entryList({QStringLiteral("results-kept-*.recovery")}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QVERIFY2(told->text.contains(kept.first()), qPrintable(told->text));
}

void TestRecoveryWindow::cleanEndLeavesNothing()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    Session s;
    s.window->startRecovery(folder);
    s.results().record(QStringLiteral("leaf"), 1.5);
    QVERIFY(QFile::exists(s.window->recovery()->path()));

    // EXIT, Yes (the rows are not saved), then the two closing notices.
    QSignalSpy ended(s.window.get(), &MainWindow::programEnded);
    answerBox(QMessageBox::Yes);
    s.press("cmdEnd");
    for (const char* name : {"noticeThanks", "noticeAbout"}) {
        QMessageBox* notice = nullptr;
        QTRY_VERIFY((notice = [name]() -> QMessageBox* {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QLatin1String(name) && w->isVisible()) {
                    return qobject_cast<QMessageBox*>(w);
                }
            }
            return nullptr;
        }()));
        notice->button(QMessageBox::Ok)->click();
    }
    QCOMPARE(ended.count(), 1);
    QCOMPARE(copiesIn(folder), QStringList());
}

int main(int argc, char* argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], "--record-then-wait") == 0) {
        return recordThenWait(argc, argv);
    }
    QApplication app(argc, argv);
    TestRecoveryWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recoverywindow.moc"
