// Unzip of a zip folder of daily archives: the Unzip stage (core RunUnzip, a
// silent front end, its one flush before the marker included) against
// `unzip -p ARCHIVE SESPRICE.DAT > OUT` run once per archive, and against
// inflating the same members in memory, the floor.
//
//   cmake --build <build> --target unzip_bench
//   <build>/bench/unzip_bench [archives=5000] [stocks=800] [runs=3]
//   [folder=/tmp/kelvarin-unzip-bench]

#include "BenchFiles.h"
#include "SilentFrontEnd.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "exchange/ArchiveCache.h"
#include "exchange/MarketGenerator.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "support/FolderSnapshot.h"

#include <cstdint>
#include <cstring>
#include <zlib.h>

using namespace kelvarin;
using namespace kelvarin::bench;

namespace {

constexpr char Member[] = "SESPRICE.DAT";

std::uint32_t Little(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// The floor: the member found through the central directory and inflated
// into memory with zlib, nothing written; with `checkCrc` its CRC is checked
// as well, as every extraction does.
std::size_t InflateMember(const std::string& archive, std::string& out, bool checkCrc) {
    const std::size_t end = archive.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos)
        Fail("no end record");
    std::size_t entry = Little(archive, end + 16, 4);
    const std::size_t entries = Little(archive, end + 10, 2);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t nameLength = Little(archive, entry + 28, 2);
        const std::size_t next = entry + 46 + nameLength + Little(archive, entry + 30, 2) +
                                 Little(archive, entry + 32, 2);
        if (archive.compare(entry + 46, nameLength, Member) == 0) {
            const std::size_t local = Little(archive, entry + 42, 4);
            const std::size_t data =
                local + 30 + Little(archive, local + 26, 2) + Little(archive, local + 28, 2);
            out.resize(Little(archive, entry + 24, 4));
            z_stream stream{};
            inflateInit2(&stream, -MAX_WBITS);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(archive.data() + data));
            stream.avail_in = Little(archive, entry + 20, 4);
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            const int result = inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
            if (result != Z_STREAM_END || stream.total_out != out.size())
                Fail("member does not inflate");
            if (checkCrc && crc32_z(0, reinterpret_cast<const Bytef*>(out.data()), out.size()) !=
                                Little(archive, entry + 16, 4))
                Fail("member has a bad CRC");
            return out.size();
        }
        entry = next;
    }
    Fail("no member " + std::string(Member));
}

double TimeFloor(const std::string& zipFolder, const std::vector<std::string>& archives,
                 bool checkCrc, std::uint64_t& inflated) {
    std::string out;
    inflated = 0;
    const auto start = Clock::now();
    for (const std::string& name : archives)
        inflated += InflateMember(ReadWhole(zipFolder + "/" + name), out, checkCrc);
    return SecondsSince(start);
}

double TimeStage(WorkingFolders& folders, std::string& status) {
    ::sync();
    SilentFrontEnd frontEnd;
    StageContext context{folders, frontEnd};
    MemoryList zipList;
    MemoryList unzipList;
    RefreshFileList(folders.ZipFolder, zipList, ZipPattern, frontEnd);
    const auto start = Clock::now();
    const StageOutcome outcome = RunUnzip(context, true, zipList, unzipList);
    const double seconds = SecondsSince(start);
    status = frontEnd.LastStatus();
    if (outcome != StageOutcome::Succeeded)
        Fail("Unzip stage: " + status + "\n" + frontEnd.Messages());
    return seconds;
}

