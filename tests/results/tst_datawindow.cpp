// The results window's file buttons driven offscreen: saving and importing through
// the shared dialog, failures that change nothing, and the quit question's warning.

#include "TestSupport.h"

#include <QDir>
#include <QFile>

using namespace verimetra;
using namespace testsupport;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestDataWindow : public QObject
{
    Q_OBJECT

private:
    // Puts rows straight into the table, as recordings would.
    static void fill(Session& s, const QList<ResultRecord>& rows)
    {
        s.results().setRecords(rows);
        s.results().markChanged();
    }
    static void save(Session& s, const QString& path)
    {
        chooseFile(path);
        click(s.window->dataWindow(), "cmdSave");
    }
    static void import(Session& s, const QString& path)
    {
        chooseFile(path);
        click(s.window->dataWindow(), "cmdImport");
    }
    static QString askedQuestion(Session& s)
    {
        auto seen = std::make_shared<SeenBox>();
        answerBox(QMessageBox::No, seen);
        s.press("cmdEnd");
        return seen->text;
    }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void saveThenImportGivesTheSameTable();
    void commaLocaleInTheGridPeriodInTheFile();
    void importReplacesTheRows();
    void emptyTableAndEmptyFile();
    void badRecordChangesNothing();
    void unreadableFileChangesNothing();
    void cancelledDialogChangesNothing();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void dialogOffersTheNameChosenLast();
    void manyRowsRoundTrip();
    void windows1252NamesKeepTheirAccents();
    void quitWarnsAboutUnsavedRows();
    void hostileFilesLoadOrAreRefused_data();
    void hostileFilesLoadOrAreRefused();
};

void TestDataWindow::saveThenImportGivesTheSameTable()
{
    Session s;
    const QList<ResultRecord> rows{{QStringLiteral("leaf, upper"), 3.5700000000000003},
                                   {QStringLiteral("say \"hi\""), 0.125},
                                   {QStringLiteral("two\nlines"), 1e-7},
                                   {QStringLiteral("ä"), 12345.678}};
    fill(s, rows);
    const QString path = s.dir.filePath(QStringLiteral("results.txt"));
    save(s, path);
    QCOMPARE(readAll(path), writeDataFile(rows));
    QVERIFY(readAll(path).startsWith("\"leaf, upper\",3.57\r\n\"say \"\"hi\"\"\",0.125\r\n"));

    click(s.window->dataWindow(), "cmdClear");
    QCOMPARE(s.grid()->rows(), 1);
    import(s, path);
    QCOMPARE(s.results().rowCount(), 4);
    QCOMPARE(s.grid()->rows(), 5);
    // Reading the rows leaves the grid's current cell where it was.
    s.grid()->setRow(2);
    s.grid()->setCol(0);
    const QList<ResultRecord> back = s.window->dataWindow()->records();
    QCOMPARE(s.grid()->row(), 2);
    QCOMPARE(s.grid()->col(), 0);
    QCOMPARE(back.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(back[i].name, rows[i].name);
        QCOMPARE(s.cell(i + 1, 0), QString::number(i + 1));
    }
    QCOMPARE(back[0].area, 3.57); // the file keeps 15 significant digits
    QCOMPARE(back[2].area, 1e-7);
    QCOMPARE(s.cell(2, 1), QStringLiteral("say \"hi\""));
    QCOMPARE(s.cell(3, 2), QStringLiteral("1E-07"));
}

void TestDataWindow::commaLocaleInTheGridPeriodInTheFile()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("de.txt"));
    writeFile(path, "\"Blatt 1\",2.5\r\n\"Blatt 2\",1234.75\r\n");
    import(s, path);
    QCOMPARE(s.cell(1, 2), QStringLiteral("2,5"));
    QCOMPARE(s.cell(2, 2), QStringLiteral("1234,75"));
    const QString again = s.dir.filePath(QStringLiteral("again.txt"));
    save(s, again);
    QCOMPARE(readAll(again), QByteArray("\"Blatt 1\",2.5\r\n\"Blatt 2\",1234.75\r\n"));
}

void TestDataWindow::importReplacesTheRows()
{
    Session s;
    fill(s, {{QStringLiteral("a"), 1},
             {QStringLiteral("b"), 2},
             {QStringLiteral("c"), 3},
             {QStringLiteral("d"), 4},
             {QStringLiteral("e"), 5}});
    const QString path = s.dir.filePath(QStringLiteral("three.txt"));
    // Older files: no leading zero, a blank after the comma, an unquoted name, a
    // trailing empty line.
    writeFile(path, "\"x\",.5\r\n\"y\", -1.5E-05\r\nz,1E+20\r\n\r\n");
    import(s, path);
    QCOMPARE(s.results().rowCount(), 3);
    QCOMPARE(s.grid()->rows(), 4);
    QCOMPARE(s.cell(3, 1), QStringLiteral("z"));
    QCOMPARE(s.window->dataWindow()->records().at(1).area, -1.5e-05);
    QCOMPARE(s.window->dataWindow()->records().at(2).area, 1e20);
}

