// The Update rebuild: an Auto Update of every daily file into an empty stock
// folder (core RunUpdate, a silent front end, its journal and its flush to
// disk included), against these references on the same daily files:
//   physical  every daily file read once and every history byte written
//             once, with one write per history file; nothing parsed, nothing
//             formatted, nothing flushed (the sizes come from the files the
//             floor wrote): what the disk's page cache allows; and the
//             same once those bytes are on disk after one flush of the file
//             system, which the Update must pay before its marker moves;
//   floor     the same with the records cut and the rows formatted by the
//             core's record path (DailyPriceRecord, AppendHistoryRow), all
//             rows held in memory at once;
//   naive     bench/naive_update: open, append, close per record.
// Each runs in a process of its own, so its peak memory (ru_maxrss) is its
// own, writes into a folder of its own made just before, and starts its clock
// after a sync, so it pays for no writes of the run before. Update, floor and
// naive must leave the same history files, byte for byte. Nothing is deleted
// while the runs go on: ext4 passes over the inodes of files deleted in the
// last five minutes whenever it makes a file, so a deletion slows down every
// run after it. The folders of one invocation are deleted by the next, which
// waits five minutes after that before it measures.
//
//   cmake --build <build> --target update_bench naive_update update_bench_generate
//   <build>/bench/update_bench [days=5000] [stocks=800] [runs=3]
//   [folder=/tmp/kelvarin-update-bench]
//
// The daily files are generated once into FOLDER/unzip and kept for the next
// run with the same days and stocks. One measured process by itself:
//   <build>/bench/update_bench --kelvarin|--floor UNZIP PARENT
//   <build>/bench/update_bench --physical UNZIP PARENT REFERENCE
// each writing into a new folder PARENT/run-<pid>-<mode>, whose path it prints
// first, then its seconds from the sync on.

#include "BenchFiles.h"
#include "MeasuredRun.h"
#include "SilentFrontEnd.h"
#include "app/FileAccess.h"
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
#include <unistd.h>
#include <unordered_map>

using namespace kelvarin;
using namespace kelvarin::bench;

namespace {

// What a measured mode printed: its folder, its seconds, then the rest.
Measure& Parse(Measure& measure) {
    const auto folderEnd = measure.out.find('\n');
    const auto secondsEnd = measure.out.find('\n', folderEnd + 1);
    if (secondsEnd == std::string::npos)
        Fail("unexpected output: " + measure.out);
    measure.folder = measure.out.substr(0, folderEnd);
    measure.seconds = std::strtod(measure.out.c_str() + folderEnd + 1, nullptr);
    measure.out.erase(0, secondsEnd + 1);
    return measure;
}

// A new folder for this process under `parent`, printed for the parent
// process; the clock starts after the sync, so the writes another run left
// behind are on disk before it.
std::string OwnFolder(const std::string& parent, const char* mode) {
    const std::string folder = parent + "/run-" + std::to_string(::getpid()) + "-" + mode;
    MakeFolder(folder);
    std::printf("%s\n", folder.c_str());
    ::sync();
    return folder;
}

// --kelvarin UNZIP PARENT: an Auto Update into an empty stock folder.
int RunKelvarin(const std::string& unzip, const std::string& parent) {
    WorkingFolders folders;
    folders.BaseFolder = parent;
    folders.UnzipFolder = unzip + "/";
    folders.StockFolder = OwnFolder(parent, "kelvarin") + "/";
    SilentFrontEnd frontEnd;
    StageContext context{folders, frontEnd};
    MemoryList unzipList;
    MemoryList stockList;
    const auto start = Clock::now();
    RefreshFileList(folders.UnzipFolder, unzipList, DatPattern, frontEnd);
    if (RunUpdate(context, true, unzipList, stockList) != StageOutcome::Succeeded)
        Fail("Update failed: " + frontEnd.Messages());
    std::printf("%.4f\n%s\n", SecondsSince(start), frontEnd.LastStatus().c_str());
    return 0;
}

// --floor UNZIP PARENT: one read per daily file, one write per history file.
int RunFloor(const std::string& unzip, const std::string& parent) {
    const std::string stocks = OwnFolder(parent, "floor");
    const auto start = Clock::now();
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
    std::printf("%.4f\n%zu\n", SecondsSince(start), records);
    return 0;
}

// --physical UNZIP PARENT REFERENCE: every daily file read once, and as many
// bytes as each history file of REFERENCE holds written once to a file of
// the same name. The bytes are a filler: what they are costs nothing. Also
// prints the seconds until those bytes are on disk.
int RunPhysical(const std::string& unzip, const std::string& parent, const std::string& reference) {
    std::vector<std::pair<std::string, std::size_t>> histories;
    std::size_t largest = 0;
    for (const std::string& name : FilesIn(reference)) {
        struct stat info {};
        if (!name.ends_with(".txt") || ::stat((reference + "/" + name).c_str(), &info) != 0)
            continue;
        histories.emplace_back(name, static_cast<std::size_t>(info.st_size));
        largest = std::max(largest, histories.back().second);
    }
    const std::string filler(largest, 'x');
    const std::string stocks = OwnFolder(parent, "physical");
    const auto start = Clock::now();
    WholeFile daily;
    std::size_t bytesIn = 0;
    for (const std::string& name : FilesIn(unzip)) {
        if (!name.ends_with(".dat"))
            continue;
        if (!daily.Read(unzip + "/" + name))
            Fail("cannot read " + name);
        bytesIn += daily.View().size();
    }
    std::size_t bytesOut = 0;
    for (const auto& [name, size] : histories) {
        const std::string path = stocks + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || !WriteAll(fd, std::string_view(filler).substr(0, size)) || ::close(fd) != 0)
            Fail("cannot write " + path);
        bytesOut += size;
    }
    const double unflushed = SecondsSince(start);
    // The same once on disk, as the Update's rows must be before its marker
    // names them: one flush of the file system, where the Update pays one
    // per batch.
    const int folder = ::open(stocks.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::syncfs(folder) != 0 || ::close(folder) != 0)
        Fail("cannot flush " + stocks);
    std::printf("%.4f\n%zu %zu %.4f\n", unflushed, bytesIn, bytesOut, SecondsSince(start));
    return 0;
}