double TimeUnzipLoop(const std::string& zipFolder, const std::string& outFolder,
                     const std::vector<std::string>& archives, double& syncSeconds) {
    ::sync();
    const auto start = Clock::now();
    for (const std::string& name : archives) {
        const std::string output = outFolder + "/" + name.substr(0, name.size() - 4) + ".dat";
        if (RunProgram({"unzip", "-p", zipFolder + "/" + name, Member}, output) != 0)
            Fail("unzip failed on " + name);
    }
    const double seconds = SecondsSince(start);
    const auto syncStart = Clock::now();
    ::sync();
    syncSeconds = SecondsSince(syncStart);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t archiveCount = argc > 1 ? std::stoul(argv[1]) : 5000;
    const std::size_t stocks = argc > 2 ? std::stoul(argv[2]) : 800;
    const int runs = argc > 3 ? std::stoi(argv[3]) : 3;
    const std::string base = argc > 4 ? argv[4] : "/tmp/kelvarin-unzip-bench";

    WorkingFolders folders;
    folders.BaseFolder = base;
    folders.ResetToBaseDefaults();
    const std::string zipFolder = base + "/zip";
    MakeFolder(base);
    MakeFolder(zipFolder);
    RemoveEarlierRuns(base);

    exchange::MarketSettings settings;
    settings.days = archiveCount;
    settings.stocks = stocks;
    const exchange::MarketGenerator market(settings);
    // The archives of an earlier run with the same settings are used again.
    const std::string stamp =
        base + "/made-" + std::to_string(archiveCount) + "-" + std::to_string(stocks);
    const bool reuse = !ReadWhole(stamp).empty();
    const auto made = Clock::now();
    if (!reuse) {
        for (const std::string& name : FilesIn(base)) {
            if (name.starts_with("made-"))
                ::unlink((base + "/" + name).c_str());
        }
        EmptyFolder(zipFolder);
    }
    std::vector<std::string> archives;
    for (std::size_t day = 0; day < market.DayCount(); ++day) {
        const std::string name = LocalName("SGX" + market.IdOf(day));
        if (!reuse)
            WriteWhole(zipFolder + "/" + name, exchange::ArchiveCache::BuildArchive(market, day));
        archives.push_back(name);
    }
    ::sync();
    WriteWhole(stamp, "made\n");
    std::printf("%s %zu archives of %zu stocks (%.1f MB) in %s in %.1f s\n",
                reuse ? "reused" : "made", archives.size(), stocks,
                BytesOf(zipFolder, ".zip") / 1e6, zipFolder.c_str(), SecondsSince(made));

    std::vector<double> floor, floorCrc, stage, loop, loopSync;
    std::uint64_t inflated = 0;
    std::string status;
    std::string refFolder;
    for (int run = 0; run < runs; ++run) {
        floor.push_back(TimeFloor(zipFolder, archives, false, inflated));
        floorCrc.push_back(TimeFloor(zipFolder, archives, true, inflated));
        folders.UnzipFolder = FreshRunFolder(base, "unzip", run) + "/";
        stage.push_back(TimeStage(folders, status));
        double synced = 0;
        refFolder = FreshRunFolder(base, "unzip-reference", run);
        loop.push_back(TimeUnzipLoop(zipFolder, refFolder, archives, synced));
        loopSync.push_back(synced);
        std::printf("run %d: floor %.3f s (with CRC %.3f s), stage %.3f s, unzip loop %.3f s "
                    "(+ sync %.3f s)\n",
                    run + 1, floor.back(), floorCrc.back(), stage.back(), loop.back(),
                    loopSync.back());
    }
    const std::string difference = test::FolderDifference(folders.UnzipFolder, refFolder, ".dat");
    if (!difference.empty())
        Fail("the stage's outputs are not unzip's:\n" + difference);
    const std::size_t compared = CountFiles(refFolder, ".dat");
    if (compared != archives.size() || BytesOf(folders.UnzipFolder, ".dat") != inflated)
        Fail("the stage's outputs are not the members");
    for (int run = 0; run < runs; ++run)
        RemoveFolder(base + "/run-" + std::to_string(run));

    const double n = static_cast<double>(archives.size());
    std::printf("\nUnzip of %zu archives, %.1f MB inflated; best of %d runs; load %s\n",
                archives.size(), inflated / 1e6, runs, LoadAverage().c_str());
    std::printf("  stage status: %s\n", status.c_str());
    std::printf("  in-memory floor : %8.3f s  %7.1f archives/s\n", Best(floor), n / Best(floor));
    std::printf("  floor with CRC  : %8.3f s  %7.1f archives/s\n", Best(floorCrc),
                n / Best(floorCrc));
    std::printf("  Unzip stage     : %8.3f s  %7.1f archives/s\n", Best(stage), n / Best(stage));
    std::printf("  unzip -p loop   : %8.3f s  %7.1f archives/s\n", Best(loop), n / Best(loop));
    std::printf("  stage vs unzip loop: %.1fx faster (target >= 5x)\n", Best(loop) / Best(stage));
    std::printf("  stage vs floor     : %.2fx the floor's time (target <= 1.5x); %.2fx the "
                "floor with CRC\n",
                Best(stage) / Best(floor), Best(stage) / Best(floorCrc));
    std::printf("  all %zu outputs byte-equal to unzip's\n", compared);
    std::printf("\nReproduce:\n  %s %zu %zu %d %s\n", argv[0], archiveCount, stocks, runs,
                base.c_str());
    std::printf("  reference by hand: cd %s && mkdir -p out && time (for a in zip/*.zip; do "
                "b=${a##*/}; unzip -p \"$a\" SESPRICE.DAT > out/${b%%.zip}.dat; done)\n",
                base.c_str());
    return 0;
}
