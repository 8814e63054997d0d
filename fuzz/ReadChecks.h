#pragma once

// What the fuzz targets of the results files check of any read, and how a target
// reports a property it found violated.

#include "core/Result.h"
#include "results/ResultRecord.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

// Reports that `target` found `what` violated (at record `index`, when not -1) and
// stops the run, so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* target, const char* what, qsizetype index = -1)
{
    std::fprintf(stderr, "%s: property violated: %s", target, what);
    if (index >= 0) {
        std::fprintf(stderr, " (record %lld)", static_cast<long long>(index));
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

inline void check(const char* target, bool condition, const char* what, qsizetype index = -1)
{
    if (!condition) {
        fail(target, what, index);
    }
}

// Lines in a file: CR LF, LF and CR each end one; the text after the last break is
// a line too.
inline qsizetype lineCount(const QByteArray& bytes)
{
    qsizetype lines = 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++lines;
        } else if (bytes[i] == '\r') {
            ++lines;
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        }
    }
    return lines;
}

// A read gives either records or a reason with a line of the file, never both.
inline void checkReadShape(const char* target,
                           const verimetra::Result<QList<verimetra::ResultRecord>>& contents,
                           const QByteArray& bytes)
{
    if (contents.ok()) {
        check(target, contents.errorLine() == 0, "a file read whole has an error line");
    } else {
        check(target, contents.value().isEmpty(), "records and an error at once");
        check(target, !contents.error().isEmpty(), "an error without a reason");
        check(target, contents.errorLine() >= 1, "an error without a line (below 1)");
        check(target, contents.errorLine() <= lineCount(bytes),
              "an error line beyond the last line");
    }
}

} // namespace fuzzcheck