void TestDataWindow::emptyTableAndEmptyFile()
{
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("empty.txt"));
    save(s, path);
    QVERIFY(QFile::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
    fill(s, {{QStringLiteral("a"), 1}, {QStringLiteral("b"), 2}});
    import(s, path);
    QCOMPARE(s.results().rowCount(), 0);
    QCOMPARE(s.grid()->rows(), 1);
    QCOMPARE(s.cell(0, 1), QStringLiteral("File name"));
}

void TestDataWindow::badRecordChangesNothing()
{
    Session s;
    fill(s, {{QStringLiteral("kept"), 7}});
    const QString path = s.dir.filePath(QStringLiteral("damaged.txt"));
    writeFile(path, "\"a\",1\r\n\"b\",2\r\n\"c\",two\r\n\"d\",4\r\n");
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    import(s, path);
    QVERIFY(seen->seen);
    QCOMPARE(seen->title, QStringLiteral("Verimetra"));
    QVERIFY2(seen->text.contains(QStringLiteral("damaged.txt")), qPrintable(seen->text));
    QVERIFY2(seen->text.contains(QStringLiteral("3")), qPrintable(seen->text));
    QCOMPARE(s.results().rowCount(), 1);
    QCOMPARE(s.cell(1, 1), QStringLiteral("kept"));
    QCOMPARE(s.grid()->rows(), 2);
}

void TestDataWindow::unreadableFileChangesNothing()
{
    Session s;
    fill(s, {{QStringLiteral("kept"), 7}});
    const QString folder = s.dir.filePath(QStringLiteral("results.txt"));
    QVERIFY(QDir().mkdir(folder));
    auto seen = std::make_shared<SeenBox>();
    answerBox(QMessageBox::Ok, seen);
    // The dialog will not pick a folder as a file; the program is asked directly.
    whenModal<QFileDialog>([folder](QFileDialog* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(folder);
        QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, QDialog::Accepted));
    });
    click(s.window->dataWindow(), "cmdImport");
    QCOMPARE(s.results().rowCount(), 1);
    QCOMPARE(s.cell(1, 1), QStringLiteral("kept"));
}

void TestDataWindow::cancelledDialogChangesNothing()
{
    Session s;
    fill(s, {{QStringLiteral("kept"), 7}});
    chooseFile(QString());
    click(s.window->dataWindow(), "cmdImport");
    chooseFile(QString());
    click(s.window->dataWindow(), "cmdSave");
    QCOMPARE(s.results().rowCount(), 1);
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files).size(), 0);
}

void TestDataWindow::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("a folder of that name") << "folder";
    QTest::newRow("a folder that does not exist") << "missing/results.txt";
}

void TestDataWindow::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, target);
    Session s;
    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("folder")));
    const QString old = s.dir.filePath(QStringLiteral("old.txt"));
    writeFile(old, "\"old\",1\r\n");
    fill(s, {{QStringLiteral("new"), 2}});
    const QString path = s.dir.filePath(target);
    auto seen = std::make_shared<SeenBox>();
    whenModal<QFileDialog>([path, seen](QFileDialog* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        answerBox(QMessageBox::Ok, seen);
        QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, QDialog::Accepted));
    });
    click(s.window->dataWindow(), "cmdSave");
    QVERIFY(seen->seen);
    QVERIFY2(seen->text.contains(QFileInfo(target).fileName()), qPrintable(seen->text));
    QCOMPARE(readAll(old), QByteArray("\"old\",1\r\n"));
    QVERIFY(QFileInfo(s.dir.filePath(QStringLiteral("folder"))).isDir());
    // The table still counts as unsaved.
    QVERIFY(askedQuestion(s).contains(QStringLiteral("unsaved")));
}

void TestDataWindow::dialogOffersTheNameChosenLast()
{
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("season.txt"));
    save(s, path);
    auto offered = std::make_shared<QString>();
    chooseFile(QString(), offered);
    click(s.window->dataWindow(), "cmdImport");
    QCOMPARE(*offered, path);
    // A name typed without ".txt" is used as typed.
    const QString bare = s.dir.filePath(QStringLiteral("plain"));
    save(s, bare);
    QVERIFY(QFile::exists(bare));
    QVERIFY(!QFile::exists(bare + QStringLiteral(".txt")));
}

