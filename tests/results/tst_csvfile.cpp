#include "results/CsvFile.h"
#include "results/DataFile.h"

#include "FileWriteChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <bit>
#include <cfloat>
#include <limits>

using Contents = verimetra::Result<QList<verimetra::ResultRecord>>;
using verimetra::Provenance;
using verimetra::ResultRecord;

using namespace Qt::StringLiterals;

using Records = QList<ResultRecord>;

namespace {

QByteArray bitsText(double value)
{
    return QByteArray::number(value, 'g', 17) + " (bits " +
           QByteArray::number(std::bit_cast<quint64>(value), 16) + ')';
}

// The first field in which two records differ, numbers bit for bit (-0 is not 0);
// empty when there is none.
QByteArray difference(const ResultRecord& a, const ResultRecord& b)
{
    const auto text = [](const QString& s) { return '"' + s.toUtf8() + '"'; };
    if (a.name != b.name) {
        return "name " + text(a.name) + ", expected " + text(b.name);
    }
    const std::pair<const char*, std::pair<double, double>> numbers[] = {
        {"area", {a.area, b.area}},
        {"holes_area", {a.leaf.holesArea, b.leaf.holesArea}},
        {"filled_area", {a.leaf.filledArea, b.leaf.filledArea}},
        {"holes_percent", {a.leaf.holesPercent, b.leaf.holesPercent}},
        {"perimeter", {a.leaf.perimeter, b.leaf.perimeter}},
        {"length", {a.leaf.length, b.leaf.length}},
        {"width", {a.leaf.width, b.leaf.width}},
        {"centroid_x", {a.leaf.centroidX, b.leaf.centroidX}},
        {"centroid_y", {a.leaf.centroidY, b.leaf.centroidY}},
        {"specks_area", {a.leaf.specksArea, b.leaf.specksArea}},
        {"pixels_per_unit", {a.provenance.pixelsPerUnit, b.provenance.pixelsPerUnit}},
        {"known_length", {a.provenance.knownLength, b.provenance.knownLength}}};
    for (const auto& [column, values] : numbers) {
        if (std::bit_cast<quint64>(values.first) != std::bit_cast<quint64>(values.second)) {
            return QByteArray(column) + ' ' + bitsText(values.first) + ", expected " +
                   bitsText(values.second);
        }
    }
    const std::pair<const char*, std::pair<qint64, qint64>> wholes[] = {
        {"leaf", {a.leaf.leaf, b.leaf.leaf}},
        {"touches_edge", {a.leaf.touchesEdge, b.leaf.touchesEdge}},
        {"specks", {a.leaf.specks, b.leaf.specks}},
        {"threshold", {a.provenance.threshold, b.provenance.threshold}}};
    for (const auto& [column, values] : wholes) {
        if (values.first != values.second) {
            return QByteArray(column) + ' ' + QByteArray::number(values.first) + ", expected " +
                   QByteArray::number(values.second);
        }
    }
    const Provenance& p = a.provenance;
    const Provenance& q = b.provenance;
    if (p.imageFile != q.imageFile) {
        return "image_file " + text(p.imageFile) + ", expected " + text(q.imageFile);
    }
    if (p.unit != q.unit) {
        return "unit " + text(p.unit) + ", expected " + text(q.unit);
    }
    if (p.programVersion != q.programVersion) {
        return "program_version " + text(p.programVersion) + ", expected " + text(q.programVersion);
    }
    if (p.region != q.region) {
        const auto rect = [](const QRect& r) {
            return QByteArray::number(r.left()) + ',' + QByteArray::number(r.top()) + " to " +
                   QByteArray::number(r.right()) + ',' + QByteArray::number(r.bottom()) +
                   (r.isNull() ? " (null)" : "");
        };
        return "region " + rect(p.region) + ", expected " + rect(q.region);
    }
    if (p.measuredAt != q.measuredAt) {
        return "measured_at " + p.measuredAt.toString(Qt::ISODateWithMs).toUtf8() + ", expected " +
               q.measuredAt.toString(Qt::ISODateWithMs).toUtf8();
    }
    if (!(a == b)) {
        return "operator== tells them apart";
    }
    return {};
}

void compareRecords(const Records& actual, const Records& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const QByteArray differs = difference(actual[i], expected[i]);
        QVERIFY2(differs.isEmpty(), "record " + QByteArray::number(i + 1) + ": " + differs);
    }
}

