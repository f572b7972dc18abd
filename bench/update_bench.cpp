// The Update rebuild: Clear All of the stock files, then an Auto Update of
// every daily file (core ClearStageFiles and RunUpdate, a silent front end),
// against two references on the same daily files:
//   naive  bench/naive_update: open, append, close per record;
//   floor  every daily file read once, and each history file's bytes written
//          with one sequential write (the records cut and the rows formatted
//          by the same core code, nothing flushed to disk).
// Each runs in a process of its own, so its peak memory (ru_maxrss) is its
// own; all three must leave the same history files, byte for byte.
//
//   cmake --build <build> --target update_bench naive_update update_bench_generate
//   <build>/bench/update_bench [days=5000] [stocks=800] [folder=/tmp/kelvarin-update-bench]
//
// The daily files are generated once into FOLDER/base/unzip and kept for the
// next run with the same days and stocks.

#include "BenchFiles.h"
#include "SilentFrontEnd.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "pipeline/UpdateBatch.h"
#include "support/FolderSnapshot.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

using namespace kelvarin;
using namespace kelvarin::bench;

namespace {

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0; // user and system, which the machine's load does not inflate
    long peakKiB = 0;
    std::string out;
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

std::string Here(const char* argv0) {
    const std::string self = argv0;
    const auto slash = self.rfind('/');
    return slash == std::string::npos ? "./" : self.substr(0, slash + 1);
}

// Runs a program with its stdout in `outPath`, and measures its wall time
// and peak resident memory.
Measure Run(const std::vector<std::string>& argv, const std::string& outPath) {
    std::vector<char*> pointers;
    for (const std::string& arg : argv)
        pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) != 0)
        Fail("cannot start " + argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Measure measure{SecondsSince(start), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
                    usage.ru_maxrss, ReadWhole(outPath)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail(argv[0] + " failed: " + measure.out);
    return measure;
}

// --kelvarin BASE: Clear All of the stock files, then an Auto Update.
int RunKelvarin(const std::string& base) {
    WorkingFolders folders;
    folders.BaseFolder = base;
    folders.ResetToBaseDefaults();
    SilentFrontEnd frontEnd;
    StageContext context{folders, frontEnd};
    MemoryList unzipList;
    MemoryList stockList;
    const auto start = Clock::now();
    RefreshFileList(folders.StockFolder, stockList, TxtPattern, frontEnd);
    ClearStageFiles(context, StageFolder::Stock, stockList);
    const double clearSeconds = SecondsSince(start);
    RefreshFileList(folders.UnzipFolder, unzipList, DatPattern, frontEnd);
    if (RunUpdate(context, true, unzipList, stockList) != StageOutcome::Succeeded)
        Fail("Update failed: " + frontEnd.Messages());
    std::printf("%.3f\n%s\n", clearSeconds, frontEnd.LastStatus().c_str());
    return 0;
}

// --floor UNZIP STOCKS: one read per daily file, one write per history file.
int RunFloor(const std::string& unzip, const std::string& stocks) {
    std::unordered_map<std::string, std::string> histories;
    std::size_t records = 0;
    for (const std::string& name : FilesIn(unzip)) {
        if (!name.ends_with(".dat"))
            continue;
        const bool read =
            ReadDailyPriceFile(unzip + "/" + name, [&](const DailyPriceRecord& record) {
                auto [at, isNew] = histories.try_emplace(
                    HistoryPath(stocks + "/", record.name, record.code), HistoryHeader);
                AppendHistoryRow(at->second, record);
                ++records;
            });
        if (!read)
            Fail("cannot read " + name);
    }
    for (const auto& [path, bytes] : histories)
        WriteWhole(path, bytes);
    std::printf("%zu\n", records);
    return 0;
}

// /proc files report a size of 0, so they are read to their end.
std::string ReadProc(const char* path) {
    std::string text;
    if (FILE* file = std::fopen(path, "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

std::string CpuModel() {
    const std::string info = ReadProc("/proc/cpuinfo");
    const auto at = info.find("model name");
    if (at == std::string::npos)
        return "unknown";
    const auto start = info.find(':', at) + 2;
    return info.substr(start, info.find('\n', start) - start);
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--kelvarin" && argc == 3)
        return RunKelvarin(argv[2]);
    if (mode == "--floor" && argc == 4)
        return RunFloor(argv[2], argv[3]);

    const std::string days = argc > 1 ? argv[1] : "5000";
    const std::string stocks = argc > 2 ? argv[2] : "800";
    const std::string folder = argc > 3 ? argv[3] : "/tmp/kelvarin-update-bench";
    const std::string here = Here(argv[0]);
    const std::string base = folder + "/base";
    const std::string unzip = base + "/unzip";
    const std::string label = folder + "/generated-" + days + "x" + stocks;
    MakeFolder(folder);
    MakeFolder(base);
    MakeFolder(base + "/stocks");
    if (ReadWhole(label).empty()) {
        MakeFolder(unzip);
        EmptyFolder(unzip);
        std::printf("%s", Run({here + "update_bench_generate", unzip, days, stocks},
                              folder + "/generate.out")
                              .out.c_str());
        WriteWhole(label, days + "x" + stocks + "\n");
    }
    const std::string naiveStocks = folder + "/naive-stocks";
    const std::string floorStocks = folder + "/floor-stocks";
    MakeFolder(naiveStocks);
    MakeFolder(floorStocks);
    // Every run starts from an empty stock folder with nothing left to flush,
    // and reads the daily files from the page cache (the generator, or the
    // run before, left them there).
    EmptyFolder(floorStocks);
    const Measure floor =
        Run({here + "update_bench", "--floor", unzip, floorStocks}, folder + "/floor.out");
    const double records = std::strtod(floor.out.c_str(), nullptr);
    EmptyFolder(naiveStocks);
    const Measure naive = Run({here + "naive_update", unzip, naiveStocks}, folder + "/naive.out");
    // Clear All deletes what the last rebuild left, as in real use.
    ::sync();
    const std::string load = LoadAverage();
    const Measure kelvarin =
        Run({here + "update_bench", "--kelvarin", base}, folder + "/kelvarin.out");
    for (const std::string& stocks : {base + "/stocks", naiveStocks}) {
        const std::string difference = test::FolderDifference(stocks, floorStocks, ".txt");
        if (!difference.empty())
            Fail("the history files in " + stocks + " are not the floor's:\n" + difference);
    }

    const double clearSeconds = std::strtod(kelvarin.out.c_str(), nullptr);
    const std::string status = kelvarin.out.substr(kelvarin.out.find('\n') + 1);
    std::printf("Update rebuild of %s daily files x %s stocks, %.0f records\n", days.c_str(),
                stocks.c_str(), records);
    std::printf("  %-36s %8s %14s %8s %10s\n", "", "wall", "records/s", "cpu", "peak");
    const auto line = [records](const char* what, const Measure& measure) {
        std::printf("  %-36s %7.2fs %14.0f %7.2fs %6.1f MiB\n", what, measure.seconds,
                    records / measure.seconds, measure.cpuSeconds, measure.peakKiB / 1024.0);
    };
    line("Kelvarin (Clear All + Auto Update)", kelvarin);
    line("naive (open/append/close a record)", naive);
    line("floor (1 read/daily, 1 write/hist)", floor);
    std::printf("  of Kelvarin's time, Clear All of the previous rebuild's files: %.2f s\n",
                clearSeconds);
    std::printf("  speed-up over naive %.1fx wall, %.1fx cpu (target >= 10x)\n",
                naive.seconds / kelvarin.seconds, naive.cpuSeconds / kelvarin.cpuSeconds);
    std::printf("  time over floor %.2fx wall, %.2fx cpu (target <= 2x)\n",
                kelvarin.seconds / floor.seconds, kelvarin.cpuSeconds / floor.cpuSeconds);
    std::printf("  history files identical in all three runs; batch budget %zu MiB\n",
                UpdateBatchBudget >> 20);
    std::printf("  last status: %s", status.c_str());
    std::printf("  machine: %ld cpus, %s, load before the Kelvarin run %s\n",
                ::sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), load.c_str());
    std::printf("Reproduce:\n  cmake --build <build> --target update_bench naive_update "
                "update_bench_generate\n  %supdate_bench %s %s %s\n",
                here.c_str(), days.c_str(), stocks.c_str(), folder.c_str());
    return 0;
}
