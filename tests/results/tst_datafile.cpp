#include "results/DataFile.h"

#include "FileWriteChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

using Contents = verimetra::Result<QList<verimetra::ResultRecord>>;
using verimetra::ResultRecord;

using namespace Qt::StringLiterals;

using Records = QList<ResultRecord>;

namespace {

// Records compared with names exactly and areas bit for bit (so that -0 and 0
// differ), with a message that tells which record differs.
void compareRecords(const Records& actual, const Records& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const QByteArray where = "record " + QByteArray::number(i + 1);
        QVERIFY2(actual[i].name == expected[i].name, where + ": name \"" + actual[i].name.toUtf8() +
                                                         "\", expected \"" +
                                                         expected[i].name.toUtf8() + '"');
        QVERIFY2(std::bit_cast<quint64>(actual[i].area) == std::bit_cast<quint64>(expected[i].area),
                 where + ": area " + QByteArray::number(actual[i].area, 'g', 17) + ", expected " +
                     QByteArray::number(expected[i].area, 'g', 17));
    }
}

using filechecks::readFile;
using filechecks::writeFile;

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesExactBytes_data();
    void writesExactBytes();
    void roundTripsAreas_data();
    void roundTripsAreas();
    void roundTripsNames_data();
    void roundTripsNames();
    void readsOtherForms_data();
    void readsOtherForms();
    void refusesBadRecords_data();
    void refusesBadRecords();
    void readsWindows1252_data();
    void readsWindows1252();
    void roundTripsManyRows();
    void saveReplacesContent();
    void saveFailureKeepsFiles_data();
    void saveFailureKeepsFiles();
    void loadReportsFailures_data();
    void loadReportsFailures();
};

void TestDataFile::writesExactBytes_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty table") << Records{} << QByteArray();
    QTest::newRow("rows in order")
        << Records{{u"Leaf 1"_s, 3.57}, {u"Leaf 2"_s, -0.5}, {u"Leaf 3"_s, 0}}
        << QByteArray("\"Leaf 1\",3.57\r\n\"Leaf 2\",-0.5\r\n\"Leaf 3\",0\r\n");
    QTest::newRow("exponent forms") << Records{{u"a"_s, 1e20}, {u"b"_s, 1.5e-5}}
                                    << QByteArray("\"a\",1E+20\r\n\"b\",1.5E-05\r\n");
    QTest::newRow("full value, 15 digits")
        << Records{{u"a"_s, 3.5700000000000003}, {u"b"_s, 2.0 / 3}}
        << QByteArray("\"a\",3.57\r\n\"b\",0.666666666666667\r\n");
    QTest::newRow("comma in name") << Records{{u"a,b"_s, 1}} << QByteArray("\"a,b\",1\r\n");
    QTest::newRow("quotes doubled") << Records{{u"say \"hi\""_s, 1}, {u"\""_s, 2}}
                                    << QByteArray("\"say \"\"hi\"\"\",1\r\n\"\"\"\",2\r\n");
    QTest::newRow("line break kept")
        << Records{{u"a\r\nb\nc"_s, 1}} << QByteArray("\"a\r\nb\nc\",1\r\n");
    QTest::newRow("UTF-8 name") << Records{{u"Gr\u00f6\u00dfe"_s, 1}}
                                << QByteArray("\"Gr\xc3\xb6\xc3\x9f"
                                              "e\",1\r\n");
}

void TestDataFile::writesExactBytes()
{
    QFETCH(Records, records);
    QFETCH(QByteArray, bytes);
    QCOMPARE(verimetra::writeDataFile(records), bytes);
}

void TestDataFile::roundTripsAreas_data()
{
    // The file keeps 15 significant digits: values that need no more come back
    // bit for bit, longer ones as their 15-digit rounding.
    QTest::addColumn<double>("area");
    QTest::addColumn<double>("expected");

    QTest::newRow("0.1") << 0.1 << 0.1;
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << 0.3;
    QTest::newRow("3.5700000000000003") << 3.5700000000000003 << 3.57;
    QTest::newRow("15 digits") << 123456789.012345 << 123456789.012345;
    QTest::newRow("1e20") << 1e20 << 1e20;
    QTest::newRow("1e-300") << 1e-300 << 1e-300;
    QTest::newRow("1.5e-5") << 1.5e-5 << 1.5e-5;
    QTest::newRow("negative") << -2.25 << -2.25;
    QTest::newRow("-0 is written as 0") << -0.0 << 0.0;
    QTest::newRow("largest double") << DBL_MAX << DBL_MAX;
    QTest::newRow("most negative double") << -DBL_MAX << -DBL_MAX;
    QTest::newRow("smallest subnormal")
        << std::numeric_limits<double>::denorm_min() << std::numeric_limits<double>::denorm_min();
}