void ExpectSameHistories(const std::string& got, const std::string& expected) {
    const std::string difference = test::FolderDifference(got, expected, ".txt");
    if (!difference.empty())
        Fail("the history files in " + got + " are not those in " + expected + ":\n" + difference);
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

bool HasEarlierRuns(const std::string& folder) {
    for (const std::string& name : FilesIn(folder))
        if (name.starts_with("run-"))
            return true;
    return false;
}

struct Runs {
    std::vector<double> seconds;
    std::vector<double> cpu;
    long peakKiB = 0;

    void Add(const Measure& measure) {
        seconds.push_back(measure.seconds);
        cpu.push_back(measure.cpuSeconds);
        peakKiB = std::max(peakKiB, measure.peakKiB);
    }
};

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--kelvarin" && argc == 4)
        return RunKelvarin(argv[2], argv[3]);
    if (mode == "--floor" && argc == 4)
        return RunFloor(argv[2], argv[3]);
    if (mode == "--physical" && argc == 5)
        return RunPhysical(argv[2], argv[3], argv[4]);
    if (mode.starts_with("-")) {
        std::fprintf(stderr,
                     "usage: %s [days [stocks [runs [folder]]]]\n"
                     "       %s --kelvarin|--floor UNZIP PARENT\n"
                     "       %s --physical UNZIP PARENT REFERENCE\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }

    const std::string days = argc > 1 ? argv[1] : "5000";
    const std::string stocks = argc > 2 ? argv[2] : "800";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const std::string folder = argc > 4 ? argv[4] : "/tmp/kelvarin-update-bench";
    const std::string here = Here(argv[0]);
    const std::string unzip = folder + "/unzip";
    const std::string label = folder + "/generated-" + days + "x" + stocks;
    MakeFolder(folder);
    if (ReadWhole(label).empty()) {
        MakeFolder(unzip);
        EmptyFolder(unzip);
        std::printf("%s", Run({here + "update_bench_generate", unzip, days, stocks},
                              folder + "/generate.out")
                              .out.c_str());
        WriteWhole(label, days + "x" + stocks + "\n");
    }
    if (HasEarlierRuns(folder)) {
        RemoveEarlierRuns(folder);
        ::sync();
        std::printf("Deleted the files of the last invocation; waiting five minutes before "
                    "measuring.\n");
        std::fflush(stdout);
        ::sleep(300);
    }

    // The floor's files are the reference: the core's record path, which the
    // unit tests hold against the C library's strtod and printf.
    Measure floor = Run({here + "update_bench", "--floor", unzip, folder}, folder + "/floor.out");
    const std::string reference = Parse(floor).folder;
    const double records = std::strtod(floor.out.c_str(), nullptr);
    const std::string naiveStocks = folder + "/run-naive";
    MakeFolder(naiveStocks);
    ::sync();
    const Measure naive = Run({here + "naive_update", unzip, naiveStocks}, folder + "/naive.out");
    ExpectSameHistories(naiveStocks, reference);

    Runs physicalRuns;
    Runs flushedRuns;
    Runs floorRuns;
    Runs kelvarinRuns;
    std::string status;
    std::string bytes;
    const std::string load = LoadAverage();
    for (int run = 0; run < runs; ++run) {
        Measure physical = Run({here + "update_bench", "--physical", unzip, folder, reference},
                               folder + "/physical.out");
        physicalRuns.Add(Parse(physical));
        bytes = physical.out;
        physical.seconds = 0;
        std::sscanf(bytes.c_str(), "%*s %*s %lf", &physical.seconds);
        flushedRuns.Add(physical);
        Measure floorAgain =
            Run({here + "update_bench", "--floor", unzip, folder}, folder + "/floor.out");
        floorRuns.Add(Parse(floorAgain));
        Measure kelvarin =
            Run({here + "update_bench", "--kelvarin", unzip, folder}, folder + "/kelvarin.out");
        kelvarinRuns.Add(Parse(kelvarin));
        ExpectSameHistories(kelvarin.folder, reference);
        status = kelvarin.out;
    }
    const std::string loadAfter = LoadAverage();

    std::size_t bytesIn = 0;
    std::size_t bytesOut = 0;
    std::sscanf(bytes.c_str(), "%zu %zu", &bytesIn, &bytesOut);
    std::printf("Update rebuild of %s daily files x %s stocks, %.0f records, %.1f MB in, %.1f MB "
                "out, %d runs\n",
                days.c_str(), stocks.c_str(), records, bytesIn / 1e6, bytesOut / 1e6, runs);
    std::printf("  %-38s %9s %9s %14s %8s %10s\n", "", "median", "best", "records/s", "cpu",
                "peak");
    const auto line = [records](const char* what, const Runs& measured) {
        const double median = Median(measured.seconds);
        std::printf("  %-38s %8.3fs %8.3fs %14.0f %7.3fs %6.1f MiB\n", what, median,
                    Best(measured.seconds), records / median, Median(measured.cpu),
                    measured.peakKiB / 1024.0);
    };
    line("Kelvarin (Auto Update, flush included)", kelvarinRuns);
    line("physical floor (read once, write once)", physicalRuns);
    line("physical floor, then one flush to disk", flushedRuns);
    line("floor with the record path, no flush", floorRuns);
    std::printf("  %-38s %8.3fs %9s %14.0f %7.3fs %6.1f MiB (one run, wall)\n",
                "naive (open/append/close a record)", naive.seconds, "", records / naive.seconds,
                naive.cpuSeconds, naive.peakKiB / 1024.0);
    const double kelvarin = Median(kelvarinRuns.seconds);
    std::printf("  Kelvarin over the physical floor %.2fx (target <= 3x), over it flushed once "
                "%.2fx, over the floor with the record path %.2fx\n",
                kelvarin / Median(physicalRuns.seconds), kelvarin / Median(flushedRuns.seconds),
                kelvarin / Median(floorRuns.seconds));
    std::printf("  speed-up over naive %.1fx\n", naive.seconds / kelvarin);
    std::printf("  history files identical in every run; batch budget %zu MiB\n",
                UpdateBatchBudget >> 20);
    std::printf("  last status: %s", status.c_str());
    std::printf("  machine: %ld cpus, %s, load average %s before, %s after\n",
                ::sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), load.c_str(),
                loadAfter.c_str());
    std::printf("Reproduce:\n  cmake --build <build> --target update_bench naive_update "
                "update_bench_generate\n  %supdate_bench %s %s %d %s\n",
                here.c_str(), days.c_str(), stocks.c_str(), runs, folder.c_str());
    // Only now: ext4 passes over the inodes of files deleted in the last
    // five minutes each time it makes a file, which would charge the
    // deletions to the runs after them. The next invocation deletes these.
    return 0;
}
