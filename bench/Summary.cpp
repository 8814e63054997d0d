#include "Summary.h"

#include <algorithm>
#include <cmath>

namespace verimetra::bench {

namespace {

std::vector<SummaryRow>& rows()
{
    static std::vector<SummaryRow> r;
    return r;
}

std::map<std::string, double>& recorded()
{
    static std::map<std::string, double> r;
    return r;
}

std::string formatNumber(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Three significant figures.
std::string formatScaled(double value, const char* unit)
{
    const int decimals = value >= 100 ? 0 : value >= 10 ? 1 : 2;
    return formatNumber(value, decimals) + " " + unit;
}

std::optional<double> lookup(const std::map<std::string, double>& times, const std::string& name)
{
    if (name.empty()) {
        return std::nullopt;
    }
    const auto it = times.find(name);
    if (it == times.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::string goalText(const SummaryRow& row)
{
    switch (row.goal) {
    case GoalKind::None:
    case GoalKind::ShowReference:
        return "-";
    case GoalKind::TimesFloor:
        return "<= " + formatNumber(row.limit, 1) + " x floor";
    case GoalKind::TimesReference:
        return "<= " + formatNumber(row.limit, 1) + " x " + row.referenceLabel;
    case GoalKind::Under:
        return "< " + formatSeconds(row.limit);
    }
    return "-";
}

} // namespace

void addSummaryRow(SummaryRow row)
{
    rows().push_back(std::move(row));
}

void recordTime(const std::string& benchmark, double seconds)
{
    recorded()[benchmark] = seconds;
}

std::optional<double> recordedTime(const std::string& benchmark)
{
    return lookup(recorded(), benchmark);
}

void CollectingReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
            m_times[run.run_name.function_name] =
                run.real_accumulated_time / double(run.iterations);
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

std::string formatSeconds(double seconds)
{
    if (seconds < 1e-3) {
        return formatScaled(seconds * 1e6, "us");
    }
    if (seconds < 1) {
        return formatScaled(seconds * 1e3, "ms");
    }
    return formatScaled(seconds, "s");
}

void printSummary(const std::map<std::string, double>& reported, std::FILE* out)
{
    // A benchmark's own recorded time (the median, for the few-iteration ones) takes
    // the place of the mean that was reported; the references recorded beside them
    // ("name#decode") are added.
    std::map<std::string, double> times = reported;
    for (const auto& [name, seconds] : recorded()) {
        const std::string::size_type mark = name.find('#');
        if (times.count(name.substr(0, mark)) != 0) {
            times[name] = seconds;
        }
    }

    std::vector<const SummaryRow*> ordered;
    for (const SummaryRow& row : rows()) {
        ordered.push_back(&row);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const SummaryRow* a, const SummaryRow* b) {
        return a->section < b->section;
    });

    int goals = 0;
    int met = 0;
    std::vector<std::string> missed;
    std::fprintf(out,
                 "\n| operation | size | time | ratio to floor | goal | against goal | met? |\n");
    std::fprintf(out, "|---|---|---|---|---|---|---|\n");
    for (const SummaryRow* row : ordered) {
        const std::optional<double> time = lookup(times, row->benchmark);
        if (!time) {
            continue;
        }
        const std::optional<double> floor = lookup(times, row->floorBenchmark);
        const std::string ratio = floor ? formatNumber(*time / *floor, 2) : "-";

        std::string against = "-";
        std::string verdict = "-";
        bool judged = false;
        bool ok = false;
        switch (row->goal) {
        case GoalKind::None:
            break;
        case GoalKind::TimesFloor:
            if (floor) {
                const double r = *time / *floor;
                against = formatNumber(r, 2) + " x floor";
                judged = true;
                ok = r <= row->limit;
            }
            break;
        case GoalKind::TimesReference:
            if (const std::optional<double> ref = lookup(times, row->reference)) {
                const double r = *time / *ref;
                against = formatNumber(r, 2) + " x " + row->referenceLabel + " (" +
                          formatSeconds(*ref) + ")";
                judged = true;
                ok = r <= row->limit;
            }
            break;
        case GoalKind::ShowReference:
            if (const std::optional<double> ref = lookup(times, row->reference)) {
                against = formatNumber(*time / *ref, 2) + " x " + row->referenceLabel;
            }
            break;
        case GoalKind::Under:
            against = formatSeconds(*time);
            judged = true;
            ok = *time < row->limit;
            break;
        }
        if (judged) {
            ++goals;
            met += ok ? 1 : 0;
            verdict = ok ? "yes" : "NO";
            if (!ok) {
                missed.push_back(row->operation + " (" + row->size + ")");
            }
        }
        std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s |\n", row->operation.c_str(),
                     row->size.c_str(), formatSeconds(*time).c_str(), ratio.c_str(),
                     goalText(*row).c_str(), against.c_str(), verdict.c_str());
    }
    std::fputs("\nTimes: the mean per iteration; for the passes, of the call alone, each "
               "started with the\npicture restored and the CPU caches emptied. Decoding, "
               "loading, opening and fitting: the\nmedian iteration. Ratio to floor: the time "
               "over the floor pass of the same size. Loading\nand opening are judged against "
               "the median of decodes of the same file run in the same\niterations (by turns "
               "before and after), so that both see the same load on the machine.\n",
               out);
    std::fprintf(out, "\nGoals met: %d of %d.\n", met, goals);
    for (const std::string& m : missed) {
        std::fprintf(out, "  missed: %s\n", m.c_str());
    }
}

} // namespace verimetra::bench
