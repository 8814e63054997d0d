// Fuzzes the CSV file reader and writer.
// For any bytes, readCsvFile() gives either records or an error with its line,
// never both, and every number it reads is finite. Records written back and read
// again come back equal, every number bit for bit, and writing them once more
// gives the same bytes.

#include "fuzz/LeakRoots.h"
#include "fuzz/ReadChecks.h"
#include "results/CsvFile.h"

#include <QByteArray>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using Contents = verimetra::Result<QList<verimetra::ResultRecord>>;
using verimetra::ResultRecord;

constexpr const char* Target = "fuzz_csvfile";

void check(bool condition, const char* what, qsizetype index = -1)
{
    fuzzcheck::check(Target, condition, what, index);
}

std::array<double, 12> numbersOf(const ResultRecord& record)
{
    const verimetra::LeafValues& leaf = record.leaf;
    return {record.area,
            leaf.holesArea,
            leaf.filledArea,
            leaf.holesPercent,
            leaf.perimeter,
            leaf.length,
            leaf.width,
            leaf.centroidX,
            leaf.centroidY,
            leaf.specksArea,
            record.provenance.pixelsPerUnit,
            record.provenance.knownLength};
}

// Equal, and every number bit for bit (operator== takes -0 for 0).
bool same(const ResultRecord& a, const ResultRecord& b)
{
    const std::array<double, 12> x = numbersOf(a);
    const std::array<double, 12> y = numbersOf(b);
    return a == b && std::memcmp(x.data(), y.data(), sizeof(double) * x.size()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const KeepMainThreadRootsAtEnd keepRoots;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Contents first = verimetra::readCsvFile(bytes);
    fuzzcheck::checkReadShape(Target, first, bytes);
    if (!first.ok()) {
        return 0;
    }
    const QList<ResultRecord>& records = first.value();
    for (qsizetype i = 0; i < records.size(); ++i) {
        for (const double number : numbersOf(records[i])) {
            check(std::isfinite(number), "a number that is not finite", i);
        }
    }

    const QByteArray written = verimetra::writeCsvFile(records);
    check(verimetra::isCsvFile(written), "what writeCsvFile wrote is not told as a CSV file");
    const Contents second = verimetra::readCsvFile(written);
    fuzzcheck::checkReadShape(Target, second, written);
    check(second.ok(), "what writeCsvFile wrote cannot be read");
    check(second.value().size() == records.size(), "the round trip changed the record count");
    for (qsizetype i = 0; i < records.size(); ++i) {
        check(same(second.value()[i], records[i]), "the round trip changed a record", i);
    }
    check(verimetra::writeCsvFile(second.value()) == written,
          "writing what was read back gives other bytes");
    return 0;
}
