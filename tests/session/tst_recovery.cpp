// The recovery copy of the results table, without any window: its file read back
// exactly or refused whole, and the keeper that writes it on every change, finds
// the copies of runs that ended abnormally, restores them or keeps them aside.

#include "results/DataFile.h"
#include "results/RecoveryFile.h"
#include "session/RecoveryKeeper.h"
#include "session/ResultsModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cmath>

#include <memory>

using namespace verimetra;

namespace {

// Rows of every kind, with values that only survive at full precision.
QList<ResultRecord> someRows()
{
    ResultRecord whole(QStringLiteral("plot, \"north\""), 0.1 + 0.2);
    whole.provenance.imageFile = QStringLiteral("/scans/plot 1.jpg");
    whole.provenance.unit = QStringLiteral("mm");
    whole.provenance.pixelsPerUnit = 11.811023622047244;
    whole.provenance.knownLength = 100;
    whole.provenance.threshold = 450;
    whole.provenance.region = QRect(3, 4, 500, 600);
    whole.provenance.measuredAt =
        QDateTime(QDate(2026, 12, 11), QTime(16, 30, 0, 123), QTimeZone(3600));
    whole.provenance.programVersion = QStringLiteral("1.0.0");
    ResultRecord leaf(QStringLiteral("plot, \"north\"-1"), 1e-300);
    leaf.leaf.leaf = 1;
    leaf.leaf.holesArea = 1.0 / 3.0;
    leaf.leaf.filledArea = 2.0 / 3.0;
    leaf.leaf.holesPercent = 50;
    leaf.leaf.perimeter = 12.345678901234567;
    leaf.leaf.length = 5;
    leaf.leaf.width = 2.5;
    leaf.leaf.centroidX = 1e20;
    leaf.leaf.centroidY = -0.0;
    leaf.leaf.touchesEdge = true;
    leaf.leaf.specks = 3;
    leaf.leaf.specksArea = 0.0007;
    leaf.provenance = whole.provenance;
    return {whole, leaf, ResultRecord(QStringLiteral("imported ünïcode"), 42)};
}

RecoveryCopy someCopy()
{
    RecoveryCopy copy;
    copy.rows = someRows();
    copy.unit = QStringLiteral("mm");
    copy.unsaved = true;
    copy.written = QDateTime(QDate(2026, 12, 11), QTime(17, 0, 1, 5), QTimeZone::utc());
    return copy;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A run that records rows and then ends without finishing: its copy stays, its
// lock goes with it (as the lock of a killed program becomes stale).
QString abandonedCopy(const QString& folder, const QList<ResultRecord>& rows, const QString& unit)
{
    ResultsModel results;
    results.setUpTable();
    results.setUnit(unit);
    auto keeper = std::make_unique<RecoveryKeeper>(results, folder);
    if (!keeper->start().ok()) {
        return {};
    }
    results.recordAll(rows);
    return keeper->path();
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileKeepsEverythingExactly();
    void damagedFileIsRefusedWhole_data();
    void damagedFileIsRefusedWhole();
    void keeperWritesOnlyUnsavedRows();
    void leftOverIsRestoredExactly();
    void keptAsideIsNotOfferedAgainAndCanBeImported();
    void damagedLeftOverIsOfferedAsDamaged();
    void runningCopyIsNeverTaken();
};

void TestRecovery::fileKeepsEverythingExactly()
{
    const RecoveryCopy copy = someCopy();
    const QByteArray bytes = writeRecoveryFile(copy);
    QVERIFY(isRecoveryFile(bytes));
    const Result<RecoveryCopy> read = readRecoveryFile(bytes);
    QVERIFY2(read.ok(), qPrintable(read.error()));
    QCOMPARE(read.value(), copy);
    // Bit for bit, -0 included.
    QVERIFY(std::signbit(read.value().rows[1].leaf.centroidY));
    QCOMPARE(read.value().rows[0].area, 0.1 + 0.2);

    RecoveryCopy plain;
    plain.written = copy.written;
    const Result<RecoveryCopy> empty = readRecoveryFile(writeRecoveryFile(plain));
    QVERIFY(empty.ok());
    QCOMPARE(empty.value(), plain);
}

void TestRecovery::damagedFileIsRefusedWhole_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray whole = writeRecoveryFile(someCopy());
    const qsizetype rows = whole.indexOf("\n\n") + 2;

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a results file") << QByteArray("\"leaf\",1.5\r\n");
    QTest::newRow("cut in the header") << whole.left(40);
    QTest::newRow("cut after the header") << whole.left(rows);
    QTest::newRow("cut in the last row") << whole.left(whole.size() - 5);
    QTest::newRow("one byte more") << whole + "x";
    QByteArray flipped = whole;
    flipped[rows + 60] = char(flipped[rows + 60] ^ 0x01);
    QTest::newRow("a byte changed in the rows") << flipped;
    QByteArray count = whole;
    count.replace("rows 3\n", "rows 4\n");
    QTest::newRow("a row missing") << count;
    QByteArray unknown = whole;
    unknown.replace("unsaved yes\n", "unsaved maybe\n");
    QTest::newRow("a header value unknown") << unknown;
    QByteArray noSum = whole;
    noSum.remove(noSum.indexOf("sha256 "), 72);
    QTest::newRow("no checksum") << noSum;
}