void TestDataFile::roundTripsAreas()
{
    QFETCH(double, area);
    QFETCH(double, expected);
    const Contents contents =
        verimetra::readDataFile(verimetra::writeDataFile({{u"a"_s, area}, {u"b"_s, area}}));
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), {{u"a"_s, expected}, {u"b"_s, expected}});
}

void TestDataFile::roundTripsNames_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("empty") << QString();
    QTest::newRow("comma") << u"a, b,"_s;
    QTest::newRow("quotes") << u"\"a\" \"\"b\""_s;
    QTest::newRow("only a quote") << u"\""_s;
    QTest::newRow("CR LF") << u"a\r\nb"_s;
    QTest::newRow("LF and CR") << u"a\nb\rc\n"_s;
    QTest::newRow("blanks around") << u"  a\t "_s;
    QTest::newRow("UTF-8") << u"Feuille \u00e9t\u00e9 \u8449 \U0001F343"_s;
    QTest::newRow("starts with U+FEFF") << u"\uFEFF\uFEFFleaf"_s;
    QTest::newRow("10000 characters with quotes") << QString(u"ab\"c,"_s).repeated(2000);
}

void TestDataFile::roundTripsNames()
{
    QFETCH(QString, name);
    const Records records{{u"before"_s, 1}, {name, 2.5}, {u"after"_s, 3}};
    const Contents contents = verimetra::readDataFile(verimetra::writeDataFile(records));
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), records);
}

void TestDataFile::readsOtherForms_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Records>("expected");

    QTest::newRow("empty file") << QByteArray() << Records{};
    QTest::newRow("numbers of older files")
        << QByteArray("\"a\",.5\r\n\"b\",-.5\r\n\"c\",+1\r\n\"d\",1E+20\r\n\"e\",1.5E-05\r\n"
                      "\"f\",2e3\r\n\"g\",7.\r\n\"h\",007\r\n")
        << Records{{u"a"_s, 0.5},    {u"b"_s, -0.5}, {u"c"_s, 1}, {u"d"_s, 1e20},
                   {u"e"_s, 1.5e-5}, {u"f"_s, 2000}, {u"g"_s, 7}, {u"h"_s, 7}};
    QTest::newRow("-0 keeps its sign") << QByteArray("\"a\",-0\r\n") << Records{{u"a"_s, -0.0}};
    QTest::newRow("blanks around the area")
        << QByteArray("\"a\", 1.5\r\n\"b\",\t 2 \t\r\n") << Records{{u"a"_s, 1.5}, {u"b"_s, 2}};
    QTest::newRow("blanks around the quoted name")
        << QByteArray("  \"a\" ,1\r\n") << Records{{u"a"_s, 1}};
    QTest::newRow("unquoted name runs to the comma")
        << QByteArray("  Leaf 1 ,1\r\nb\"c,2\r\n,3\r\n")
        << Records{{u"Leaf 1 "_s, 1}, {u"b\"c"_s, 2}, {QString(), 3}};
    QTest::newRow("LF line ends") << QByteArray("\"a\",1\n\"b\",2\n")
                                  << Records{{u"a"_s, 1}, {u"b"_s, 2}};
    QTest::newRow("CR line ends") << QByteArray("\"a\",1\r\"b\",2\r")
                                  << Records{{u"a"_s, 1}, {u"b"_s, 2}};
    QTest::newRow("no line end after the last record")
        << QByteArray("\"a\",1\r\n\"b\",2") << Records{{u"a"_s, 1}, {u"b"_s, 2}};
    QTest::newRow("empty lines at the end")
        << QByteArray("\"a\",1\r\n\r\n\n \r\n\r") << Records{{u"a"_s, 1}};
    QTest::newRow("only empty lines") << QByteArray("\r\n\r\n") << Records{};
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF\"\xC3\xA9\",1\r\n") << Records{{u"\u00e9"_s, 1}};
}

void TestDataFile::readsOtherForms()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Records, expected);
    const Contents contents = verimetra::readDataFile(bytes);
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    QCOMPARE(contents.errorLine(), 0);
    compareRecords(contents.value(), expected);
}

