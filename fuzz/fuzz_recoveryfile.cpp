// Fuzzes the recovery copy's reader and writer.
// For any bytes, readRecoveryFile() gives a whole copy or the reason, never a part:
// a copy it reads is written back to bytes that read as the same copy, and those
// bytes again to the same bytes.

#include "fuzz/LeakRoots.h"
#include "fuzz/ReadChecks.h"
#include "results/RecoveryFile.h"

#include <QByteArray>

#include <cstdint>

namespace {

constexpr const char* Target = "fuzz_recoveryfile";

void check(bool condition, const char* what)
{
    fuzzcheck::check(Target, condition, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const KeepMainThreadRootsAtEnd keepRoots;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const verimetra::Result<verimetra::RecoveryCopy> first = verimetra::readRecoveryFile(bytes);
    if (!first.ok()) {
        check(!first.error().isEmpty(), "a refusal without a reason");
        check(first.value().rows.isEmpty(), "rows and a refusal at once");
        return 0;
    }
    const QByteArray written = verimetra::writeRecoveryFile(first.value());
    const verimetra::Result<verimetra::RecoveryCopy> second = verimetra::readRecoveryFile(written);
    check(second.ok(), "what writeRecoveryFile wrote cannot be read");
    check(second.value() == first.value(), "the round trip changed the copy");
    check(verimetra::writeRecoveryFile(second.value()) == written,
          "writing what was read back gives other bytes");
    return 0;
}
