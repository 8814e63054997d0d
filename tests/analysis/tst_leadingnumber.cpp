#include "analysis/LeadingNumber.h"

#include <QString>
#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace verimetra;
using namespace Qt::StringLiterals;

class TestLeadingNumber : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void longDigitStrings();
};

void TestLeadingNumber::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    constexpr double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("1") << u"1"_s << 1.0;
    QTest::newRow("2.5") << u"2.5"_s << 2.5;
    QTest::newRow("10 cm") << u"10 cm"_s << 10.0;
    QTest::newRow("1 0") << u"1 0"_s << 10.0;
    QTest::newRow("1,5") << u"1,5"_s << 1.0;
    QTest::newRow("5E-1") << u"5E-1"_s << 0.5;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("abc") << u"abc"_s << 0.0;
    QTest::newRow("5D2") << u"5D2"_s << 500.0;
    QTest::newRow("5d-2 lower case") << u"5d-2"_s << 0.05;
    QTest::newRow("1.5e3") << u"1.5e3"_s << 1500.0;
    QTest::newRow("-3") << u"-3"_s << -3.0;
    QTest::newRow("+4") << u"+4"_s << 4.0;
    QTest::newRow(".5") << u".5"_s << 0.5;
    QTest::newRow("3.") << u"3."_s << 3.0;
    QTest::newRow("1.2.3") << u"1.2.3"_s << 1.2;
    QTest::newRow("padded") << u" 7 "_s << 7.0;
    QTest::newRow("1e") << u"1e"_s << 1.0;
    QTest::newRow("1e+") << u"1e+"_s << 1.0;
    QTest::newRow("1e5.5") << u"1e5.5"_s << 1e5;
    QTest::newRow("blanks in exponent") << u"1 e 2"_s << 100.0;
    QTest::newRow("sign alone") << u"-"_s << 0.0;
    QTest::newRow("period alone") << u"."_s << 0.0;
    QTest::newRow("exponent alone") << u"e5"_s << 0.0;
    QTest::newRow("two signs") << u"+-1"_s << 0.0;
    QTest::newRow("&H1F") << u"&H1F"_s << 31.0;
    QTest::newRow("&hff") << u"&hff"_s << 255.0;
    QTest::newRow("&O17") << u"&O17"_s << 15.0;
    QTest::newRow("&o18 stops at 8") << u"&o18"_s << 1.0;
    QTest::newRow("&H") << u"&H"_s << 0.0;
    QTest::newRow("&X1") << u"&X1"_s << 0.0;
    QTest::newRow("tab and line feed") << u"\t1\n2\t"_s << 12.0;
    QTest::newRow("carriage return ends") << u"1\r2"_s << 1.0;
    QTest::newRow("non-ASCII digit ends") << u"4\u0663"_s << 4.0;
    QTest::newRow("overflow") << u"1e999"_s << inf;
    QTest::newRow("negative overflow") << u"-2e400"_s << -inf;
    QTest::newRow("underflow") << u"1e-999"_s << 0.0;
}

void TestLeadingNumber::reads()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(std::bit_cast<std::uint64_t>(leadingNumber(text) + 0.0),
             std::bit_cast<std::uint64_t>(expected));
}

// Hundreds of digits: beyond the double range they read as infinity, and a long
// fraction or a long run of leading zeros still reads correctly.
void TestLeadingNumber::longDigitStrings()
{
    const QString nines(400, u'9');
    QCOMPARE(leadingNumber(nines), std::numeric_limits<double>::infinity());
    QCOMPARE(leadingNumber(QString(400, u'0') + u"25"_s), 25.0);
    QCOMPARE(leadingNumber(u"0."_s + QString(400, u'0') + u"1e401"_s), 1.0);
    QCOMPARE(leadingNumber(u"&H"_s + QString(300, u'F')), std::numeric_limits<double>::infinity());
    QCOMPARE(leadingNumber(u"1e"_s + QString(30, u'9')), std::numeric_limits<double>::infinity());
}

QTEST_GUILESS_MAIN(TestLeadingNumber)
#include "tst_leadingnumber.moc"
