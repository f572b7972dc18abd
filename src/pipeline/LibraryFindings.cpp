#include "pipeline/LibraryFindings.h"

#include <algorithm>
#include <numeric>

namespace kelvarin {

namespace {

constexpr std::array<std::string_view, FindingKindCount> KindNames{
    "not-header",    "unparsed",     "unfinished", "out-of-order", "repeated-row",
    "repeated-date", "not-positive", "low-above",  "high-below",   "negative-volume",
    "missing-day",   "extra-day",    "differs",    "unreadable",   "interrupted-update",
};

std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

std::string_view KindName(FindingKind kind) {
    return KindNames[static_cast<std::size_t>(kind)];
}

std::size_t CheckSummary::Findings() const {
    return std::accumulate(counts.begin(), counts.end(), std::size_t{0});
}

std::string SummaryLine(const LibraryReport& report) {
    if (!report.error.empty())
        return report.error;
    const CheckSummary& summary = report.summary;
    std::string line = report.stopped ? "Check stopped after " : "Checked ";
    line += Counted(summary.historyFiles, "history file", "history files") + " (" +
            Counted(summary.rows, "row", "rows") + ")";
    if (summary.dailyFiles == 0)
        line += ", with no daily file applied to compare them with";
    else
        line += " against " + Counted(summary.dailyFiles, "daily file", "daily files") + " up to " +
                summary.lastDailyName;
    if (summary.uncompared > 0)
        line += " (" + Counted(summary.uncompared, "row", "rows") +
                " dated outside their days not compared)";
    line += ": ";
    if (report.files.empty())
        return line + (report.stopped ? "nothing found so far." : "sound.");
    return line + Counted(summary.Findings(), "finding", "findings") + " in " +
           Counted(report.files.size(), "file", "files") + ".";
}

bool Repairable(const FileFindings& file) {
    bool mendable = false;
    for (const Finding& finding : file.findings) {
        switch (finding.kind) {
        case FindingKind::OutOfOrder:
        case FindingKind::RepeatedRow:
            mendable = true;
            break;
        // Where a line is no row, nothing says where it belongs.
        case FindingKind::NotHeader:
        case FindingKind::Unparsed:
        case FindingKind::Unfinished:
        case FindingKind::Unreadable:
        case FindingKind::Interrupted:
            return false;
        default:
            break;
        }
    }
    return mendable;
}

} // namespace kelvarin
