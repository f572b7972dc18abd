// Download of every archive kelvarin-exchange offers on loopback (--warm, so
// no archive is built while being timed): the Download stage (core
// RunDownload, a silent front end, its archive check, writes and one flush
// before the marker included) against one curl process fetching the same
// addresses from one command line, reusing its connection. The stage keeps
// `connections` transfers under way (1 by default, as curl here).
//
//   cmake --build <build> --target download_bench kelvarin-exchange
//   <build>/bench/download_bench [archives=5000] [stocks=800] [runs=3]
//   [folder=/tmp/kelvarin-download-bench] [connections=1]

#include "BenchExchange.h"
#include "BenchFiles.h"
#include "DownloadRuns.h"
#include "SilentFrontEnd.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "support/FolderSnapshot.h"

using namespace kelvarin;
using namespace kelvarin::bench;

int main(int argc, char** argv) {
    const std::size_t archiveCount = argc > 1 ? std::stoul(argv[1]) : 5000;
    const std::size_t stocks = argc > 2 ? std::stoul(argv[2]) : 800;
    const int runs = argc > 3 ? std::stoi(argv[3]) : 3;
    const std::string base = argc > 4 ? argv[4] : "/tmp/kelvarin-download-bench";
    const int connections = argc > 5 ? std::stoi(argv[5]) : 1;

    WorkingFolders folders;
    folders.BaseFolder = base;
    folders.ResetToBaseDefaults();
    MakeFolder(base);
    RemoveEarlierRuns(base);

    const auto warming = Clock::now();
    const BenchExchange exchange({KELVARIN_EXCHANGE_BINARY, "--port", "0", "--days",
                                  std::to_string(archiveCount), "--stocks", std::to_string(stocks),
                                  "--warm"});
    std::printf("%s\n  serving %s after %.1f s of warming\n", exchange.Command().c_str(),
                exchange.Url().c_str(), SecondsSince(warming));

    MemoryList remote;
    ListArchives(folders, exchange.Url(), remote);
    // curl's outputs go to a fresh folder each run, like the stage's.
    const auto curlConfig = [&](const std::string& curlFolder) {
        return WriteCurlConfig(exchange.Url(), remote, curlFolder);
    };

    std::vector<double> stage, curl;
    std::string status;
    std::string curlFolder;
    std::string configPath;
    for (int run = 0; run < runs; ++run) {
        curlFolder = FreshRunFolder(base, "curl", run);
        configPath = curlConfig(curlFolder);
        curl.push_back(TimeCurl({}, configPath));
        folders.ZipFolder = FreshRunFolder(base, "zip", run) + "/";
        stage.push_back(TimeStage(folders, exchange.Url(), connections, remote, status));
        std::printf("run %d: stage %.3f s, curl %.3f s\n", run + 1, stage.back(), curl.back());
    }
    const std::string difference = test::FolderDifference(folders.ZipFolder, curlFolder, ".zip");
    if (!difference.empty())
        Fail("the stage's archives are not curl's:\n" + difference);
    const std::size_t compared = CountFiles(curlFolder, ".zip");
    if (compared != static_cast<std::size_t>(remote.Count()))
        Fail("curl fetched " + std::to_string(compared) + " archives");
    const double megabytes = BytesOf(folders.ZipFolder, ".zip") / 1e6;

    // What the stage's archive check (every member inflated, its CRC checked)
    // costs by itself, on the same bodies already in memory.
    std::vector<std::string> bodies;
    for (const std::string& name : FilesIn(folders.ZipFolder)) {
        if (name.ends_with(".zip"))
            bodies.push_back(ReadWhole(folders.ZipFolder + name));
    }
    const auto checking = Clock::now();
    for (const std::string& body : bodies) {
        if (!IsCompleteZipArchive(body))
            Fail("a stored archive fails the check");
    }
    const double checkSeconds = SecondsSince(checking);
    const std::string keptConfig = base + "/curl.cfg";
    WriteWhole(keptConfig, ReadWhole(configPath));
    for (int run = 0; run < runs; ++run)
        RemoveFolder(base + "/run-" + std::to_string(run));

    std::printf("\nDownload of %zu archives, %.1f MB, loopback, %d connection(s); best of %d "
                "runs; load %s\n",
                compared, megabytes, connections, runs, LoadAverage().c_str());
    std::printf("  stage status: %s\n", status.c_str());
    std::printf("  Download stage : %7.3f s  %7.1f MB/s  %7.1f archives/s\n", Best(stage),
                megabytes / Best(stage), compared / Best(stage));
    std::printf("  curl -K        : %7.3f s  %7.1f MB/s  %7.1f archives/s\n", Best(curl),
                megabytes / Best(curl), compared / Best(curl));
    std::printf("  stage throughput / curl's: %.2f (target >= 0.8)\n", Best(curl) / Best(stage));
    std::printf("  of the stage's time, the archive check alone: %.3f s (%.0f%%)\n", checkSeconds,
                100 * checkSeconds / Best(stage));
    // curl stores whatever arrives; this is the stage's own work done by curl
    // and the same check one after the other.
    std::printf("  stage throughput / (curl + the same check)'s: %.2f\n",
                (Best(curl) + checkSeconds) / Best(stage));
    std::printf("  all %zu archives byte-equal to curl's\n", compared);
    std::printf("\nReproduce:\n  %s %zu %zu %d %s %d\n", argv[0], archiveCount, stocks, runs,
                base.c_str(), connections);
    std::printf("  reference by hand: start the exchange as above, then\n"
                "  time curl -s --fail -K %s   (its addresses and output folder are this run's:\n"
                "  edit the port, mkdir the folder)\n",
                keptConfig.c_str());
    return 0;
}
