#include "exchange/MarketGenerator.h"
#include "support/ExchangeProcess.h"
#include "support/FileBytes.h"
#include "support/FolderSnapshot.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kelvarin::test {
namespace {

using exchange::MarketGenerator;
using exchange::MarketSettings;
using nlohmann::json;

constexpr std::uint64_t Seed = 11;
constexpr std::size_t Stocks = 15;
// Below ten days the market's roster is fixed, so each evening's exchange
// offers the days of the evening before unchanged, and one more.
constexpr std::size_t Days = 7;
constexpr std::size_t Gap = 3;

MarketGenerator Market() {
    MarketSettings settings;
    settings.seed = Seed;
    settings.days = Days;
    settings.stocks = Stocks;
    return MarketGenerator(settings);
}

std::string ZipName(const std::string& id) {
    std::string name = "SGX";
    for (const char c : id)
        if (c != '-')
            name += c;
    return name + ".zip";
}

// What each day's archive was asked for, over every evening.
std::map<std::string, int> Requests(const std::string& log) {
    std::map<std::string, int> counts;
    const std::string lines = FileExists(log) ? ReadBytes(log) : std::string();
    for (std::size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1)
        ++counts[lines.substr(at, end - at)];
    return counts;
}

class UnattendedRunTest : public ::testing::Test {
protected:
    // The exchange of one evening: the first `days` trading days, the gap
    // day answering 404 once it is listed.
    std::vector<std::string> Evening(std::size_t days, std::vector<std::string> extra = {}) const {
        std::vector<std::string> args{
            "--days", std::to_string(days), "--stocks",      std::to_string(Stocks),
            "--seed", std::to_string(Seed), "--request-log", m_log.Path() + "/requests"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    std::vector<std::string> EveningWithGap(std::size_t days) const {
        return Evening(days, {"--missing", m_market.IdOf(Gap)});
    }

    ProcessOutput Cli(const TempDir& base, const std::string& server,
                      std::vector<std::string> args) const {
        std::vector<std::string> argv{CliBinary, "--base", base.Path(), "--server", server};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }
    ProcessOutput Run(const ExchangeProcess& exchange) const {
        return Cli(m_base, exchange.Url(), {"run"});
    }
    // Status reads only the folders: the exchange it is given is never asked.
    ProcessOutput Status(std::vector<std::string> args = {}) const {
        args.insert(args.begin(), "status");
        return Cli(m_base, "http://127.0.0.1:1", args);
    }
    json StatusJson(int expectedExit) const {
        const ProcessOutput status = Status({"--json"});
        EXPECT_EQ(status.exitCode, expectedExit) << status.out << status.err;
        return json::parse(status.out);
    }
    std::string Marker(const char* folder, const char* name) const {
        return ReadBytes(m_base / (std::string(folder) + "/" + name));
    }
    std::string Gapped() const { return "SGX" + m_market.IdOf(Gap); }
    std::string Day(std::size_t day) const { return ZipName(m_market.IdOf(day)); }

    const MarketGenerator m_market = Market();
    TempDir m_base;
    TempDir m_log;
};

TEST_F(UnattendedRunTest, HeldDayHoldsTheLibraryUntilSkippedThenItCompletes) {
    {
        ExchangeProcess exchange(Evening(Gap));
        ASSERT_EQ(Run(exchange).exitCode, 0);
        const ProcessOutput status = Status();
        EXPECT_EQ(status.exitCode, 0) << status.out;
        EXPECT_NE(status.out.find("Held days: none\n"), std::string::npos) << status.out;
        EXPECT_NE(status.out.find("Last run: succeeded (exit 0)"), std::string::npos);
    }

    // The gap is listed but never comes: the library goes up to the day before.
    std::string since;
    {
        ExchangeProcess exchange(EveningWithGap(Gap + 2));
        const ProcessOutput held = Run(exchange);
        EXPECT_EQ(held.exitCode, 1) << held.out;
        EXPECT_NE(held.err.find("Later days wait for " + Gapped()), std::string::npos) << held.err;
        EXPECT_NE(held.err.find("the next Auto run starts after " + Day(Gap - 1)),
                  std::string::npos)
            << held.err;
        EXPECT_NE(held.err.find("kelvarin-cli --base " + m_base.Path() + " skip " + Gapped()),
                  std::string::npos)
            << held.err;
        EXPECT_TRUE(FileExists(m_base / ("zip/" + Day(Gap + 1))));
        EXPECT_EQ(Marker("zip", "log_auto_download"), Day(Gap - 1));
        EXPECT_EQ(Marker("unzip", "log_auto_unzip"), Day(Gap - 1));
        EXPECT_FALSE(FileExists(m_base / ("unzip/" + Day(Gap + 1).substr(0, 11) + ".dat")));

        const json status = StatusJson(1);
        ASSERT_EQ(status["held"].size(), 1u) << status.dump();
        EXPECT_EQ(status["held"][0]["item"], Gapped());
        since = status["held"][0]["since"].get<std::string>();
        EXPECT_NE(status["held"][0]["cause"].get<std::string>().find("404"), std::string::npos);
        EXPECT_EQ(status["folders"][1]["waiting"]["count"], 1);
        EXPECT_EQ(status["folders"][1]["waiting"]["first"], Day(Gap + 1));
        EXPECT_EQ(status["folders"][1]["next"]["count"], 0);
        EXPECT_EQ(status["last_run"]["outcome"], "failed");
        EXPECT_EQ(status["last_run"]["steps"]["download"], "failed");
        EXPECT_EQ(status["last_run"]["steps"]["update"], "succeeded");
        EXPECT_TRUE(status["pending"].get<bool>());
        EXPECT_NE(Status().out.find("Held days:\n  " + Gapped() + " since "), std::string::npos);
    }
    const FolderFiles heldStocks = SnapshotFolder(m_base / "stocks");

    // A new day arrives; the day after the gap, stored whole, is not fetched again.
    {
        ExchangeProcess exchange(EveningWithGap(Gap + 3));
        EXPECT_EQ(Run(exchange).exitCode, 1);
        EXPECT_TRUE(FileExists(m_base / ("zip/" + Day(Gap + 2))));
        EXPECT_EQ(SnapshotFolder(m_base / "stocks"), heldStocks);

        // With the exchange, status also says what the next Download fetches.
        const ProcessOutput remote = Cli(m_base, exchange.Url(), {"status", "--remote", "--json"});
        EXPECT_EQ(remote.exitCode, 1);
        const json status = json::parse(remote.out);
        EXPECT_EQ(status["folders"][0]["next"]["count"], 1);
        EXPECT_EQ(status["folders"][0]["next"]["first"], Gapped());
        EXPECT_EQ(status["held"][0]["since"], since);
    }

    const ProcessOutput refused = Cli(m_base, "http://127.0.0.1:1", {"skip", "SGX1999-01-01"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("Held: " + Gapped()), std::string::npos) << refused.err;
    const ProcessOutput skipped = Cli(m_base, "http://127.0.0.1:1", {"skip", Gapped()});
    ASSERT_EQ(skipped.exitCode, 0) << skipped.err;
    {
        const json status = StatusJson(1);
        EXPECT_TRUE(status["held"].empty());
        ASSERT_EQ(status["skipped"].size(), 1u);
        EXPECT_EQ(status["skipped"][0]["item"], Gapped());
        EXPECT_NE(status["skipped"][0]["cause"].get<std::string>().find("404"), std::string::npos);
        EXPECT_EQ(status["folders"][1]["waiting"]["count"], 2);
    }

    // The next evening passes the skipped day and completes the library.
    {
        ExchangeProcess exchange(EveningWithGap(Gap + 3));
        const ProcessOutput completed = Run(exchange);
        EXPECT_EQ(completed.exitCode, 0) << completed.err;
    }
    {
        const json status = StatusJson(0);
        EXPECT_FALSE(status["pending"].get<bool>());
        EXPECT_EQ(status["last_run"]["outcome"], "succeeded");
        EXPECT_EQ(status["folders"][2]["marker"], Day(Gap + 2).substr(0, 11) + ".dat");
        std::size_t histories = 0;
        for (const auto& [name, bytes] : SnapshotFolder(m_base / "stocks"))
            histories += name.ends_with(".txt") ? 1 : 0;
        EXPECT_EQ(status["library"]["stock_files"], histories);
        EXPECT_NE(Status().out.find("Skipped days:\n  " + Gapped() + " skipped "),
                  std::string::npos);
    }

    // Every day was fetched once; the gap each evening it was held, then never.
    const std::map<std::string, int> requests = Requests(m_log / "requests");
    for (std::size_t day = 0; day < Gap + 3; ++day)
        EXPECT_EQ(requests.count(m_market.IdOf(day)) ? requests.at(m_market.IdOf(day)) : 0,
                  day == Gap ? 2 : 1)
            << m_market.IdOf(day);

    TempDir clean;
    {
        ExchangeProcess exchange(Evening(Gap + 3, {"--unlisted", m_market.IdOf(Gap)}));
        ASSERT_EQ(Cli(clean, exchange.Url(), {"run"}).exitCode, 0);
    }
    for (const char* folder : {"zip", "unzip", "stocks"})
        EXPECT_EQ(
            SnapshotDifference(SnapshotFolder(m_base / folder), SnapshotFolder(clean / folder)), "")
            << folder;
}

} // namespace
} // namespace kelvarin::test
