#include "pipeline/LibraryCheck.h"

#include "app/FileAccess.h"
#include "app/FolderLock.h"
#include "app/WorkingFolders.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/FolderListing.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/HistoryCheck.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/Marker.h"
#include "pipeline/ParallelWork.h"
#include "pipeline/StageFolders.h"
#include "pipeline/UpdateJournal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <functional>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <unordered_map>

namespace kelvarin {

namespace {

constexpr const StageFolderFacts& Stock = FactsOf(StageFolder::Stock);
constexpr const StageFolderFacts& Unzip = FactsOf(StageFolder::Unzip);

constexpr std::size_t NoHistory = std::numeric_limits<std::size_t>::max();

struct History {
    explicit History(std::string fileName, bool exists = true)
        : name(std::move(fileName)), present(exists) {}

    std::string name; // inside the stock folder
    bool present = true;
    bool checked = false;
    HistoryFileCheck check;
    // One flag per entry, set once a daily file lists the stock on its day.
    std::unique_ptr<std::atomic<bool>[]> listed;
};

// What a daily file says about one history: a missing day (`text` the date)
// or a day that differs (`text` the finding's).
struct HistoryNote {
    std::size_t history;
    std::string absentName; // the history file a record names, when there is none
    FindingKind kind;
    int line;
    std::string text;
};

struct DailyOutcome {
    bool compared = false;
    std::vector<HistoryNote> notes;
    std::vector<Finding> own; // about the daily file itself
    std::size_t records = 0;
    std::uint32_t firstDay = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t lastDay = 0;
};

bool Stopped(const std::atomic<int>* stop) {
    return stop && stop->load(std::memory_order_relaxed) != 0;
}

// The percentage of files done, shown whenever it moves.
class Progress {
public:
    Progress(FrontEnd& frontEnd, std::size_t total) : m_frontEnd(frontEnd), m_total(total) {
        m_frontEnd.SetProgressRange(0, 100);
        m_frontEnd.SetProgress(0);
    }

    void FileDone() {
        ++m_done;
        // The front end is not for other threads.
        if (std::this_thread::get_id() == m_caller)
            Show();
    }