// A leaf's row with every value set, measured on 11 December 2026 at 16:30 UTC.
ResultRecord measuredLeaf(const QString& name, double area)
{
    ResultRecord record(name, area);
    record.leaf = {2, 0.25, area + 0.25, 6.25, 7.5, 3.25, 1.5, 12.125, 40.0625, true, 4, 0.002};
    record.provenance.imageFile = u"/scans/plot 7/leaves.png"_s;
    record.provenance.unit = u"cm"_s;
    record.provenance.pixelsPerUnit = 118.11023622047244;
    record.provenance.knownLength = 10;
    record.provenance.threshold = 300;
    record.provenance.region = QRect(5, 6, 1000, 800);
    record.provenance.measuredAt = QDateTime(QDate(2026, 12, 11), QTime(16, 30, 0, 123), Qt::UTC);
    record.provenance.programVersion = u"1.0.0"_s;
    return record;
}

ResultRecord withTime(ResultRecord record, const QDateTime& time)
{
    record.provenance.measuredAt = time;
    return record;
}

// The columns of the files the failure cases are made of, and a record of them
// with the given fields set: by default named "c", of area 1, nothing else.
const QList<QByteArray> someColumns{"name",         "area",       "leaf",         "holes_area",
                                    "touches_edge", "specks",     "measured_at",  "threshold",
                                    "region_left",  "region_top", "region_right", "region_bottom"};

QByteArray someHeader()
{
    return someColumns.join(',') + "\r\n";
}

QByteArray someRecord(std::initializer_list<std::pair<QByteArray, QByteArray>> fields)
{
    QList<QByteArray> values(someColumns.size());
    values[0] = "c";
    values[1] = "1";
    for (const auto& [column, value] : fields) {
        values[someColumns.indexOf(column)] = value;
    }
    return values.join(',') + "\r\n";
}

using filechecks::readFile;
using filechecks::writeFile;

} // namespace

class TestCsvFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesExactBytes();
    void roundTrips_data();
    void roundTrips();
    void writesTimesWithTheirOffset_data();
    void writesTimesWithTheirOffset();
    void readsOtherWriters_data();
    void readsOtherWriters();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void refusesTooManyRecords();
    void tellsCsvFromClassicFiles_data();
    void tellsCsvFromClassicFiles();
    void exportReplacesContent();
    void exportFailureKeepsFiles_data();
    void exportFailureKeepsFiles();
    void loadDataFileReadsCsv();
};

void TestCsvFile::writesExactBytes()
{
    ResultRecord leaf(u"Leaf 1 "_s, 3.57);
    leaf.leaf = {1, 0.1, 3.67, 2.5, 7.25, 2.5, 1.5, 10.125, -0.0, true, 3, 1e-5};
    leaf.provenance = {
        u"scan, 1.png"_s,
        u"cm"_s,
        118.11023622047244,
        10,
        300,
        QRect(10, 20, 100, 50),
        QDateTime(QDate(2026, 12, 11), QTime(16, 30, 0, 123), Qt::OffsetFromUTC, 3600),
        u"1.0.0"_s};
    const ResultRecord plain(u" say \"hi\""_s, 1e20);

    QCOMPARE(
        verimetra::writeCsvFile({leaf, plain}),
        QByteArray("number,name,image_file,leaf,area,unit,holes_area,filled_area,"
                   "holes_percent,perimeter,length,width,centroid_x,centroid_y,touches_edge,"
                   "specks,specks_area,pixels_per_unit,known_length,threshold,region_left,"
                   "region_top,region_right,region_bottom,measured_at,program_version\r\n"
                   "1,\"Leaf 1 \",\"scan, 1.png\",1,3.57,cm,0.1,3.67,2.5,7.25,2.5,1.5,10.125,-0,"
                   "yes,3,1e-05,118.11023622047244,10,300,10,20,109,69,"
                   "2026-12-11T16:30:00.123+01:00,1.0.0\r\n"
                   "2,\" say \"\"hi\"\"\",,,1e+20") +
            QByteArray(21, ',') + "\r\n");
}

