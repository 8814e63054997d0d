#include "analysis/NumberText.h"

#include <QLocale>
#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace verimetra;
using namespace Qt::StringLiterals;

class TestNumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void display_data();
    void display();
    void displayUsesDefaultLocale();
    void rounding_data();
    void rounding();
    void roundingPassesNonFinite();
    void file_data();
    void file();
    void fileIgnoresLocale();
};

void TestNumberText::display_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");

    QTest::newRow("worked example") << 3.5700000000000003 << u"3.57"_s << u"3,57"_s;
    QTest::newRow("four decimals") << 6.3467 << u"6.3467"_s << u"6,3467"_s;
    QTest::newRow("zero") << 0.0 << u"0"_s << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s << u"0"_s;
    QTest::newRow("no grouping") << 1234567.5 << u"1234567.5"_s << u"1234567,5"_s;
    QTest::newRow("15 digits") << 0.1 + 0.2 << u"0.3"_s << u"0,3"_s;
    QTest::newRow("large") << 1e20 << u"1E+20"_s << u"1E+20"_s;
}

void TestNumberText::display()
{
    QFETCH(double, value);
    QFETCH(QString, english);
    QFETCH(QString, german);
    QCOMPARE(formatForDisplay(value, QLocale(QLocale::English, QLocale::UnitedStates)), english);
    QCOMPARE(formatForDisplay(value, QLocale(QLocale::German, QLocale::Germany)), german);
}

void TestNumberText::displayUsesDefaultLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(formatForDisplay(3.5700000000000003), u"3,57"_s);
}

void TestNumberText::rounding_data()
{
    QTest::addColumn<double>("area");
    QTest::addColumn<double>("expected");

    QTest::newRow("tie up to even") << 1.23455 << 1.2346;
    QTest::newRow("tie down to even") << 0.12345 << 0.1234;
    QTest::newRow("negative tie") << -0.12345 << -0.1234;
    QTest::newRow("worked example") << 3.5700000000000003 << 3.57;
    QTest::newRow("second scale") << 6.346666666666667 << 6.3467;
    QTest::newRow("half of last place") << 0.00005 << 0.0;
    QTest::newRow("below half") << 0.00004 << 0.0;
    QTest::newRow("past 32 bits") << 300000.12345678 << 300000.1235;
    QTest::newRow("large") << 1e12 << 1e12;
    QTest::newRow("huge") << 1e300 << 1e300;
}

void TestNumberText::rounding()
{
    QFETCH(double, area);
    QFETCH(double, expected);
    QCOMPARE(std::bit_cast<std::uint64_t>(roundToFourDecimals(area) + 0.0),
             std::bit_cast<std::uint64_t>(expected));
}

void TestNumberText::roundingPassesNonFinite()
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    QCOMPARE(roundToFourDecimals(inf), inf);
    QCOMPARE(roundToFourDecimals(-inf), -inf);
    QVERIFY(std::isnan(roundToFourDecimals(std::numeric_limits<double>::quiet_NaN())));
}

void TestNumberText::file_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("worked example") << 3.5700000000000003 << u"3.57"_s;
    QTest::newRow("half") << 0.5 << u"0.5"_s;
    QTest::newRow("negative half") << -0.5 << u"-0.5"_s;
    QTest::newRow("zero") << 0.0 << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("whole") << 42.0 << u"42"_s;
    QTest::newRow("no grouping") << 1234567.25 << u"1234567.25"_s;
    QTest::newRow("15 digits fixed") << 999999999999999.0 << u"999999999999999"_s;
    QTest::newRow("1E+15") << 1e15 << u"1E+15"_s;
    QTest::newRow("1E+20") << 1e20 << u"1E+20"_s;
    QTest::newRow("rounded to 15 digits") << 123456789012345678.0 << u"1.23456789012346E+17"_s;
    QTest::newRow("small fixed") << 0.0001 << u"0.0001"_s;
    QTest::newRow("1.5E-05") << 1.5e-5 << u"1.5E-05"_s;
    QTest::newRow("three exponent digits") << -2.5e-300 << u"-2.5E-300"_s;
}

void TestNumberText::file()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatForFile(value), text);
}

void TestNumberText::fileIgnoresLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(formatForFile(1234.5), u"1234.5"_s);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
