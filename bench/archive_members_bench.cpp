// Unzip of one archive of many members: the Unzip stage (core RunUnzip, Auto,
// silent front end) on a single archive holding MEMBERS members laid out
// three ways, and Download's archive check on the same bytes.
//
//   early: "SESPRICE.DAT" as members 0 and 1 (the second one must win), then
//          the others, so the stage looks at every member from the last down;
//   none:  no "SESPRICE.DAT" at all, the whole directory looked at in vain;
//   last:  the others, then "SESPRICE.DAT", found at the first look.
//
//   cmake --build <build> --target archive_members_bench
//   <build>/bench/archive_members_bench [members=20000] [runs=3]
//   [folder=/tmp/kelvarin-members-bench]

#include "BenchFiles.h"
#include "SilentFrontEnd.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "exchange/ArchiveCache.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"

using namespace kelvarin;
using namespace kelvarin::bench;

namespace {

constexpr char ArchiveName[] = "SGX20040123.zip";
constexpr char OutputName[] = "SGX20040123.dat";

struct Layout {
    const char* name;
    std::string bytes;
    std::string expected; // the daily file the stage must leave; empty for none
};

std::string DailyContent(const char* which) {
    std::string content;
    for (int line = 0; line < 800; ++line)
        content += std::string(which) + " daily line " + std::to_string(line) + "\r\n";
    return content;
}

std::vector<exchange::ZipMember> Others(std::size_t count) {
    std::vector<exchange::ZipMember> members;
    members.reserve(count + 2);
    for (std::size_t i = 0; i < count; ++i)
        members.push_back({"notes/member" + std::to_string(i) + ".txt", std::to_string(i)});
    return members;
}

std::vector<Layout> MakeLayouts(std::size_t memberCount) {
    const auto date = exchange::TradingDate::FromCivil(2004, 1, 23);
    const std::string stale = DailyContent("stale");
    const std::string daily = DailyContent("winning");

    std::vector<exchange::ZipMember> early{{"SESPRICE.DAT", stale}, {"SESPRICE.DAT", daily}};
    for (auto& member : Others(memberCount - 2))
        early.push_back(std::move(member));
    std::vector<exchange::ZipMember> last = Others(memberCount - 1);
    last.push_back({"SESPRICE.DAT", daily});

    std::vector<Layout> layouts;
    layouts.push_back({"early", exchange::ArchiveBuilder::Build(date, early), daily});
    layouts.push_back({"none", exchange::ArchiveBuilder::Build(date, Others(memberCount)), ""});
    layouts.push_back({"last", exchange::ArchiveBuilder::Build(date, last), daily});
    return layouts;
}

// One Auto run of the stage over a zip folder holding only this archive.
double TimeStage(const std::string& base, const Layout& layout, int run) {
    WorkingFolders folders;
    folders.BaseFolder = base;
    folders.ResetToBaseDefaults();
    folders.ZipFolder = FreshRunFolder(base, std::string("zip-") + layout.name, run) + "/";
    folders.UnzipFolder = FreshRunFolder(base, std::string("unzip-") + layout.name, run) + "/";
    WriteWhole(folders.ZipFolder + ArchiveName, layout.bytes);

    SilentFrontEnd frontEnd;
    StageContext context{folders, frontEnd};
    MemoryList zipList;
    MemoryList unzipList;
    RefreshFileList(folders.ZipFolder, zipList, ZipPattern, frontEnd);
    const auto start = Clock::now();
    const StageOutcome outcome = RunUnzip(context, true, zipList, unzipList);
    const double seconds = SecondsSince(start);

    const std::string output = ReadWhole(folders.UnzipFolder + OutputName);
    if (layout.expected.empty()) {
        if (outcome != StageOutcome::Failed || !output.empty())
            Fail(std::string(layout.name) + ": an archive without the daily file passed");
    } else if (outcome != StageOutcome::Succeeded || output != layout.expected) {
        Fail(std::string(layout.name) + ": not the last SESPRICE.DAT: " + frontEnd.LastStatus() +
             "\n" + frontEnd.Messages());
    }
    return seconds;
}

double TimeCheck(const Layout& layout) {
    const auto start = Clock::now();
    if (!IsCompleteZipArchive(layout.bytes))
        Fail(std::string(layout.name) + ": the archive check refused a whole archive");
    return SecondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t memberCount = argc > 1 ? std::stoul(argv[1]) : 20000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 3;
    const std::string base = argc > 3 ? argv[3] : "/tmp/kelvarin-members-bench";
    if (memberCount < 2)
        Fail("at least 2 members");
    MakeFolder(base);
    RemoveEarlierRuns(base);

    const auto made = Clock::now();
    const std::vector<Layout> layouts = MakeLayouts(memberCount);
    std::printf("made 3 archives of %zu members (%.1f MB each) in %.1f s\n", memberCount,
                layouts[0].bytes.size() / 1e6, SecondsSince(made));

    std::printf("\nbest of %d runs; load %s\n", runs, LoadAverage().c_str());
    for (const Layout& layout : layouts) {
        std::vector<double> stage, check;
        for (int run = 0; run < runs; ++run) {
            stage.push_back(TimeStage(base, layout, run));
            check.push_back(TimeCheck(layout));
        }
        std::printf("  %-6s Unzip stage %8.3f s   archive check %8.3f s\n", layout.name,
                    Best(stage), Best(check));
    }
    for (int run = 0; run < runs; ++run)
        RemoveFolder(base + "/run-" + std::to_string(run));
    std::printf("\nReproduce:\n  %s %zu %d %s\n", argv[0], memberCount, runs, base.c_str());
    return 0;
}