void TestCsvFile::roundTrips_data()
{
    QTest::addColumn<Records>("records");

    const ResultRecord leaf = measuredLeaf(u"Leaf 1"_s, 3.57);
    ResultRecord unmeasuredLeaf(u"Leaf 2"_s, 2);
    unmeasuredLeaf.leaf = leaf.leaf;
    ResultRecord measuredPicture = leaf;
    measuredPicture.leaf = {};
    ResultRecord unconverted = leaf;
    unconverted.provenance.threshold = Provenance::NoThreshold;
    unconverted.provenance.region = QRect();
    ResultRecord texts = leaf;
    texts.provenance.imageFile = u" C:\\Scans\\a,\"b\"\r\n.tif "_s;
    texts.provenance.unit = u"\u00b5m"_s;
    texts.provenance.programVersion = QString();

    QTest::newRow("empty table") << Records{};
    QTest::newRow("leaf and other rows, measured or not")
        << Records{leaf, unmeasuredLeaf, measuredPicture, {u"from a classic file"_s, 1.5}};
    QTest::newRow("no threshold, no region, odd texts") << Records{unconverted, texts};

    const QString names[] = {u""_s,
                             u"NA"_s,
                             u"a, b,"_s,
                             u"\"a\" \"\"b\""_s,
                             u"\""_s,
                             u"a\r\nb\nc\rd"_s,
                             u"\r"_s,
                             u"  a "_s,
                             u"\ta\t"_s,
                             u"Feuille \u00e9t\u00e9 \u8449 \U0001F343"_s,
                             u"\uFEFFstarts with U+FEFF"_s,
                             u"number,name,area"_s};
    Records named;
    for (const QString& name : names) {
        named.append(measuredLeaf(name, 1));
        named.append({name, 2});
    }
    QTest::newRow("names") << named;

    Records areas;
    for (const double area : {0.1, 0.1 + 0.2, 1e-300, 1e300, -0.0, 0.0, -2.25, DBL_MAX, -DBL_MAX,
                              std::numeric_limits<double>::denorm_min(), 123456789012345680.0}) {
        areas.append({u"plain"_s, area});
        areas.append(measuredLeaf(u"leaf"_s, area));
    }
    QTest::newRow("areas") << areas;

    const QDate day(2026, 12, 11);
    const QTime time(16, 30, 0, 123);
    QTest::newRow("times of every kind") << Records{
        withTime(leaf, QDateTime(day, time)), withTime(leaf, QDateTime(day, time, Qt::UTC)),
        withTime(leaf, QDateTime(day, time, Qt::OffsetFromUTC, -(9 * 3600 + 1800))),
        withTime(leaf, QDateTime(day, time, QTimeZone(5 * 3600 + 1800))),
        withTime(leaf, QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC))};
}

void TestCsvFile::roundTrips()
{
    QFETCH(Records, records);
    const QByteArray written = verimetra::writeCsvFile(records);
    const Contents contents = verimetra::readCsvFile(written);
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), records);
    QCOMPARE(verimetra::writeCsvFile(contents.value()), written);
}

void TestCsvFile::writesTimesWithTheirOffset_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text"); // empty: any offset, as the local time has it

    const QDate day(2026, 12, 11);
    const QTime time(16, 30, 0, 123);
    QTest::newRow("local") << QDateTime(day, time) << QString();
    QTest::newRow("local in summer") << QDateTime(QDate(2026, 7, 1), time) << QString();
    QTest::newRow("UTC") << QDateTime(day, time, Qt::UTC) << u"2026-12-11T16:30:00.123Z"_s;
    QTest::newRow("offset") << QDateTime(day, time, Qt::OffsetFromUTC, -(9 * 3600 + 1800))
                            << u"2026-12-11T16:30:00.123-09:30"_s;
    QTest::newRow("time zone") << QDateTime(day, QTime(16, 30), QTimeZone(5 * 3600 + 1800))
                               << u"2026-12-11T16:30:00.000+05:30"_s;
}