void TestDataFile::refusesBadRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason"); // a part of it

    const QByteArray two("\"a\",1\r\n\"b\",2\r\n"); // two good lines before the bad one
    QTest::newRow("not a number") << two + "\"c\",abc\r\n\"d\",4\r\n" << 3 << u"not a number"_s;
    QTest::newRow("empty line in the middle") << two + "\r\n\"d\",4\r\n" << 3 << u"empty"_s;
    QTest::newRow("blank line in the middle") << two + "  \r\n\"d\",4\r\n" << 3 << u"empty"_s;
    QTest::newRow("nan") << two + "\"c\",nan\r\n" << 3 << u"not a number"_s;
    QTest::newRow("inf") << two + "\"c\",-inf\r\n" << 3 << u"not a number"_s;
    QTest::newRow("hexadecimal") << two + "\"c\",0x10\r\n" << 3 << u"not a number"_s;
    QTest::newRow("comma decimal") << two + "\"c\",3,57\r\n" << 3 << u"more than two fields"_s;
    QTest::newRow("too large") << two + "\"c\",1e400\r\n" << 3 << u"out of range"_s;
    QTest::newRow("too small") << two + "\"c\",1e-400\r\n" << 3 << u"out of range"_s;
    QTest::newRow("exponent without digits") << two + "\"c\",1E+\r\n" << 3 << u"not a number"_s;
    QTest::newRow("sign alone") << two + "\"c\",-\r\n" << 3 << u"not a number"_s;
    QTest::newRow("period alone") << two + "\"c\",.\r\n" << 3 << u"not a number"_s;
    QTest::newRow("two periods") << two + "\"c\",1.2.3\r\n" << 3 << u"not a number"_s;
    QTest::newRow("blank inside the number") << two + "\"c\",- 1\r\n" << 3 << u"not a number"_s;
    QTest::newRow("area missing") << two + "\"c\",\r\n" << 3 << u"area is missing"_s;
    QTest::newRow("comma missing") << two + "\"c\" 1\r\n" << 3 << u"after the closing quote"_s;
    QTest::newRow("name alone") << two + "\"c\"\r\n\"d\",4\r\n" << 3 << u"no comma"_s;
    QTest::newRow("unquoted name alone") << two + "c\r\n" << 3 << u"no comma"_s;
    QTest::newRow("extra field") << two + "\"c\",1,2\r\n" << 3 << u"more than two fields"_s;
    QTest::newRow("NUL in the name") << two + QByteArray("\"c\0\",1\r\n", 9) << 3 << u"NUL"_s;
    QTest::newRow("NUL after the area") << two + QByteArray("\"c\",1\0\r\n", 9) << 3 << u"NUL"_s;
    QTest::newRow("no closing quote") << two + "\"c,1\r\nd,4\r\n" << 3 << u"no closing quote"_s;
    QTest::newRow("first record bad") << QByteArray("x\r\n") << 1 << u"no comma"_s;
    QTest::newRow("line count after a name with line breaks")
        << QByteArray("\"a\r\nb\nc\rd\",1\r\n\"e\",x\r\n") << 5 << u"not a number"_s;
    QTest::newRow("line count with LF line ends")
        << QByteArray("\"a\",1\n\"b\",2\n\"c\",\n") << 3 << u"area is missing"_s;
    QTest::newRow("line count with CR line ends")
        << QByteArray("\"a\",1\r\"b\",x\r") << 2 << u"not a number"_s;
}

void TestDataFile::refusesBadRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const Contents contents = verimetra::readDataFile(bytes);
    QVERIFY(!contents.ok());
    QCOMPARE(contents.errorLine(), line);
    QVERIFY2(contents.error().contains(reason), qPrintable(contents.error()));
    QVERIFY(contents.value().isEmpty());
}

void TestDataFile::readsWindows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Records>("expected");

    QTest::newRow("accented names")
        << QByteArray("\"Feuille \xE9t\xE9\",1.5\r\n\"Bl\xE4tter\",2\r\n")
        << Records{{u"Feuille \u00e9t\u00e9"_s, 1.5}, {u"Bl\u00e4tter"_s, 2}};
    QTest::newRow("0x80 to 0x9F") << QByteArray("\"\x80\x8A\x99\x9F\x81\",1\r\n")
                                  << Records{{u"\u20ac\u0160\u2122\u0178\u0081"_s, 1}};
    QTest::newRow("unquoted name") << QByteArray("caf\xE9,1\r\n") << Records{{u"caf\u00e9"_s, 1}};
    // One byte that is not UTF-8 makes the whole file Windows-1252.
    QTest::newRow("UTF-8 and Windows-1252 mixed")
        << QByteArray("\"\xC3\xA9\",1\r\n\"\xE9\",2\r\n")
        << Records{{u"\u00c3\u00a9"_s, 1}, {u"\u00e9"_s, 2}};
    QTest::newRow("overlong UTF-8 form")
        << QByteArray("\"\xC0\xA2\",1\r\n") << Records{{u"\u00c0\u00a2"_s, 1}};
}

