#include "cli/SkipCommand.h"

#include "pipeline/DailyArchiveNames.h"
#include "pipeline/DayLists.h"
#include "pipeline/Marker.h"
#include "pipeline/StageFolderClaim.h"

namespace kelvarin::cli {

namespace {

// The days still held: those the Download marker has not passed.
DayList HeldNow(const WorkingFolders& folders) {
    const StageFolderFacts& zip = FactsOf(StageFolder::Zip);
    DayList held = DayList::Read(HeldDays.PathIn(folders));
    held.RemoveUpTo(ReadMarker(zip.FolderIn(folders) + std::string(zip.marker), zip.initialName));
    return held;
}

std::string Listed(const DayList& days) {
    if (days.Empty())
        return "No day is held.";
    std::string text = "Held:";
    for (const DayRecord& day : days.Days())
        text += " " + day.item;
    return text;
}

} // namespace

CLI::App* SkipCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "skip", "Let held days go for good, so the days after them wait no longer");
    command->add_option("ITEM", m_items, "Held days as the failure names them (SGX2004-01-23)")
        ->required();
    return command;
}

int SkipCommand::Run(CliContext& context) {
    const DayList held = HeldNow(context.folders);
    for (const std::string& item : m_items) {
        if (!held.Find(LocalName(item))) {
            context.streams.err << item
                                << " is not a held day: only a day that Auto Download failed on "
                                   "can be skipped. "
                                << Listed(held) << '\n';
            return ExitUsage;
        }
    }
    // Download reads the list as it begins; a run in progress must not miss
    // half of what is written here.
    const StageFolderClaim claim(FactsOf(StageFolder::Zip).FolderIn(context.folders),
                                 context.frontEnd);
    if (claim.Refused())
        return ExitFailure;
    const std::string path = SkippedDays.PathIn(context.folders);
    DayList skipped = DayList::Read(path);
    const std::string now = LocalTimeNow();
    for (const std::string& item : m_items) {
        const DayRecord& day = *held.Find(LocalName(item));
        skipped.Put({day.item, now, day.cause});
    }
    std::string error;
    if (!skipped.Write(path, SkippedDays.heading, &error)) {
        context.streams.err << error << '\n';
        return ExitFailure;
    }
    for (const std::string& item : m_items)
        context.streams.out << "Skipped " << held.Find(LocalName(item))->item
                            << ": Auto Download passes it from now on.\n";
    return 0;
}

} // namespace kelvarin::cli