void TestCsvFile::writesTimesWithTheirOffset()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    const QByteArray written = verimetra::writeCsvFile({withTime(measuredLeaf(u"a"_s, 1), time)});
    const QList<QByteArray> fields = written.split('\n').at(1).trimmed().split(',');
    const QString measuredAt = QString::fromLatin1(fields.at(fields.size() - 2));
    if (text.isEmpty()) {
        static const QRegularExpression withOffset(
            u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"_s);
        QVERIFY2(withOffset.match(measuredAt).hasMatch(), qPrintable(measuredAt));
    } else {
        QCOMPARE(measuredAt, text);
    }
    const QDateTime read = QDateTime::fromString(measuredAt, Qt::ISODateWithMs);
    QCOMPARE(read, time);
}

void TestCsvFile::readsOtherWriters_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Records>("expected");

    const QDateTime noon(QDate(2026, 12, 11), QTime(12, 0), Qt::UTC);
    ResultRecord leafOne(u"Leaf, 1"_s, 3.57);
    leafOne.leaf.leaf = 1;
    leafOne.leaf.touchesEdge = true;
    leafOne.leaf.specks = 3;
    leafOne.provenance.measuredAt = noon;
    leafOne.provenance.unit = u"cm"_s;

    // write.csv(): row names first, texts quoted, NA for what is missing, TRUE and
    // FALSE for a logical column, 15 significant digits, LF.
    QTest::newRow("R")
        << QByteArray("\"\",\"number\",\"name\",\"leaf\",\"area\",\"unit\",\"touches_edge\","
                      "\"specks\",\"threshold\",\"measured_at\"\n"
                      "\"1\",1,\"Leaf, 1\",1,3.57,\"cm\",TRUE,3,NA,\"2026-12-11T12:00:00.000Z\"\n"
                      "\"2\",2,\"whole picture\",NA,1e+05,\"\",NA,NA,NA,\"\"\n")
        << Records{leafOne, {u"whole picture"_s, 1e5}};

    // to_csv(): an index column without a name, whole numbers as 1.0 in a column
    // with empty fields, repr() of doubles, LF; with encoding="utf-8-sig" a BOM.
    ResultRecord leafTwo(u"Blatt \u00e4"_s, 0.1);
    leafTwo.leaf.leaf = 2;
    leafTwo.leaf.holesArea = 1e-5;
    leafTwo.leaf.specks = 12;
    leafTwo.provenance.measuredAt = noon.toOffsetFromUtc(3600);
    leafTwo.provenance.threshold = 250;
    leafTwo.provenance.region = QRect(QPoint(0, 1), QPoint(99, 199));
    QTest::newRow("pandas")
        << QByteArray("\xEF\xBB\xBF,number,name,leaf,area,holes_area,touches_edge,specks,"
                      "threshold,region_left,region_top,region_right,region_bottom,measured_at\n"
                      "0,1,Blatt \xC3\xA4,2.0,0.1,1e-05,False,12.0,250.0,0.0,1.0,99.0,199.0,"
                      "2026-12-11T13:00:00.000+01:00\n"
                      "1,2,other,,-0.0,,,,,,,,,\n")
        << Records{leafTwo, {u"other"_s, -0.0}};

    // A spreadsheet's columns in its own order, every field quoted, CR LF, no line
    // end after the last record.
    ResultRecord leafThree(u"c"_s, 3.5);
    leafThree.leaf.leaf = 3;
    leafThree.leaf.holesArea = 0.25;
    QTest::newRow("spreadsheet") << QByteArray("\"area\",\"name\",\"leaf\",\"holes_area\"\r\n"
                                               "\"3.5\",\"c\",\"3\",\"0.25\"\r\n"
                                               "\"4\",\"d\",\"\",\"\"")
                                 << Records{leafThree, {u"d"_s, 4}};

    QTest::newRow("header alone") << QByteArray("name,area\r\n") << Records{};
    QTest::newRow("header alone without line end") << QByteArray("area,name") << Records{};
    QTest::newRow("empty lines at the end")
        << QByteArray("name,area\r\na,1\r\n\r\n\n \r\n") << Records{{u"a"_s, 1}};
    QTest::newRow("CR line ends") << QByteArray("name,area\ra,1\rb,2\r")
                                  << Records{{u"a"_s, 1}, {u"b"_s, 2}};
    QTest::newRow("unknown columns, one of them twice")
        << QByteArray("x,name,x,area,Name\r\n1,a,2,1.5,b\r\n") << Records{{u"a"_s, 1.5}};
    QTest::newRow("blanks around numbers, a quote inside an unquoted name")
        << QByteArray("name,area\r\n  a\"b , 2.5 \r\n") << Records{{u"  a\"b "_s, 2.5}};

    ResultRecord yes(u"y"_s, 1);
    yes.leaf.leaf = 1;
    yes.leaf.touchesEdge = true;
    ResultRecord no = yes;
    no.name = u"n"_s;
    no.leaf.touchesEdge = false;
    QTest::newRow("touches_edge words")
        << QByteArray("name,area,leaf,touches_edge\r\ny,1,1,yes\r\ny,1,1,TRUE\r\ny,1,1,true\r\n"
                      "y,1,1,1\r\ny,1,1,Yes\r\nn,1,1,no\r\nn,1,1,FALSE\r\nn,1,1,0\r\nn,1,1,\r\n")
        << Records{yes, yes, yes, yes, yes, no, no, no, no};

    // Without a leaf number the leaf's values are not read, without a time the
    // measurement's details neither, whatever they hold.
    QTest::newRow("values of no leaf, details of no measurement")
        << QByteArray("name,area,leaf,holes_area,touches_edge,image_file,threshold,measured_at\r\n"
                      "a,1,,x,maybe,scan.png,x,\r\n"
                      "b,2,NA,x,maybe,scan.png,x,NA\r\n")
        << Records{{u"a"_s, 1}, {u"b"_s, 2}};
}

