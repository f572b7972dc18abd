// The library check (core CheckLibrary, a silent front end) on a library the
// Update built, against two references on the same files:
//   read   every history file and every applied daily file read into memory
//          once, nothing else: what reading the library once costs;
//   parse  the same, with the daily files cut into records by the daily
//          price reader and the history files cut into rows by the history
//          row parser: the reading the check cannot do without.
// Each runs in a process of its own, RUNS times in turn, so its peak memory
// (ru_maxrss) is its own and a drift of the machine's speed hits all three.
// The check must find the library sound. With "cold" every run first drops
// the library's files from the page cache (posix_fadvise), so all three read
// them from the disk; otherwise they read them from the page cache.
//
//   cmake --build <build> --target check_bench update_bench_generate
//   <build>/bench/check_bench [days=5000] [stocks=800] [runs=5] [warm|cold]
//                             [folder=/tmp/kelvarin-check-bench]
//
// The daily files are generated, and the history files built from them by
// an Auto Update, once into FOLDER/base and kept for the next run with the
// same days and stocks.

#include "BenchFiles.h"
#include "MeasuredRun.h"
#include "SilentFrontEnd.h"
#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryCheck.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/LibraryCheck.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace kelvarin;
using namespace kelvarin::bench;

namespace {

WorkingFolders FoldersOf(const std::string& base) {
    WorkingFolders folders;
    folders.BaseFolder = base;
    folders.ResetToBaseDefaults();
    return folders;
}

// The history files and the daily files the Update applied, as the check
// finds them.
std::vector<std::string> LibraryFiles(const WorkingFolders& folders) {
    std::vector<std::string> paths;
    for (const std::string& name : FilesIn(folders.StockFolder)) {
        if (name.ends_with(TxtExtension))
            paths.push_back(folders.StockFolder + name);
    }
    for (const std::string& name : FilesIn(folders.UnzipFolder)) {
        if (name.ends_with(DatExtension))
            paths.push_back(folders.UnzipFolder + name);
    }
    return paths;
}

// The library's files leave the page cache: the next read of them goes to
// the disk. They were written long before, so none is dirty.
void DropFromCache(const std::string& base) {
    for (const std::string& path : LibraryFiles(FoldersOf(base))) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0)
            Fail("cannot drop " + path + " from the page cache");
        ::close(fd);
    }
}

// --check BASE
int RunCheck(const std::string& base) {
    SilentFrontEnd frontEnd;
    const LibraryReport report = CheckLibrary(FoldersOf(base), frontEnd);
    std::printf("%s\n", SummaryLine(report).c_str());
    return report.Sound() ? 0 : 1;
}

// --read BASE and --parse BASE
int RunReference(const std::string& base, bool parse) {
    std::size_t bytes = 0;
    std::size_t items = 0;
    WholeFile file;
    HistoryRow row;
    for (const std::string& path : LibraryFiles(FoldersOf(base))) {
        if (!file.Read(path))
            Fail("cannot read " + path);
        bytes += file.View().size();
        if (!parse)
            continue;
        if (path.ends_with(DatExtension)) {
            ReadDailyPrices(file.View(), [&](const DailyPriceRecord&) { ++items; });
            continue;
        }
        HistoryLines lines(file.View());
        std::string_view line;
        bool crlf = false;
        bool last = false;
        lines.Next(line, crlf, last);
        while (lines.Next(line, crlf, last))
            items += ParseHistoryRow(line, row) ? 1 : 0;
    }
    std::printf("%zu bytes, %zu records and rows\n", bytes, items);
    return 0;
}