void TestDataFile::readsWindows1252()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Records, expected);
    const Contents contents = verimetra::readDataFile(bytes);
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), expected);
}

void TestDataFile::roundTripsManyRows()
{
    Records records;
    for (int i = 0; i < 5000; ++i) {
        records.append({u"Leaf %1"_s.arg(i), i * 0.25 + 1.0 / 1024});
    }
    const Contents contents = verimetra::readDataFile(verimetra::writeDataFile(records));
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), records);
}

void TestDataFile::saveReplacesContent()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"results.txt"_s);
    QVERIFY(writeFile(path, "old content that is longer than the new one\r\n"));

    const Records records{{u"Leaf, 1"_s, 3.57}, {u"Leaf \"2\""_s, 0.5}};
    QVERIFY(verimetra::saveDataFile(path, records).ok());
    QCOMPARE(readFile(path), verimetra::writeDataFile(records));

    const Contents contents = verimetra::loadDataFile(path);
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), records);

    QVERIFY(verimetra::saveDataFile(path, {}).ok());
    QCOMPARE(readFile(path), QByteArray());
}

void TestDataFile::saveFailureKeepsFiles_data()
{
    filechecks::addWriteFailureRows(u".txt"_s);
}

void TestDataFile::saveFailureKeepsFiles()
{
    QFETCH(QString, target);
    filechecks::checkFailedWriteKeepsFiles(target, u".txt"_s, verimetra::saveDataFile,
                                           verimetra::writeDataFile);
}

void TestDataFile::loadReportsFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("missing file") << u"missing"_s << 0 << QString();
    QTest::newRow("a folder") << u"folder"_s << 0 << QString();
    QTest::newRow("too large") << u"large"_s << 0 << u"larger than 64 MiB"_s;
    QTest::newRow("256 MiB of short records") << u"huge"_s << 0 << u"larger than 64 MiB"_s;
    QTest::newRow("a pipe") << u"pipe"_s << 0 << u"it is not a file"_s;
    QTest::newRow("more records than a table holds")
        << u"many"_s << 1'000'001 << u"line 1000001: the file holds more than 1000000 records"_s;
    QTest::newRow("bad record") << u"bad"_s << 2 << u"line 2: the area is not a number"_s;
}

void TestDataFile::loadReportsFailures()
{
    QFETCH(QString, kind);
    QFETCH(int, line);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"results.txt"_s);
    if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(u"results.txt"_s));
    } else if (kind == u"large") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("\"a\",1\r\n") == 7);
        QVERIFY(file.resize(verimetra::MaxDataFileBytes + 1)); // sparse: takes no space
    } else if (kind == u"huge") {
        // Records of eight bytes all the way: read, they would take gigabytes.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray chunk;
        for (int i = 0; i < 1024 * 1024 / 8; ++i) {
            chunk += "\"a\",12\r\n";
        }
        for (int i = 0; i < 256; ++i) {
            QCOMPARE(file.write(chunk), chunk.size());
        }
    } else if (kind == u"pipe") {
        // A pipe that nobody writes to: opening it would wait for ever.
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"many") {
        QByteArray bytes;
        for (int i = 0; i <= verimetra::MaxDataFileRecords; ++i) {
            bytes += "\"\",1\n";
        }
        QVERIFY(writeFile(path, bytes));
    } else if (kind == u"bad") {
        QVERIFY(writeFile(path, "\"a\",1\r\n\"b\",x\r\n"));
    }

    const Contents contents = verimetra::loadDataFile(path);
    QVERIFY(!contents.ok());
    QVERIFY(contents.value().isEmpty());
    QCOMPARE(contents.errorLine(), line);
    QVERIFY2(contents.error().contains(QDir::toNativeSeparators(path)),
             qPrintable(contents.error()));
    QVERIFY2(contents.error().contains(mentions), qPrintable(contents.error()));
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