void TestCsvFile::readsOtherWriters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Records, expected);
    const Contents contents = verimetra::readCsvFile(bytes);
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    QCOMPARE(contents.errorLine(), 0);
    compareRecords(contents.value(), expected);
}

void TestCsvFile::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason"); // a part of it

    const QByteArray start = someHeader() + someRecord({}); // two good lines
    const auto bad = [&start](std::initializer_list<std::pair<QByteArray, QByteArray>> fields) {
        return start + someRecord(fields) + someRecord({});
    };
    const QByteArray leaf = "1";
    const QByteArray time = "2026-12-11T16:30:00.000Z";

    QTest::newRow("area not a number")
        << bad({{"area", "abc"}}) << 3 << u"column \"area\" is not a number"_s;
    QTest::newRow("area empty") << bad({{"area", ""}}) << 3 << u"\"area\" is missing"_s;
    QTest::newRow("area NA") << bad({{"area", "NA"}}) << 3 << u"\"area\" is missing"_s;
    QTest::newRow("area inf") << bad({{"area", "inf"}}) << 3 << u"\"area\" is not a number"_s;
    QTest::newRow("area nan") << bad({{"area", "NaN"}}) << 3 << u"\"area\" is not a number"_s;
    QTest::newRow("area too large") << bad({{"area", "1e400"}}) << 3 << u"out of range"_s;
    QTest::newRow("comma decimal")
        << bad({{"area", "\"3,5\""}}) << 3 << u"\"area\" is not a number"_s;
    QTest::newRow("leaf 0") << bad({{"leaf", "0"}}) << 3 << u"\"leaf\" is not a whole number"_s;
    QTest::newRow("leaf 1.5") << bad({{"leaf", "1.5"}}) << 3 << u"not a whole number"_s;
    QTest::newRow("leaf too large") << bad({{"leaf", "1e12"}}) << 3 << u"not a whole number"_s;
    QTest::newRow("leaf not a number") << bad({{"leaf", "one"}}) << 3 << u"not a number"_s;
    QTest::newRow("leaf's holes_area")
        << bad({{"leaf", leaf}, {"holes_area", "x"}}) << 3 << u"\"holes_area\" is not a number"_s;
    QTest::newRow("leaf's touches_edge")
        << bad({{"leaf", leaf}, {"touches_edge", "maybe"}}) << 3 << u"neither yes nor no"_s;
    QTest::newRow("leaf's specks")
        << bad({{"leaf", leaf}, {"specks", "-1"}}) << 3 << u"\"specks\" is not a whole"_s;
    QTest::newRow("measured_at not a time")
        << bad({{"measured_at", "yesterday"}}) << 3 << u"not an ISO 8601 date and time"_s;
    QTest::newRow("threshold negative")
        << bad({{"measured_at", time}, {"threshold", "-1"}}) << 3 << u"\"threshold\""_s;
    QTest::newRow("region in part")
        << bad({{"measured_at", time}, {"region_left", "1"}, {"region_top", "1"}}) << 3
        << u"region needs all four"_s;
    QTest::newRow("region right of its left side") << bad({{"measured_at", time},
                                                           {"region_left", "10"},
                                                           {"region_top", "1"},
                                                           {"region_right", "9"},
                                                           {"region_bottom", "1"}})
                                                   << 3 << u"lies before"_s;
    QTest::newRow("fewer fields") << start + "c,1\r\n" << 3 << u"has 2 fields, the first line 12"_s;
    QTest::newRow("more fields") << start + someRecord({}).chopped(2) + ",x\r\n"
                                 << 3 << u"more fields than the first line (12)"_s;
    QTest::newRow("empty line in the middle") << start + "\r\n" + someRecord({}) << 3 << u"empty"_s;
    QTest::newRow("no closing quote")
        << start + "\"c,1\r\n" + someRecord({}) << 3 << u"no closing quote"_s;
    QTest::newRow("text after the closing quote")
        << start + "\"c\"d,1" + QByteArray(10, ',') + "\r\n"
        << 3 << u"after the closing quote"_s;
    QTest::newRow("line count after line breaks in quotes")
        << someHeader() + "\"a\r\nb\nc\rd\"" + someRecord({}).mid(1) + someRecord({{"area", "x"}})
        << 6 << u"not a number"_s;
    QTest::newRow("not UTF-8 in the name")
        << start + someRecord({{"name", "caf\xE9"}}) << 3 << u"not UTF-8"_s;
    QTest::newRow("not UTF-8 in a column not read")
        << QByteArray("name,area,note\r\na,1,\r\nb,2,\xC0\xAF\r\n") << 3 << u"not UTF-8"_s;
    QTest::newRow("no column name")
        << QByteArray("leaf,area\r\n1,2\r\n") << 1 << u"no column \"name\""_s;
    QTest::newRow("no column area")
        << QByteArray("\xEF\xBB\xBFnumber,name\r\n1,a\r\n") << 1 << u"no column \"area\""_s;
    QTest::newRow("column twice") << QByteArray("name,area,area\r\na,1,2\r\n") << 1
                                  << u"\"area\" twice"_s;
    QTest::newRow("a classic results file")
        << QByteArray("\"name\",3.5\r\n\"b\",1\r\n") << 1 << u"no column \"area\""_s;
    QTest::newRow("empty file") << QByteArray() << 1 << u"empty"_s;
    QTest::newRow("header with no closing quote")
        << QByteArray("name,\"area\r\n") << 1 << u"no closing quote"_s;
}

