// Fuzzes the results file reader and writer.
// For any bytes, readDataFile() gives either records or an error with its line,
// never both. Records written back and read again come back the same: the names
// exactly, the areas to 15 significant digits; from the second round trip on,
// written bytes and read records no longer change.

#include "fuzz/LeakRoots.h"
#include "fuzz/ReadChecks.h"
#include "results/DataFile.h"

#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using Contents = verimetra::Result<QList<verimetra::ResultRecord>>;
using verimetra::ResultRecord;

constexpr const char* Target = "fuzz_datafile";

void check(bool condition, const char* what, qsizetype index = -1)
{
    fuzzcheck::check(Target, condition, what, index);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const KeepMainThreadRootsAtEnd keepRoots;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Contents first = verimetra::readDataFile(bytes);
    fuzzcheck::checkReadShape(Target, first, bytes);
    if (!first.ok()) {
        return 0;
    }
    const QList<ResultRecord>& records = first.value();
    for (qsizetype i = 0; i < records.size(); ++i) {
        check(std::isfinite(records[i].area), "an area that is not finite", i);
    }

    // First round trip: the names come back exactly, the areas to 15 digits.
    const QByteArray written = verimetra::writeDataFile(records);
    const Contents second = verimetra::readDataFile(written);
    fuzzcheck::checkReadShape(Target, second, written);
    check(second.ok(), "what writeDataFile wrote cannot be read");
    check(second.value().size() == records.size(), "the round trip changed the record count");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const double before = records[i].area;
        const double after = second.value()[i].area;
        check(second.value()[i].name == records[i].name, "the round trip changed a name", i);
        if (before == 0) {
            check(sameBits(after, 0.0), "a zero area did not come back as 0", i);
        } else {
            check(std::fabs(after - before) <= std::fabs(before) * 1e-14,
                  "the round trip changed an area beyond 15 digits", i);
        }
    }

    // Second round trip: nothing changes any more, bit for bit.
    const QByteArray rewritten = verimetra::writeDataFile(second.value());
    check(rewritten == written, "writing what was read back gives other bytes");
    const Contents third = verimetra::readDataFile(rewritten);
    check(third.ok(), "the rewritten file cannot be read");
    check(third.value().size() == second.value().size(), "the second round trip changed the count");
    for (qsizetype i = 0; i < second.value().size(); ++i) {
        check(third.value()[i].name == second.value()[i].name, "a name changed on rereading", i);
        check(sameBits(third.value()[i].area, second.value()[i].area),
              "an area changed on rereading", i);
    }
    return 0;
}