    // From the calling thread only; called at the end, it also shows the
    // files the other threads finished last.
    void Show() {
        const int percent = static_cast<int>(m_done * 100 / std::max<std::size_t>(m_total, 1));
        if (percent != m_shown) {
            m_shown = percent;
            m_frontEnd.SetProgress(percent);
        }
    }

private:
    FrontEnd& m_frontEnd;
    const std::size_t m_total;
    const std::thread::id m_caller = std::this_thread::get_id();
    std::atomic<std::size_t> m_done{0};
    int m_shown = 0;
};

using FileWork = std::function<void(std::size_t file)>;

// Hands the files out to a worker per cpu, each made by `makeWork` so it
// can keep state of its own, until all are done or the check is stopped.
void ForEachFile(std::size_t count, const std::atomic<int>* stop, Progress& progress,
                 const std::function<FileWork()>& makeWork) {
    std::atomic<std::size_t> next{0};
    const std::size_t workers = std::max(1u, std::thread::hardware_concurrency());
    RunInParallel(std::min(workers, count), [&](std::size_t) {
        const FileWork work = makeWork();
        for (std::size_t file = next++; file < count && !Stopped(stop); file = next++) {
            work(file);
            progress.FileDone();
        }
    });
}

// 0 when `path` is a folder, else why it is none.
int NotAFolder(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

// "2004-01-23" for its key.
std::string DateText(std::uint32_t key) {
    std::string text = "0000-00-00";
    for (const std::size_t at : {9, 8, 6, 5, 3, 2, 1, 0}) {
        text[at] = static_cast<char>('0' + key % 10);
        key /= 10;
    }
    return text;
}

// The names of `folder` that end exactly in the stage's extension, as its
// Update and Clear All take them, in name order.
std::vector<std::string> StageFiles(const std::string& folder, const StageFolderFacts& facts) {
    std::vector<std::string> names;
    for (const ListEntry& entry : ListStageFolder(folder, facts.pattern).entries) {
        if (entry.kind == EntryKind::File && entry.name.ends_with(facts.extension))
            names.push_back(entry.name);
    }
    return names;
}

using Entries = std::vector<HistoryEntry>;

// Which history a record of a daily file goes to, and its rows of the
// record's day, for one worker. A daily file lists its stocks in much the
// order the one before did, so the stock of the same line last time is
// tried first, and a history path is built once per stock. As a worker takes
// the daily files in date order, the day's rows of a history are mostly
// where its last look-up left off.
class HistoryFinder {
public:
    HistoryFinder(const std::unordered_map<std::string, std::size_t>& byName, std::size_t histories)
        : m_byName(byName), m_next(histories, 0) {}

    // The history of the record on line `line` (from 0) of its daily file:
    // its index, or NoHistory with the name of the file it would have.
    std::size_t Find(const DailyPriceRecord& record, std::size_t line,
                     const std::string*& absentName) {
        if (line >= m_byLine.size())
            m_byLine.resize(line + 1, nullptr);
        const Stock*& stock = m_byLine[line];
        if (!stock || stock->name != record.name || stock->code != record.code)
            stock = &StockOf(record);
        absentName = &stock->historyName;
        return stock->history;
    }

    // The rows of history `index` dated `day`, from its entries.
    std::pair<Entries::const_iterator, Entries::const_iterator>
    DayRows(std::size_t index, const Entries& entries, std::uint32_t day) {
        std::size_t& next = m_next[index];
        auto first = entries.begin() + static_cast<std::ptrdiff_t>(next);
        Entries::const_iterator last;
        if (next < entries.size() && first->dateKey == day &&
            (next == 0 || entries[next - 1].dateKey < day)) {
            last = std::find_if(first, entries.end(),
                                [day](const HistoryEntry& entry) { return entry.dateKey != day; });
        } else {
            std::tie(first, last) = std::equal_range(
                entries.begin(), entries.end(), HistoryEntry{day, 0, 0},
                [](const HistoryEntry& a, const HistoryEntry& b) { return a.dateKey < b.dateKey; });
        }
        next = static_cast<std::size_t>(last - entries.begin());
        return {first, last};
    }

private:
    struct Stock {
        std::string name;
        std::string code;
        std::size_t history;
        std::string historyName;
    };

    const Stock& StockOf(const DailyPriceRecord& record) {
        m_key.assign(record.name);
        m_key += '\0';
        m_key += record.code;
        const auto known = m_byStock.find(m_key);
        if (known != m_byStock.end())
            return known->second;
        std::string name = HistoryPath({}, record.name, record.code);
        const auto found = m_byName.find(name);
        const std::size_t index = found == m_byName.end() ? NoHistory : found->second;
        return m_byStock.emplace(m_key, Stock{record.name, record.code, index, std::move(name)})
            .first->second;
    }

    const std::unordered_map<std::string, std::size_t>& m_byName;
    // Name and code, a NUL between them, to the stock's history.
    std::unordered_map<std::string, Stock> m_byStock;
    std::string m_key;
    std::vector<const Stock*> m_byLine;
    std::vector<std::size_t> m_next; // per history, the entry after the last day found
};

// What one worker keeps from daily file to daily file.
struct DailyWorker {
    DailyWorker(const std::unordered_map<std::string, std::size_t>& byName, std::size_t histories)
        : finder(byName, histories) {}

    HistoryFinder finder;
    WholeFile bytes;
    std::string row;
};

// A day missing from a history, by the row it belongs before (0: after the
// last row, or no history file at all).
struct MissingDay {
    std::size_t daily;
    int line;
    std::string date;
};

class LibraryChecker {
public:
    LibraryChecker(const WorkingFolders& folders, FrontEnd& frontEnd, const std::atomic<int>* stop)
        : m_stockFolder(Stock.FolderIn(folders)), m_unzipFolder(Unzip.FolderIn(folders)),
          m_frontEnd(frontEnd), m_stop(stop) {}

    LibraryReport Run();

private:
    void ListFiles();
    void CheckHistory(std::size_t file, WholeFile& bytes);
    void CompareDailyFile(std::size_t file, DailyWorker& worker);
    std::size_t AbsentHistory(const std::string& name);
    void TakeDailyOutcomes();
    void AddMissingDays(std::size_t history, const std::vector<MissingDay>& days);
    void FindExtraDays();
    void Gather();

    const std::string& m_stockFolder;
    const std::string& m_unzipFolder;
    FrontEnd& m_frontEnd;
    const std::atomic<int>* m_stop;
    LibraryReport m_report;
    std::vector<Finding> m_libraryFindings; // the journal's
    std::vector<History> m_histories;
    std::unordered_map<std::string, std::size_t> m_byName;
    std::vector<std::string> m_dailyNames;
    std::vector<DailyOutcome> m_daily;
    // Per history, the findings of the comparison with the daily files.
    std::vector<std::vector<Finding>> m_compared;
    std::uint32_t m_firstDay = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t m_lastDay = 0;
};

LibraryReport LibraryChecker::Run() {
    if (const int cause = NotAFolder(m_stockFolder)) {
        m_report.error = CannotMessage("read", m_stockFolder, cause);
        return std::move(m_report);
    }
    // Held while the files are read, so no Update appends to them meanwhile.
    const auto lock = FolderLock::Acquire(m_stockFolder, &m_report.error, FolderLock::Mode::Shared);
    if (!lock)
        return std::move(m_report);
    ListFiles();
    Progress progress(m_frontEnd, m_histories.size() + m_dailyNames.size());
    m_frontEnd.StatusLine().SetText("Checking the history files of " + m_stockFolder);
    ForEachFile(m_histories.size(), m_stop, progress, [this] {
        auto bytes = std::make_shared<WholeFile>();
        return [this, bytes](std::size_t file) { CheckHistory(file, *bytes); };
    });
    if (!Stopped(m_stop)) {
        m_frontEnd.StatusLine().SetText("Comparing them with the daily files of " + m_unzipFolder);
        m_daily.resize(m_dailyNames.size());
        ForEachFile(m_dailyNames.size(), m_stop, progress, [this] {
            auto worker = std::make_shared<DailyWorker>(m_byName, m_histories.size());
            return [this, worker](std::size_t file) { CompareDailyFile(file, *worker); };
        });
    }
    progress.Show();
    m_report.stopped = Stopped(m_stop);
    m_compared.resize(m_histories.size());
    TakeDailyOutcomes();
    // Which rows no daily file lists is known only once all were read.
    if (!m_report.stopped)
        FindExtraDays();
    Gather();
    return std::move(m_report);
}

void LibraryChecker::ListFiles() {
    const std::string marker =
        ReadMarker(m_stockFolder + std::string(Stock.marker), Stock.initialName);
    m_report.summary.lastDailyName = marker;
    if (::access((m_stockFolder + std::string(UpdateJournalName)).c_str(), F_OK) == 0)
        m_libraryFindings.push_back({FindingKind::Interrupted, 0,
                                     "an Update run was interrupted: the next Update run "
                                     "settles its last batch first"});
    if (::access(m_stockFolder.c_str(), R_OK | X_OK) != 0)
        m_libraryFindings.push_back(
            {FindingKind::Unreadable, 0, CannotMessage("read", m_stockFolder, errno)});
    for (std::string& name : StageFiles(m_stockFolder, Stock)) {
        m_byName.emplace(name, m_histories.size());
        m_histories.emplace_back(std::move(name));
    }
    if (NotAFolder(m_unzipFolder) != 0)
        return;
    for (std::string& name : StageFiles(m_unzipFolder, Unzip)) {
        // The Update took every name up to its marker.
        if (!NameLess(marker, name))
            m_dailyNames.push_back(std::move(name));
    }
}

void LibraryChecker::CheckHistory(std::size_t file, WholeFile& bytes) {
    History& history = m_histories[file];
    const std::string path = m_stockFolder + history.name;
    if (!bytes.Read(path)) {
        history.check.findings.push_back(
            {FindingKind::Unreadable, 0, CannotMessage("read", path, errno)});
        history.checked = true;
        return;
    }
    history.check = CheckHistoryBytes(bytes.View());
    history.checked = true;
    history.listed = std::make_unique<std::atomic<bool>[]>(history.check.entries.size());
}

void LibraryChecker::CompareDailyFile(std::size_t file, DailyWorker& worker) {
    DailyOutcome& outcome = m_daily[file];
    const std::string& dailyName = m_dailyNames[file];
    int line = 0;
    HistoryFinder& finder = worker.finder;
    std::string& row = worker.row;
    const auto compare = [&](const DailyPriceRecord& record) {
        ++line;
        ++outcome.records;
        std::uint32_t day = 0;
        if (!DateKeyOf(record.date, day)) {
            outcome.own.push_back({FindingKind::Unparsed, line,
                                   "\"" + record.date +
                                       "\" is no date: this record cannot be "
                                       "compared with its history"});
            return;
        }
        outcome.firstDay = std::min(outcome.firstDay, day);
        outcome.lastDay = std::max(outcome.lastDay, day);
        const std::string* absentName = nullptr;
        const std::size_t index = finder.Find(record, line - 1, absentName);
        if (index == NoHistory) {
            outcome.notes.push_back(
                {NoHistory, *absentName, FindingKind::MissingDay, 0, record.date});
            return;
        }
        const History& history = m_histories[index];
        // An unreadable history has its finding already; its days are unknown.
        if (!history.listed)
            return;
        const Entries& entries = history.check.entries;
        const auto [first, last] = finder.DayRows(index, entries, day);
        if (first == last) {
            const int before = first == entries.end() ? 0 : static_cast<int>(first->line);
            outcome.notes.push_back({index, {}, FindingKind::MissingDay, before, record.date});
            return;
        }
        for (auto at = first; at != last; ++at)
            history.listed[at - entries.begin()].store(true, std::memory_order_relaxed);
        const std::uint64_t key = ValuesKey(record, day, row);
        if (std::any_of(first, last,
                        [key](const HistoryEntry& entry) { return entry.valuesKey == key; }))
            return;
        row.clear();
        AppendHistoryRow(row, record);
        outcome.notes.push_back({index,
                                 {},
                                 FindingKind::Differs,
                                 static_cast<int>(first->line),
                                 "differs from " + dailyName + ", which gives " +
                                     DescribeRow(std::string_view(row).substr(2))});
    };
    const std::string path = m_unzipFolder + dailyName;
    if (worker.bytes.Read(path))
        ReadDailyPrices(worker.bytes.View(), compare);
    else
        outcome.own.push_back({FindingKind::Unreadable, 0, CannotMessage("read", path, errno)});
    outcome.compared = true;
}

std::size_t LibraryChecker::AbsentHistory(const std::string& name) {
    const auto [at, isNew] = m_byName.try_emplace(name, m_histories.size());
    if (isNew) {
        m_histories.emplace_back(name, false);
        m_compared.emplace_back();
    }
    return at->second;
}

void LibraryChecker::TakeDailyOutcomes() {
    std::unordered_map<std::size_t, std::vector<MissingDay>> missing;
    for (std::size_t file = 0; file < m_daily.size(); ++file) {
        DailyOutcome& outcome = m_daily[file];
        m_report.summary.dailyFiles += outcome.compared ? 1 : 0;
        m_report.summary.records += outcome.records;
        m_firstDay = std::min(m_firstDay, outcome.firstDay);
        m_lastDay = std::max(m_lastDay, outcome.lastDay);
        for (HistoryNote& note : outcome.notes) {
            const std::size_t index =
                note.history == NoHistory ? AbsentHistory(note.absentName) : note.history;
            if (note.kind == FindingKind::MissingDay)
                missing[index].push_back({file, note.line, std::move(note.text)});
            else
                m_compared[index].push_back({note.kind, note.line, std::move(note.text)});
        }
    }
    for (const auto& [index, days] : missing)
        AddMissingDays(index, days);
}

// Days missing in a row, which belong before the same row, make one finding.
void LibraryChecker::AddMissingDays(std::size_t history, const std::vector<MissingDay>& days) {
    const bool present = m_histories[history].present;
    for (auto first = days.begin(); first != days.end();) {
        const auto end = std::find_if(
            first, days.end(), [&](const MissingDay& day) { return day.line != first->line; });
        const MissingDay& last = *(end - 1);
        std::string text = present ? "missing " : "no history file: missing ";
        if (end - first == 1)
            text += first->date + " (" + m_dailyNames[first->daily] + ")";
        else
            text += std::to_string(end - first) + " days from " + first->date + " to " + last.date +
                    " (" + m_dailyNames[first->daily] + " to " + m_dailyNames[last.daily] + ")";
        if (present)
            text += first->line == 0 ? " after the last row" : " before this row";
        m_compared[history].push_back({FindingKind::MissingDay, first->line, std::move(text)});
        first = end;
    }
}

void LibraryChecker::FindExtraDays() {
    if (m_report.summary.records == 0)
        return;
    for (std::size_t index = 0; index < m_histories.size(); ++index) {
        const History& history = m_histories[index];
        const std::vector<HistoryEntry>& entries = history.check.entries;
        for (std::size_t at = 0; at < entries.size(); ++at) {
            const HistoryEntry& entry = entries[at];
            // Rows older than the daily files at hand (removed, perhaps, to
            // save room) say nothing about the library.
            if (entry.dateKey < m_firstDay || entry.dateKey > m_lastDay)
                ++m_report.summary.uncompared;
            else if (!history.listed[at].load(std::memory_order_relaxed))
                m_compared[index].push_back(
                    {FindingKind::ExtraDay, static_cast<int>(entry.line),
                     "dated " + DateText(entry.dateKey) +
                         ", a day no applied daily file lists for this stock"});
        }
    }
}

void LibraryChecker::Gather() {
    CheckSummary& summary = m_report.summary;
    const auto add = [&](std::string path, std::vector<Finding> findings) {
        if (findings.empty())
            return;
        // By line, those of no line last; by kind within a line.
        std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
            const auto key = [](const Finding& finding) {
                return std::pair(finding.line == 0 ? INT_MAX : finding.line, finding.kind);
            };
            return key(a) < key(b);
        });
        for (const Finding& finding : findings)
            ++summary.counts[static_cast<std::size_t>(finding.kind)];
        m_report.files.push_back({std::move(path), std::move(findings)});
    };
    add(m_stockFolder, std::move(m_libraryFindings));
    std::vector<std::size_t> order(m_histories.size());
    for (std::size_t index = 0; index < order.size(); ++index)
        order[index] = index;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return NameLess(m_histories[a].name, m_histories[b].name);
    });
    for (const std::size_t index : order) {
        History& history = m_histories[index];
        if (history.checked) {
            ++summary.historyFiles;
            summary.rows += history.check.rows;
        }
        std::vector<Finding> findings = std::move(history.check.findings);
        for (Finding& finding : m_compared[index])
            findings.push_back(std::move(finding));
        add(m_stockFolder + history.name, std::move(findings));
    }
    for (std::size_t file = 0; file < m_daily.size(); ++file)
        add(m_unzipFolder + m_dailyNames[file], std::move(m_daily[file].own));
}

} // namespace

LibraryReport CheckLibrary(const WorkingFolders& folders, FrontEnd& frontEnd,
                           const std::atomic<int>* stop) {
    return LibraryChecker(folders, frontEnd, stop).Run();
}

} // namespace kelvarin
