// Download over a link with a 50 ms round trip, where a first run far from
// the exchange spends its time: the Download stage (core RunDownload, Auto,
// silent front end; archive check, writes and the flush before the marker
// included) with 1 and with 4 transfers under way, against one curl process
// fetching the same addresses one after the other, and against curl
// --parallel --parallel-max 4.
//
// The link is a network namespace joined by a veth pair, each end delaying
// by 25 ms and passing 100 Mbit/s (netem), the exchange inside the namespace.
// Making it needs root and a kernel with netem; where either is missing the
// exchange runs on loopback and delays every reply by 50 ms (--slow-ms)
// instead, which charges each request one round trip but opens connections
// at once and passes bytes at loopback speed. The benchmark says which it used.
//
//   cmake --build <build> --target latency_download_bench kelvarin-exchange
//   <build>/bench/latency_download_bench [archives=1000] [stocks=800] [runs=3]
//   [folder=/tmp/kelvarin-latency-bench]

#include "BenchExchange.h"
#include "BenchFiles.h"
#include "DownloadRuns.h"
#include "SilentFrontEnd.h"
#include "app/WorkingFolders.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "support/FolderSnapshot.h"

#include <cstdio>
#include <memory>

using namespace kelvarin;
using namespace kelvarin::bench;

namespace {

constexpr int ParallelConnections = 4;

// Runs a shell command line; its exit status, with what it printed in `output`.
int Shell(const std::string& line, std::string& output) {
    output.clear();
    FILE* pipe = ::popen((line + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    const int status = ::pclose(pipe);
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A network namespace behind a veth pair that delays and limits both ways,
// removed when the object goes.
class DelayedLink {
public:
    DelayedLink() {
        const std::string id = std::to_string(::getpid());
        m_namespace = "kelvarin-bench-" + id;
        m_outside = "kvb" + id + "a";
        const std::string inside = "kvb" + id + "b";
        const std::string subnet = "10.213." + std::to_string(::getpid() % 250) + ".";
        m_address = subnet + "2";
        const std::string shaping = " root netem delay 25ms rate 100mbit limit 10000";
        const std::string in = "ip netns exec " + m_namespace + " ";
        for (const std::string& step : {
                 "ip netns add " + m_namespace,
                 "ip link add " + m_outside + " type veth peer name " + inside,
                 "ip link set " + inside + " netns " + m_namespace,
                 "ip addr add " + subnet + "1/30 dev " + m_outside,
                 "ip link set " + m_outside + " up",
                 in + "ip addr add " + m_address + "/30 dev " + inside,
                 in + "ip link set " + inside + " up",
                 in + "ip link set lo up",
                 "tc qdisc add dev " + m_outside + shaping,
                 in + "tc qdisc add dev " + inside + shaping,
             }) {
            std::string output;
            if (Shell(step, output) != 0) {
                m_failure = step + ": " + (output.empty() ? "failed" : output);
                return;
            }
        }
    }
    ~DelayedLink() {
        std::string ignored;
        Shell("ip link del " + m_outside, ignored);
        Shell("ip netns del " + m_namespace, ignored);
    }
    DelayedLink(const DelayedLink&) = delete;
    DelayedLink& operator=(const DelayedLink&) = delete;

    bool Made() const { return m_failure.empty(); }
    const std::string& Failure() const { return m_failure; }
    // The exchange's command, run inside the namespace on its end of the pair.
    std::vector<std::string> Wrap(std::vector<std::string> command) const {
        command.insert(command.begin(), {"ip", "netns", "exec", m_namespace});
        command.insert(command.end(), {"--address", m_address});
        return command;
    }

private:
    std::string m_namespace;
    std::string m_outside;
    std::string m_address;
    std::string m_failure;
};

// Every archive of `got` byte-equal to the one of `expected`, and no other.
void SameArchives(const std::string& got, const std::string& expected, const std::string& what) {
    const std::string difference = test::FolderDifference(got, expected, ".zip");
    if (!difference.empty())
        Fail(what + "'s archives are not curl's:\n" + difference);
}

void PrintRow(const char* name, const std::vector<double>& seconds, std::size_t archives) {
    std::printf("  %-30s best %7.2f s  median %7.2f s  %6.1f archives/s  runs:", name,
                Best(seconds), Median(seconds), archives / Best(seconds));
    for (const double run : seconds)
        std::printf(" %.2f", run);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t archiveCount = argc > 1 ? std::stoul(argv[1]) : 1000;
    const std::size_t stocks = argc > 2 ? std::stoul(argv[2]) : 800;
    const int runs = argc > 3 ? std::stoi(argv[3]) : 3;
    const std::string base = argc > 4 ? argv[4] : "/tmp/kelvarin-latency-bench";

    WorkingFolders folders;
    folders.BaseFolder = base;
    folders.ResetToBaseDefaults();
    MakeFolder(base);
    RemoveEarlierRuns(base);

    std::vector<std::string> command{
        KELVARIN_EXCHANGE_BINARY, "--port", "0", "--days", std::to_string(archiveCount), "--stocks",
        std::to_string(stocks),   "--warm"};
    // Static, so that Fail's exit still takes the namespace away.
    static const auto link = std::make_unique<DelayedLink>();
    std::string linkText;
    if (link->Made()) {
        command = link->Wrap(command);
        linkText = "network namespace behind veth with netem: 25 ms each way, 100 Mbit/s";
    } else {
        command.insert(command.end(), {"--slow-ms", "50"});
        linkText = "loopback, every reply delayed 50 ms by the exchange (--slow-ms 50); no "
                   "network namespace with netem: " +
                   link->Failure();
    }
    const auto warming = Clock::now();
    const BenchExchange exchange(command);
    std::printf("link: %s\n%s\n  serving %s after %.1f s of warming\n", linkText.c_str(),
                exchange.Command().c_str(), exchange.Url().c_str(), SecondsSince(warming));

    MemoryList remote;
    ListArchives(folders, exchange.Url(), remote);
    // curl's outputs go to a fresh folder each run, like the stage's.
    const auto curlConfig = [&](const std::string& curlFolder) {
        return WriteCurlConfig(exchange.Url(), remote, curlFolder);
    };
    // -s alone leaves curl's parallel progress meter on.
    const std::vector<std::string> parallel{
        "--parallel", "--parallel-max", std::to_string(ParallelConnections), "--no-progress-meter"};

    std::vector<double> one, four, curlOne, curlParallel;
    std::string status;
    std::string curlFolder;
    std::string configPath;
    for (int run = 0; run < runs; ++run) {
        curlFolder = FreshRunFolder(base, "curl", run);
        configPath = curlConfig(curlFolder);
        curlOne.push_back(TimeCurl({}, configPath));
        const std::string parallelFolder = FreshRunFolder(base, "curl-parallel", run);
        curlParallel.push_back(TimeCurl(parallel, curlConfig(parallelFolder)));
        SameArchives(parallelFolder, curlFolder, "curl --parallel");
        folders.ZipFolder = FreshRunFolder(base, "zip-1", run) + "/";
        one.push_back(TimeStage(folders, exchange.Url(), 1, remote, status));
        SameArchives(folders.ZipFolder, curlFolder, "the stage at 1");
        folders.ZipFolder = FreshRunFolder(base, "zip-4", run) + "/";
        four.push_back(TimeStage(folders, exchange.Url(), ParallelConnections, remote, status));
        std::printf("run %d: curl %.2f s, curl --parallel %.2f s, stage at 1 %.2f s, at 4 %.2f s\n",
                    run + 1, curlOne.back(), curlParallel.back(), one.back(), four.back());
    }
    SameArchives(folders.ZipFolder, curlFolder, "the stage at 4");
    const std::size_t compared = CountFiles(curlFolder, ".zip");
    if (compared != static_cast<std::size_t>(remote.Count()))
        Fail("curl fetched " + std::to_string(compared) + " archives");
    const double megabytes = BytesOf(folders.ZipFolder, ".zip") / 1e6;
    const std::string keptConfig = base + "/curl.cfg";
    WriteWhole(keptConfig, ReadWhole(configPath));
    for (int run = 0; run < runs; ++run)
        RemoveFolder(base + "/run-" + std::to_string(run));

    std::printf("\nDownload of %zu archives, %.1f MB; %d runs; load %s\n  link: %s\n", compared,
                megabytes, runs, LoadAverage().c_str(), linkText.c_str());
    std::printf("  stage status: %s\n", status.c_str());
    PrintRow("Download stage, 1 connection", one, compared);
    PrintRow("Download stage, 4 connections", four, compared);
    PrintRow("curl -K (one after the other)", curlOne, compared);
    PrintRow("curl --parallel-max 4 -K", curlParallel, compared);
    std::printf("  stage at 4 over curl one after the other: %.2fx best, %.2fx median "
                "(target >= 3.5)\n",
                Best(curlOne) / Best(four), Median(curlOne) / Median(four));
    std::printf("  stage at 4 against curl --parallel: %.2fx best, %.2fx median (target >= 0.9)\n",
                Best(curlParallel) / Best(four), Median(curlParallel) / Median(four));
    std::printf("  stage at 4 over the stage at 1: %.2fx best\n", Best(one) / Best(four));
    std::printf("  all %zu archives byte-equal to curl's\n", compared);
    std::printf("\nReproduce:\n  %s %zu %zu %d %s\n", argv[0], archiveCount, stocks, runs,
                base.c_str());
    std::printf("  by hand: start the exchange as above, then\n"
                "  curl -s --fail -K %s\n"
                "  curl -s --fail --parallel --parallel-max 4 --no-progress-meter -K %s\n"
                "  (its addresses and output folder are this run's: edit the port, mkdir the "
                "folder)\n",
                keptConfig.c_str(), keptConfig.c_str());
    return 0;
}