void TestCsvFile::refusesBadFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const Contents contents = verimetra::readCsvFile(bytes);
    QVERIFY(!contents.ok());
    QVERIFY(contents.value().isEmpty());
    QCOMPARE(contents.errorLine(), line);
    QVERIFY2(contents.error().contains(reason), qPrintable(contents.error()));
}

void TestCsvFile::refusesTooManyRecords()
{
    QByteArray bytes = "name,area\n";
    bytes.reserve(bytes.size() + 4 * (verimetra::MaxDataFileRecords + 1));
    for (qsizetype i = 0; i <= verimetra::MaxDataFileRecords; ++i) {
        bytes += "a,1\n";
    }
    const Contents contents = verimetra::readCsvFile(bytes);
    QVERIFY(!contents.ok());
    QVERIFY(contents.value().isEmpty());
    QCOMPARE(contents.errorLine(), verimetra::MaxDataFileRecords + 2);
    QVERIFY2(contents.error().contains(u"more than 1000000 records"_s),
             qPrintable(contents.error()));
}

void TestCsvFile::tellsCsvFromClassicFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("csv");

    QTest::newRow("export") << verimetra::writeCsvFile({{u"a"_s, 1}}) << true;
    QTest::newRow("export of no rows") << verimetra::writeCsvFile({}) << true;
    QTest::newRow("columns quoted, BOM, LF")
        << QByteArray("\xEF\xBB\xBF\"\",\"area\",\"name\"\n") << true;
    QTest::newRow("bad records after a good header") << QByteArray("name,area\nx\n") << true;
    QTest::newRow("classic file") << verimetra::writeDataFile({{u"leaf"_s, 3.57}}) << false;
    QTest::newRow("classic file of a leaf named name")
        << verimetra::writeDataFile({{u"name"_s, 3.5}, {u"area"_s, 1}}) << false;
    QTest::newRow("classic file of a leaf named name,area")
        << verimetra::writeDataFile({{u"name,area"_s, 3.5}}) << false;
    QTest::newRow("classic file without quotes") << QByteArray("name,3.5\r\n") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("semicolons") << QByteArray("name;area\r\na;1\r\n") << false;
    QTest::newRow("columns on the second line") << QByteArray("\r\nname,area\r\n") << false;
    QTest::newRow("no closing quote") << QByteArray("name,area,\"x\r\n") << false;
}