void TestRecovery::damagedFileIsRefusedWhole()
{
    QFETCH(QByteArray, bytes);
    const Result<RecoveryCopy> read = readRecoveryFile(bytes);
    QVERIFY(!read.ok());
    QVERIFY(!read.error().isEmpty());
    QVERIFY(read.value().rows.isEmpty());
}

void TestRecovery::keeperWritesOnlyUnsavedRows()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    ResultsModel results;
    results.setUpTable();
    RecoveryKeeper keeper(results, folder);
    QVERIFY(keeper.start().ok());
    QVERIFY(!QFile::exists(keeper.path())); // nothing to lose yet
    QVERIFY(QFile::exists(keeper.path() + QStringLiteral(".lock")));

    // Every change writes the whole table.
    results.setUnit(QStringLiteral("mm"));
    results.record(someRows()[0]);
    results.recordAll(someRows().mid(1));
    Result<RecoveryCopy> copy = readRecoveryFile(readAll(keeper.path()));
    QVERIFY2(copy.ok(), qPrintable(copy.error()));
    QCOMPARE(copy.value().rows, results.records());
    QCOMPARE(copy.value().unit, QStringLiteral("mm"));
    QVERIFY(copy.value().unsaved);

    // Saved: nothing left to lose, no copy. Changed again: a copy again.
    QVERIFY(results.save(dir.filePath(QStringLiteral("table.txt"))).ok());
    QVERIFY(!QFile::exists(keeper.path()));
    results.record(QStringLiteral("late leaf"), 2);
    QVERIFY(QFile::exists(keeper.path()));
    QVERIFY(results.exportCsv(dir.filePath(QStringLiteral("table.csv"))).ok());
    QVERIFY(!QFile::exists(keeper.path()));
    results.record(QStringLiteral("later leaf"), 3);
    results.clear();
    QVERIFY(!QFile::exists(keeper.path()));

    // A normal end leaves nothing behind.
    results.record(QStringLiteral("last leaf"), 4);
    keeper.finish();
    QCOMPARE(filesIn(folder), QStringList());
    results.record(QStringLiteral("after the end"), 5);
    QCOMPARE(filesIn(folder), QStringList());
}