void TestDataWindow::manyRowsRoundTrip()
{
    Session s;
    QList<ResultRecord> rows;
    for (int i = 0; i < 5000; ++i) {
        rows.append({QStringLiteral("leaf %1").arg(i), i * 0.25 + 0.5});
    }
    fill(s, rows);
    const QString path = s.dir.filePath(QStringLiteral("big.txt"));
    save(s, path);
    click(s.window->dataWindow(), "cmdClear");
    import(s, path);
    QCOMPARE(s.results().rowCount(), 5000);
    QCOMPARE(s.window->dataWindow()->records(), rows);
    QCOMPARE(s.cell(5000, 0), QStringLiteral("5000"));
}

void TestDataWindow::windows1252NamesKeepTheirAccents()
{
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("old-windows.txt"));
    writeFile(path, "\"Feuille \xE9t\xE9\",1.25\r\n\"H\xF6he\",2\r\n");
    import(s, path);
    QCOMPARE(s.cell(1, 1), QStringLiteral("Feuille été"));
    QCOMPARE(s.cell(2, 1), QStringLiteral("Höhe"));
}

void TestDataWindow::quitWarnsAboutUnsavedRows()
{
    Session s;
    QCOMPARE(askedQuestion(s), QStringLiteral("Sure you want to quit?"));

    // A real recording.
    s.open(s.write(QStringLiteral("leaf.png"), filled(20, 20, Qt::black)));
    s.setScale(10);
    s.press("cmdConvert");
    s.press("cmdMeasure");
    QCOMPARE(askedQuestion(s), QStringLiteral("Sure you want to quit?"));
    s.press("cmdDataOK");
    const QString warned = askedQuestion(s);
    QVERIFY(warned.startsWith(QStringLiteral("Sure you want to quit?")));
    QVERIFY2(warned.contains(QStringLiteral("unsaved")) && warned.contains(QStringLiteral("1 row")),
             qPrintable(warned));

    const QString path = s.dir.filePath(QStringLiteral("saved.txt"));
    save(s, path);
    QCOMPARE(askedQuestion(s), QStringLiteral("Sure you want to quit?"));

    fill(s, {{QStringLiteral("a"), 1}, {QStringLiteral("b"), 2}});
    QVERIFY(askedQuestion(s).contains(QStringLiteral("2 rows")));
    import(s, path);
    QCOMPARE(askedQuestion(s), QStringLiteral("Sure you want to quit?"));

    fill(s, {{QStringLiteral("a"), 1}});
    click(s.window->dataWindow(), "cmdClear");
    QCOMPARE(askedQuestion(s), QStringLiteral("Sure you want to quit?"));
}

void TestDataWindow::hostileFilesLoadOrAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows"); // -1: refused with a message

    auto records = [](int n, int nameLength) {
        QByteArray bytes;
        const QByteArray name(nameLength, 'x');
        bytes.reserve(qsizetype(n) * (nameLength + 16));
        for (int i = 0; i < n; ++i) {
            bytes += '"' + name + "\",";
            bytes += QByteArray::number(i) + ".25\r\n";
        }
        return bytes;
    };
    QTest::newRow("100000 records") << records(100000, 6) << 100000;
    QTest::newRow("50 MB") << records(100000, 500) << 100000;
    QTest::newRow("one line of 10 MB") << records(1, 10 * 1024 * 1024) << 1;
    QTest::newRow("names of 10000 characters") << records(200, 10000) << 200;
    QTest::newRow("NUL byte") << QByteArray("\"a\",1\r\n\"b\0\",2\r\n", 15) << -1;
    QTest::newRow("1e400") << QByteArray("\"a\",1e400\r\n") << -1;
    QTest::newRow("nan") << QByteArray("\"a\",nan\r\n") << -1;
    QTest::newRow("0x10") << QByteArray("\"a\",0x10\r\n") << -1;
    QTest::newRow("-0") << QByteArray("\"a\",-0\r\n") << 1;
}

void TestDataWindow::hostileFilesLoadOrAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    Session s;
    fill(s, {{QStringLiteral("kept"), 7}});
    const QString path = s.dir.filePath(QStringLiteral("hostile.txt"));
    writeFile(path, bytes);
    bytes.clear();
    auto seen = std::make_shared<SeenBox>();
    if (rows < 0) {
        answerBox(QMessageBox::Ok, seen);
    }
    import(s, path);
    if (rows < 0) {
        QVERIFY(seen->seen);
        QVERIFY(seen->text.contains(QStringLiteral("hostile.txt")));
        QCOMPARE(s.results().rowCount(), 1);
        QCOMPARE(s.cell(1, 1), QStringLiteral("kept"));
    } else {
        QCOMPARE(s.results().rowCount(), rows);
        QCOMPARE(s.grid()->rows(), rows + 1);
        QCOMPARE(s.cell(rows, 0), QString::number(rows));
    }
}

QTEST_MAIN(TestDataWindow)
#include "tst_datawindow.moc"
