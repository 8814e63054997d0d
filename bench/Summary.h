#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace verimetra::bench {

enum class GoalKind
{
    None,           // shown for comparison only
    TimesFloor,     // at most `limit` times the floor pass of the same size
    TimesReference, // at most `limit` times the benchmark named `reference`
    ShowReference,  // no goal; its ratio to `reference` is shown
    Under           // less than `limit` seconds
};

// One line of the summary table printed after the run.
struct SummaryRow
{
    std::string benchmark; // the registered benchmark name
    std::string operation;
    std::string size;
    std::string floorBenchmark; // the floor of the same size; empty for none
    GoalKind goal = GoalKind::None;
    double limit = 0;
    std::string reference;      // for TimesReference
    std::string referenceLabel; // how the table names the reference ("decode")
    int section = 0;            // the table lists sections in order, rows as added
};

void addSummaryRow(SummaryRow row);

// Mean seconds per iteration that a benchmark measured in its latest run, kept so
// that later benchmarks can report their ratio to it as a counter.
void recordTime(const std::string& benchmark, double seconds);
std::optional<double> recordedTime(const std::string& benchmark);

// The console output, and the mean real (or manual) time per iteration of every
// benchmark that ran, for the summary.
class CollectingReporter : public benchmark::ConsoleReporter
{
public:
    using ConsoleReporter::ConsoleReporter;
    void ReportRuns(const std::vector<Run>& runs) override;
    const std::map<std::string, double>& times() const { return m_times; }

private:
    std::map<std::string, double> m_times;
};

// "operation | size | time | ratio to floor | goal | against goal | met?" as a
// Markdown table, then how many goals were met. Rows whose benchmark did not run
// are left out. Times are the reported means, or what a benchmark recorded for itself
// (recordTime) where it did.
void printSummary(const std::map<std::string, double>& reported, std::FILE* out);

// 1.23 µs, 45.6 ms, 1.20 s.
std::string formatSeconds(double seconds);

} // namespace verimetra::bench
