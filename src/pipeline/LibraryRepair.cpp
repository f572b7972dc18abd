#include "pipeline/LibraryRepair.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "app/WorkingFolders.h"
#include "pipeline/HistoryCheck.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/UpdateJournal.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace kelvarin {

namespace {

struct Row {
    std::uint32_t dateKey;
    std::string_view text;
};

std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string PlanText(const HistoryRepair& repair) {
    std::string plan;
    if (repair.outOfOrder > 0)
        plan = "put its rows in date order (" + Counted(repair.outOfOrder, "row was", "rows were") +
               " out of order)";
    if (repair.repeats > 0) {
        if (!plan.empty())
            plan += " and ";
        plan += "remove " + Counted(repair.repeats, "exact repeat", "exact repeats");
    }
    return plan;
}

} // namespace

bool RepairHistoryBytes(std::string_view bytes, HistoryRepair& repair) {
    HistoryLines lines(bytes);
    std::string_view line;
    bool crlf = false;
    bool last = false;
    if (!lines.Next(line, crlf, last) || line != HistoryHeader || !(crlf || last))
        return false;
    std::vector<Row> rows;
    HistoryRow row;
    std::size_t outOfOrder = 0;
    while (lines.Next(line, crlf, last)) {
        if (!(crlf || last) || !ParseHistoryRow(line, row))
            return false;
        if (!rows.empty() && row.dateKey < rows.back().dateKey)
            ++outOfOrder;
        rows.push_back({row.dateKey, line});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.dateKey < b.dateKey; });
    std::string repaired(HistoryHeader);
    repaired.reserve(bytes.size());
    std::size_t repeats = 0;
    for (auto at = rows.begin(), day = rows.begin(); at != rows.end(); ++at) {
        if (at->dateKey != day->dateKey)
            day = at;
        if (std::any_of(day, at, [&](const Row& earlier) { return earlier.text == at->text; })) {
            ++repeats;
            continue;
        }
        repaired += "\r\n";
        repaired += at->text;
    }
    repair = {std::move(repaired), outOfOrder, repeats};
    return true;
}

LibraryRepair::LibraryRepair(const WorkingFolders& folders, const LibraryReport& report) {
    m_lock = FolderLock::Acquire(folders.StockFolder, &m_error);
    if (!m_lock)
        return;
    // The journal holds the sizes the files had before the batch it undoes:
    // a file rewritten meanwhile would be cut at the wrong place.
    if (::access((folders.StockFolder + std::string(UpdateJournalName)).c_str(), F_OK) == 0) {
        m_error = "An Update run did not finish in " + folders.StockFolder +
                  ": run Update first, so it can take back what it had begun";
        return;
    }
    for (const FileFindings& file : report.files) {
        if (!Repairable(file))
            continue;
        WholeFile bytes;
        HistoryRepair repair;
        if (bytes.Read(file.path) && RepairHistoryBytes(bytes.View(), repair) &&
            repair.bytes != bytes.View())
            m_steps.push_back({file.path, PlanText(repair)});
    }
}

bool LibraryRepair::Apply(const Step& step, std::string* error) const {
    WholeFile bytes;
    if (!bytes.Read(step.path)) {
        *error = CannotMessage("read", step.path, errno);
        return false;
    }
    HistoryRepair repair;
    if (!RepairHistoryBytes(bytes.View(), repair)) {
        *error = step.path + " changed since it was checked: left as it is";
        return false;
    }
    return WriteFileAtomically(step.path, repair.bytes, error);
}

} // namespace kelvarin
