#include "pipeline/LibraryStatus.h"

#include "app/FileAccess.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/Marker.h"
#include "pipeline/StageRun.h"
#include "pipeline/Stages.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <set>

namespace kelvarin {

namespace {

// The stage that writes each folder, in the order of StageFolder.
constexpr std::array<const char*, 3> WritingStage = {"Download", "Unzip", "Update"};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Every name in `folder` but "." and "..", sorted as the lists sort them;
// none when the folder cannot be read.
std::optional<std::vector<std::string>> NamesIn(const std::string& folder) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// As the lists count their files: by the extension in any letter case.
bool EndsWithAnyCase(std::string_view name, std::string_view extension) {
    return name.size() >= extension.size() &&
           std::equal(
               extension.begin(), extension.end(), name.end() - extension.size(),
               [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

std::string MarkerOf(const WorkingFolders& folders, StageFolder stage) {
    const StageFolderFacts& facts = FactsOf(stage);
    return ReadMarker(facts.FolderIn(folders) + std::string(facts.marker), facts.initialName);
}

StageFolderStatus ReadFolder(const WorkingFolders& folders, StageFolder stage) {
    const StageFolderFacts& facts = FactsOf(stage);
    StageFolderStatus status{.stage = stage, .path = facts.FolderIn(folders)};
    const std::string marker = ReadMarker(status.path + std::string(facts.marker), "");
    if (!marker.empty())
        status.marker = marker;
    if (const auto names = NamesIn(status.path)) {
        status.exists = true;
        status.files = static_cast<int>(
            std::count_if(names->begin(), names->end(), [&facts](const std::string& name) {
                return EndsWithAnyCase(name, facts.extension);
            }));
    }
    return status;
}

// What the next unattended run of the stage that reads `input` takes from it,
// and what it leaves waiting, exactly as that stage's Auto walk chooses.
void TakeFromInput(const WorkingFolders& folders, StageFolder input, StageFolderStatus& status) {
    const StageFolderFacts& facts = FactsOf(input);
    const std::string marker = MarkerOf(folders, status.stage);
    const DayBound bound(RunScope::Unattended, folders, input);
    status.next.emplace();
    for (const std::string& name :
         NamesIn(facts.FolderIn(folders)).value_or(std::vector<std::string>{})) {
        if (!name.ends_with(facts.extension) || !(marker < name))
            continue;
        if (bound.Admits(name))
            status.next->Add(name);
        else
            status.waiting.Add(name);
    }
}

NameSpan ToFetch(const WorkingFolders& folders, const StageList& remoteList,
                 const std::set<std::string>& skipped) {
    const std::string marker = MarkerOf(folders, StageFolder::Zip);
    const std::string& zipFolder = FactsOf(StageFolder::Zip).FolderIn(folders);
    NameSpan fetch;
    for (int row = 0; row < remoteList.Count(); ++row) {
        const std::string item = remoteList.Text(row);
        const std::string localName = LocalName(item);
        if (marker < localName && !skipped.contains(localName) &&
            !IsStoredCompleteArchive(zipFolder + localName))
            fetch.Add(item);
    }
    return fetch;
}

// Counting line ends is all a row count needs, so the bytes are only scanned.
void AddHistoryFile(std::string_view bytes, LibrarySummary& library) {
    ++library.stockFiles;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* lastRow = nullptr;
    for (const char* at = begin; (at = static_cast<const char*>(std::memchr(
                                      at, '\n', static_cast<std::size_t>(end - at))));) {
        ++at;
        ++library.rows;
        lastRow = at;
    }
    if (!lastRow)
        return;
    const auto dateAt = [end](const char* row) {
        const char* tab = std::find(row, end, '\t');
        return std::string(row, std::find(row, tab, '\r'));
    };
    const std::string first = dateAt(begin + bytes.find('\n') + 1);
    const std::string last = dateAt(lastRow);
    if (library.firstDate.empty() || first < library.firstDate)
        library.firstDate = first;
    if (last > library.lastDate)
        library.lastDate = last;
}

LibrarySummary ReadLibrary(const WorkingFolders& folders) {
    LibrarySummary library;
    const StageFolderFacts& stock = FactsOf(StageFolder::Stock);
    const std::string& folder = stock.FolderIn(folders);
    for (const std::string& name : NamesIn(folder).value_or(std::vector<std::string>{})) {
        WholeFile file;
        if (EndsWithAnyCase(name, stock.extension) && file.Read(folder + name))
            AddHistoryFile(file.View(), library);
    }
    return library;
}

std::string SpanText(const NameSpan& span) {
    if (span.count == 0)
        return "nothing";
    std::string text = std::to_string(span.count) + ", " + span.first;
    if (span.count > 1)
        text += " to " + span.last;
    return text;
}

void AppendDays(std::string& text, std::string_view heading, const std::vector<DayRecord>& days,
                std::string_view timeWord) {
    text += heading;
    if (days.empty())
        text += " none\n";
    else
        text += '\n';
    for (const DayRecord& day : days) {
        text += "  " + day.item + " " + std::string(timeWord) + " " + day.since;
        text += day.cause.empty() ? "\n" : ": " + day.cause + "\n";
    }
}

} // namespace

void NameSpan::Add(const std::string& name) {
    if (count++ == 0)
        first = name;
    last = name;
}

bool LibraryStatus::Pending() const {
    return !held.empty() || std::any_of(folders.begin(), folders.end(), [](const auto& folder) {
        return (folder.next && folder.next->count > 0) || folder.waiting.count > 0;
    });
}

LibraryStatus ReadLibraryStatus(const WorkingFolders& folders, const StageList* remoteList) {
    LibraryStatus status;
    for (const StageFolderFacts& facts : StageFolderTable)
        status.folders[static_cast<std::size_t>(facts.stage)] = ReadFolder(folders, facts.stage);
    TakeFromInput(folders, StageFolder::Zip, status.folders[1]);
    TakeFromInput(folders, StageFolder::Unzip, status.folders[2]);

    status.skipped = DayList::Read(SkippedDays.PathIn(folders)).Days();
    std::set<std::string> skipped;
    for (const DayRecord& day : status.skipped)
        skipped.insert(LocalName(day.item));
    if (remoteList)
        status.folders[0].next = ToFetch(folders, *remoteList, skipped);
    DayList held = DayList::Read(HeldDays.PathIn(folders));
    held.RemoveUpTo(MarkerOf(folders, StageFolder::Zip));
    for (const DayRecord& day : held.Days()) {
        if (!skipped.contains(LocalName(day.item)))
            status.held.push_back(day);
    }
    status.library = ReadLibrary(folders);
    status.lastRun = LastRun::Read(folders);
    return status;
}

std::string StatusText(const LibraryStatus& status) {
    std::string text;
    for (const StageFolderStatus& folder : status.folders) {
        const auto stage = static_cast<std::size_t>(folder.stage);
        text += std::string(WritingStage[stage]) + ": " + folder.path;
        text += folder.exists ? "\n" : " (missing)\n";
        text += "  marker: " + folder.marker.value_or("none") + "\n";
        text += "  files: " + std::to_string(folder.files) + "\n";
        text += "  next run: ";
        text += folder.next ? SpanText(*folder.next) : "not known without the exchange's index";
        text += "\n";
        if (folder.waiting.count > 0)
            text += "  waiting for " + std::string(WritingStage[stage - 1]) + ": " +
                    SpanText(folder.waiting) + "\n";
    }
    AppendDays(text, "Held days:", status.held, "since");
    AppendDays(text, "Skipped days:", status.skipped, "skipped");
    const LibrarySummary& library = status.library;
    text += "Library: " + std::to_string(library.stockFiles) + " stock files, " +
            std::to_string(library.rows) + " rows";
    if (!library.firstDate.empty())
        text += ", " + library.firstDate + " to " + library.lastDate;
    text += "\nLast run: ";
    if (!status.lastRun) {
        text += "none recorded\n";
        return text;
    }
    const LastRun& run = *status.lastRun;
    text += run.outcome + " (exit " + std::to_string(run.exitStatus) + "), " + run.started +
            " to " + run.finished;
    for (std::size_t step = 0; step < run.steps.size(); ++step)
        text += (step == 0 ? ": " : ", ") + run.steps[step].first + " " + run.steps[step].second;
    return text + "\n";
}

} // namespace kelvarin