// --build BASE DAYS STOCKS, in a process of its own so that the Update's
// memory does not count in the peaks of the runs measured after it.
int RunBuild(const std::string& here, const std::string& base, const std::string& days,
             const std::string& stocks) {
    RemoveFolder(base);
    MakeFolder(base);
    const WorkingFolders folders = FoldersOf(base);
    if (RunProgram({here + "update_bench_generate", folders.UnzipFolder, days, stocks}) != 0)
        Fail("cannot generate the daily files");
    WorkingFolders changing = folders;
    MakeFolder(folders.StockFolder);
    SilentFrontEnd frontEnd;
    StageContext context{changing, frontEnd};
    MemoryList unzipList;
    MemoryList stockList;
    RefreshFileList(folders.UnzipFolder, unzipList, DatPattern, frontEnd);
    if (RunUpdate(context, true, unzipList, stockList) != StageOutcome::Succeeded)
        Fail("Update failed: " + frontEnd.Messages());
    std::printf("%s\n", frontEnd.LastStatus().c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--check" && argc == 3)
        return RunCheck(argv[2]);
    if ((mode == "--read" || mode == "--parse") && argc == 3)
        return RunReference(argv[2], mode == "--parse");
    const std::string here = Here(argv[0]);
    if (mode == "--build" && argc == 5)
        return RunBuild(here, argv[2], argv[3], argv[4]);

    const std::string days = argc > 1 ? argv[1] : "5000";
    const std::string stocks = argc > 2 ? argv[2] : "800";
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    const bool cold = argc > 4 && std::string(argv[4]) == "cold";
    const std::string folder = argc > 5 ? argv[5] : "/tmp/kelvarin-check-bench";
    const std::string base = folder + "/base";
    const std::string label = folder + "/built-" + days + "x" + stocks;
    MakeFolder(folder);
    if (ReadWhole(label).empty()) {
        std::printf("built: %s", Run({here + "check_bench", "--build", base, days, stocks},
                                     folder + "/build.out")
                                     .out.c_str());
        WriteWhole(label, days + "x" + stocks + "\n");
    }

    const std::string load = LoadAverage();
    std::vector<Measure> check;
    std::vector<Measure> read;
    std::vector<Measure> parse;
    // A first read puts every file in the page cache for the warm runs.
    Run({here + "check_bench", "--read", base}, folder + "/read.out");
    const auto measure = [&](const char* what) {
        if (cold)
            DropFromCache(base);
        return Run({here + "check_bench", what, base}, folder + "/" + (what + 2) + ".out");
    };
    for (int run = 0; run < runs; ++run) {
        check.push_back(measure("--check"));
        read.push_back(measure("--read"));
        parse.push_back(measure("--parse"));
    }
    const auto median = [](const std::vector<Measure>& measures, double Measure::*field) {
        std::vector<double> values;
        for (const Measure& measure : measures)
            values.push_back(measure.*field);
        return Median(values);
    };
    const auto peak = [](const std::vector<Measure>& measures) {
        long most = 0;
        for (const Measure& measure : measures)
            most = std::max(most, measure.peakKiB);
        return most / 1024.0;
    };
    std::printf("Library check of %s days x %s stocks, files %s, medians of %d runs each\n",
                days.c_str(), stocks.c_str(), cold ? "read from the disk" : "in the page cache",
                runs);
    std::printf("  %s", check.back().out.c_str());
    std::printf("  %s", read.back().out.c_str());
    std::printf("  %-34s %8s %8s %10s\n", "", "wall", "cpu", "peak");
    const auto line = [&](const char* what, const std::vector<Measure>& measures) {
        std::printf("  %-34s %7.2fs %7.2fs %6.1f MiB\n", what, median(measures, &Measure::seconds),
                    median(measures, &Measure::cpuSeconds), peak(measures));
    };
    line("check (CheckLibrary)", check);
    line("read (every file once)", read);
    line("parse (records and rows cut)", parse);
    std::vector<double> overRead;
    std::vector<double> overParse;
    for (int run = 0; run < runs; ++run) {
        overRead.push_back(check[run].seconds / read[run].seconds);
        overParse.push_back(check[run].seconds / parse[run].seconds);
    }
    const auto ratios = [](const char* what, const std::vector<double>& ratios) {
        std::printf("  check over %s %.2fx wall (median of pairs, %.2f to %.2f)\n", what,
                    Median(ratios), Best(ratios), *std::max_element(ratios.begin(), ratios.end()));
    };
    ratios("read", overRead);
    ratios("parse", overParse);
    std::printf("  machine: %ld cpus, load before the runs %s\n", ::sysconf(_SC_NPROCESSORS_ONLN),
                load.c_str());
    std::printf("Reproduce:\n  cmake --build <build> --target check_bench update_bench_generate\n"
                "  %scheck_bench %s %s %d %s %s\n",
                here.c_str(), days.c_str(), stocks.c_str(), runs, cold ? "cold" : "warm",
                folder.c_str());
    return 0;
}