void TestCsvFile::tellsCsvFromClassicFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, csv);
    QCOMPARE(verimetra::isCsvFile(bytes), csv);
}

void TestCsvFile::exportReplacesContent()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"results.csv"_s);
    QVERIFY(writeFile(path, QByteArray(10000, 'x')));

    const Records records{measuredLeaf(u"Leaf, 1"_s, 3.57), {u"other"_s, 0.5}};
    QVERIFY(verimetra::exportCsvFile(path, records).ok());
    QCOMPARE(readFile(path), verimetra::writeCsvFile(records));
}

void TestCsvFile::exportFailureKeepsFiles_data()
{
    filechecks::addWriteFailureRows(u".csv"_s);
}

void TestCsvFile::exportFailureKeepsFiles()
{
    QFETCH(QString, target);
    filechecks::checkFailedWriteKeepsFiles(target, u".csv"_s, verimetra::exportCsvFile,
                                           verimetra::writeCsvFile);
}

void TestCsvFile::loadDataFileReadsCsv()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"results.csv"_s);
    ResultRecord unconverted = measuredLeaf(u"Leaf 2"_s, 0.5);
    unconverted.provenance.threshold = Provenance::NoThreshold;
    unconverted.provenance.region = QRect();
    const Records records{measuredLeaf(u"Leaf, 1"_s, 3.57), unconverted, {u"classic"_s, 1e-5}};
    QVERIFY(verimetra::exportCsvFile(path, records).ok());
    Contents contents = verimetra::loadDataFile(path);
    QVERIFY2(contents.ok(), qPrintable(contents.error()));
    compareRecords(contents.value(), records);

    QVERIFY(writeFile(path, "name,area\r\n\"a\r\nb\",1\r\nc,x\r\n"));
    contents = verimetra::loadDataFile(path);
    QVERIFY(!contents.ok());
    QVERIFY(contents.value().isEmpty());
    QCOMPARE(contents.errorLine(), 4);
    QVERIFY2(contents.error().contains(QDir::toNativeSeparators(path)),
             qPrintable(contents.error()));
    QVERIFY2(contents.error().contains(u"line 4: the value in column \"area\" is not a number."_s),
             qPrintable(contents.error()));
}

QTEST_GUILESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
