#include "exchange/MarketGenerator.h"
#include "support/ExchangeProcess.h"
#include "support/FileBytes.h"
#include "support/FolderSnapshot.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kelvarin::test {
namespace {

using exchange::DailyQuote;
using exchange::MarketGenerator;
using exchange::MarketSettings;

constexpr std::uint64_t Seed = 7;
constexpr std::size_t Stocks = 20;

std::vector<std::string> ExchangeArgs(std::size_t days, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"--days",   std::to_string(days),
                                  "--stocks", std::to_string(Stocks),
                                  "--seed",   std::to_string(Seed)};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

MarketGenerator Market(std::size_t days) {
    MarketSettings settings;
    settings.seed = Seed;
    settings.days = days;
    settings.stocks = Stocks;
    return MarketGenerator(settings);
}

// "SGX" + the archive id without its dashes + the extension.
std::string LocalName(const std::string& id, const std::string& extension) {
    std::string name = "SGX";
    for (char c : id)
        if (c != '-')
            name += c;
    return name + extension;
}

std::string HistoryRow(const std::string& date, const DailyQuote& quote) {
    char row[160];
    std::snprintf(row, sizeof row, "\r\n%s\t%6.3f\t%6.3f\t%6.3f\t%6.3f\t%lld", date.c_str(),
                  quote.open / 1000.0, quote.high / 1000.0, quote.low / 1000.0,
                  quote.close / 1000.0, static_cast<long long>(quote.volume));
    return row;
}

// The history files the exchange's first `days` days must give, built from the
// market itself: one row per day a stock traded, in day order.
FolderFiles ExpectedHistories(std::size_t days) {
    const MarketGenerator market = Market(days);
    FolderFiles files;
    for (std::size_t day = 0; day < market.DayCount(); ++day) {
        for (const DailyQuote& quote : market.QuotesOn(day)) {
            std::string& file = files[quote.stock->name + " (" + quote.stock->code + ").txt"];
            if (file.empty())
                file = "date\topen\thigh\tlow\tclose\tvolume";
            file += HistoryRow(market.IdOf(day), quote);
        }
    }
    return files;
}

// Everything a run keeps in `base` but the record of the last run, which
// each run rewrites with its own times.
FolderFiles Library(const std::string& base) {
    FolderFiles files = SnapshotFolder(base);
    files.erase("kelvarin-last-run");
    return files;
}

std::size_t Rows(const std::string& history) {
    std::size_t rows = 0;
    for (std::size_t at = history.find("\r\n"); at != std::string::npos;
         at = history.find("\r\n", at + 2))
        ++rows;
    return rows;
}

class CliPipelineTest : public ::testing::Test {
protected:
    std::vector<std::string> Command(const ExchangeProcess& exchange, const TempDir& base,
                                     std::vector<std::string> args) const {
        std::vector<std::string> argv{CliBinary, "--base", base.Path(), "--server", exchange.Url()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    ProcessOutput Cli(const ExchangeProcess& exchange, std::vector<std::string> args) const {
        return RunProcess(Command(exchange, m_base, std::move(args)));
    }
    ProcessOutput Run(const ExchangeProcess& exchange) const { return Cli(exchange, {"run"}); }

    FolderFiles Histories() const { return SnapshotFolder(m_base / "stocks", ".txt"); }

    TempDir m_base;
};

TEST_F(CliPipelineTest, RunBuildsEveryHistoryFileADayAtATime) {
    ExchangeProcess exchange(ExchangeArgs(5));
    const MarketGenerator market = Market(5);
    const std::string last = market.IdOf(4);

    const ProcessOutput result = Run(exchange);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "Connection OK - Total stock files available: 5\n"
              "Total files downloaded: 5, last:" +
                  LocalName(last, ".zip") +
                  "\n"
                  "Total files unzipped: 5, last:" +
                  LocalName(last, ".zip") + "\nTotal " + std::to_string(market.QuotesOn(4).size()) +
                  " stock files updated from 5 files, last:" + LocalName(last, ".dat") + "\n");

    const FolderFiles histories = Histories();
    EXPECT_EQ(histories, ExpectedHistories(5));
    for (const auto& [name, bytes] : histories)
        EXPECT_LE(Rows(bytes), 5u) << name;
    EXPECT_EQ(ReadBytes(m_base / "stocks/log_auto_update"), LocalName(last, ".dat"));
}

TEST_F(CliPipelineTest, ConnectPrintsTheItemsInListOrderThenItsStatusLast) {
    ExchangeProcess exchange(ExchangeArgs(3));
    const MarketGenerator market = Market(3);
    const ProcessOutput result = Cli(exchange, {"connect"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "SGX" + market.IdOf(0) + "\nSGX" + market.IdOf(1) + "\nSGX" +
                              market.IdOf(2) +
                              "\nConnection OK - Total stock files available: 3\n");
    EXPECT_TRUE(SnapshotFolder(m_base.Path()).empty());
}

TEST_F(CliPipelineTest, NamedDownloadFetchesOnlyThoseItems) {
    ExchangeProcess exchange(ExchangeArgs(3));
    const MarketGenerator market = Market(3);
    const std::string named = market.IdOf(1);

    const ProcessOutput unknown = Cli(exchange, {"download", "SGX" + named, "SGX1999-01-01"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("SGX1999-01-01"), std::string::npos) << unknown.err;
    EXPECT_TRUE(SnapshotFolder(m_base / "zip").empty());

    const ProcessOutput result = Cli(exchange, {"download", "SGX" + named});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Connection OK - Total stock files available: 3\n"
                          "Total files downloaded: 1, last:" +
                              LocalName(named, ".zip") + "\n");
    const FolderFiles zip = SnapshotFolder(m_base / "zip");
    EXPECT_EQ(zip.size(), 2u);
    EXPECT_EQ(zip.at("log_auto_download"), LocalName(named, ".zip"));
    EXPECT_TRUE(zip.contains(LocalName(named, ".zip")));
}

TEST_F(CliPipelineTest, SecondRunChangesNothing) {
    ExchangeProcess exchange(ExchangeArgs(5));
    ASSERT_EQ(Run(exchange).exitCode, 0);
    const FolderFiles before = Library(m_base.Path());

    const ProcessOutput again = Run(exchange);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("Total files downloaded: 0, last:"), std::string::npos) << again.out;
    EXPECT_EQ(SnapshotDifference(Library(m_base.Path()), before), "");
}

TEST_F(CliPipelineTest, NewDayAppendsExactlyOneRowPerStock) {
    FolderFiles before;
    {
        ExchangeProcess exchange(ExchangeArgs(5));
        ASSERT_EQ(Run(exchange).exitCode, 0);
        before = Histories();
    }
    ExchangeProcess exchange(ExchangeArgs(6));
    const ProcessOutput result = Run(exchange);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const FolderFiles after = Histories();
    EXPECT_EQ(after, ExpectedHistories(6));
    const MarketGenerator market = Market(6);
    for (const DailyQuote& quote : market.QuotesOn(5)) {
        const std::string name = quote.stock->name + " (" + quote.stock->code + ").txt";
        ASSERT_TRUE(after.contains(name)) << name;
        if (before.contains(name)) {
            EXPECT_EQ(after.at(name), before.at(name) + HistoryRow(market.IdOf(5), quote));
        }
    }
    EXPECT_NE(result.out.find("Total files downloaded: 1, last:"), std::string::npos);
}

TEST_F(CliPipelineTest, MissingDayIsFetchedByTheNextAutoRun) {
    const MarketGenerator market = Market(5);
    const std::string missing = market.IdOf(2);
    {
        ExchangeProcess exchange(ExchangeArgs(5, {"--missing", missing}));
        const ProcessOutput failed = Run(exchange);
        EXPECT_EQ(failed.exitCode, 1) << failed.out;
        EXPECT_FALSE(FileExists(m_base / ("zip/" + LocalName(missing, ".zip"))));
        EXPECT_EQ(ReadBytes(m_base / "zip/log_auto_download"), LocalName(market.IdOf(1), ".zip"));
    }
    ExchangeProcess exchange(ExchangeArgs(5));
    const ProcessOutput result = Run(exchange);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(FileExists(m_base / ("zip/" + LocalName(missing, ".zip"))));
    EXPECT_EQ(Histories(), ExpectedHistories(5));
}

TEST_F(CliPipelineTest, CtrlCStopsBetweenItemsAndTheNextRunResumes) {
    ExchangeProcess exchange(ExchangeArgs(8, {"--slow-ms", "300"}));
    {
        ProcessRunner run(Command(exchange, m_base, {"run"}));
        // Interrupt once the first archive has arrived; the slow replies leave
        // several still to come even on a busy machine.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (SnapshotFolder(m_base.Path(), ".zip").empty()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no archive arrived";
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        run.Signal(SIGINT);
        const ProcessOutput stopped = run.Wait();
        EXPECT_EQ(stopped.exitCode, 0) << stopped.err;
        EXPECT_TRUE(stopped.out.ends_with(" - Stopped by user.\n")) << stopped.out;
        const std::size_t archives = SnapshotFolder(m_base / "zip", ".zip").size();
        EXPECT_GE(archives, 1u);
        EXPECT_LT(archives, 8u);
    }
    const ProcessOutput resumed = Run(exchange);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;

    TempDir uninterrupted;
    ASSERT_EQ(RunProcess(Command(exchange, uninterrupted, {"run"})).exitCode, 0);
    EXPECT_EQ(SnapshotDifference(Library(m_base.Path()), Library(uninterrupted.Path())), "");
    EXPECT_EQ(Histories(), ExpectedHistories(8));
}

} // namespace
} // namespace kelvarin::test