void TestRecovery::leftOverIsRestoredExactly()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString abandoned = abandonedCopy(folder, someRows(), QStringLiteral("mm"));
    QVERIFY(QFile::exists(abandoned));

    ResultsModel results;
    results.setUpTable();
    RecoveryKeeper keeper(results, folder);
    QVERIFY(keeper.start().ok());
    const QList<LeftOver> leftOvers = keeper.leftOvers();
    QCOMPARE(leftOvers.size(), 1);
    QCOMPARE(leftOvers[0].path, abandoned);
    QVERIFY(leftOvers[0].copy.ok());
    QVERIFY(keeper.restore(leftOvers[0]).ok());

    QCOMPARE(results.records(), someRows());
    QCOMPARE(results.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Area  (mm^2)"));
    QVERIFY(results.hasUnsavedRows());
    QCOMPARE(results.record(QStringLiteral("next"), 1), 4);
    // The old copy went once this run's copy held the rows.
    QVERIFY(!QFile::exists(abandoned));
    QCOMPARE(readRecoveryFile(readAll(keeper.path())).value().rows.size(), 4);
    QVERIFY(keeper.leftOvers().isEmpty());
}

void TestRecovery::keptAsideIsNotOfferedAgainAndCanBeImported()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString abandoned = abandonedCopy(folder, someRows(), QStringLiteral("cm"));
    ResultsModel results;
    results.setUpTable();
    RecoveryKeeper keeper(results, folder);
    QVERIFY(keeper.start().ok());
    const QList<LeftOver> leftOvers = keeper.leftOvers();
    QCOMPARE(leftOvers.size(), 1);
    const QString offered = keeper.asideName(leftOvers[0], QStringLiteral("kept"));
    const Result<QString> kept = keeper.keepAside(leftOvers[0], QStringLiteral("kept"));
    QVERIFY(kept.ok());
    QCOMPARE(kept.value(), offered);
    QVERIFY(kept.value().contains(QStringLiteral("results-kept-")));
    QVERIFY(!QFile::exists(abandoned));
    QVERIFY(QFile::exists(kept.value()));
    QCOMPARE(results.rowCount(), 0); // nothing restored

    // Another run offers nothing; "Import Data File" reads the rows kept aside.
    ResultsModel another;
    RecoveryKeeper next(another, folder);
    QVERIFY(next.leftOvers().isEmpty());
    const Result<QList<ResultRecord>> imported = loadDataFile(kept.value());
    QVERIFY2(imported.ok(), qPrintable(imported.error()));
    QCOMPARE(imported.value(), someRows());
}

void TestRecovery::damagedLeftOverIsOfferedAsDamaged()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString abandoned = abandonedCopy(folder, someRows(), QStringLiteral("cm"));
    QByteArray bytes = readAll(abandoned);
    writeAll(abandoned, bytes.left(bytes.size() - 10));
    // A copy of saved rows holds nothing to recover: it goes without a word.
    RecoveryCopy saved = someCopy();
    saved.unsaved = false;
    const QString savedPath = QDir(folder).filePath(QStringLiteral("table-saved.recovery"));
    writeAll(savedPath, writeRecoveryFile(saved));

    ResultsModel results;
    RecoveryKeeper keeper(results, folder);
    const QList<LeftOver> leftOvers = keeper.leftOvers();
    QCOMPARE(leftOvers.size(), 1);
    QVERIFY(!leftOvers[0].copy.ok());
    QVERIFY(!QFile::exists(savedPath));
    QVERIFY(!keeper.restore(leftOvers[0]).ok());
    QCOMPARE(results.rowCount(), 0); // never half-restored
    const Result<QString> kept = keeper.keepAside(leftOvers[0], QStringLiteral("damaged"));
    QVERIFY(kept.ok());
    QVERIFY(kept.value().contains(QStringLiteral("results-damaged-")));
    QCOMPARE(readAll(kept.value()), bytes.left(bytes.size() - 10));
}

void TestRecovery::runningCopyIsNeverTaken()
{
    QTemporaryDir dir;
    ResultsModel running;
    running.setUpTable();
    RecoveryKeeper owner(running, dir.path());
    QVERIFY(owner.start().ok());
    running.record(QStringLiteral("in use"), 1);
    QVERIFY(QFile::exists(owner.path()));

    ResultsModel second;
    RecoveryKeeper other(second, dir.path());
    QVERIFY(other.start().ok());
    QVERIFY(other.leftOvers().isEmpty());
    QVERIFY(QFile::exists(owner.path()));
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
