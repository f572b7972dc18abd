#include "exchange/DailyPriceFile.h"
#include "exchange/MarketGenerator.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

constexpr int KilledExitCode = 128 + 9;
// A run that passes more crash points than this is not ending by itself.
constexpr long PointLimit = 100000;

// The library's size: tests/crash/update-kill-long sets a larger one.
std::size_t Setting(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value ? std::stoul(value) : fallback;
}

// Half the days are in the history files before the run that is killed, the
// other half are new to it, so the killed batch both appends and creates
// (a few stocks list and delist on the way).
const std::size_t Days = Setting("UPDATE_CRASH_DAYS", 12);
const std::size_t DaysBefore = Days / 2;
const std::size_t Stocks = Setting("UPDATE_CRASH_STOCKS", 26);

std::string Slurp(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void Spill(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every file of the folder with its bytes; a temporary file that a kill left
// behind never carries a real name, never shows in a list, and is left out.
Files Snapshot(const fs::path& folder) {
    Files files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("kelvarin-partial-"))
            files[name] = Slurp(entry.path());
    }
    return files;
}

std::string Difference(const Files& got, const Files& expected) {
    std::string text;
    for (const auto& [name, bytes] : expected) {
        const auto found = got.find(name);
        if (found == got.end())
            text += "  missing " + name + "\n";
        else if (found->second != bytes)
            text += "  differs " + name + " (" + std::to_string(found->second.size()) + " bytes, " +
                    std::to_string(bytes.size()) + " expected)\n";
    }
    for (const auto& [name, bytes] : got)
        if (!expected.contains(name))
            text += "  extra " + name + "\n";
    return text;
}

// `kelvarin-cli --base BASE update --yes`, killed at crash point `crashAfter`
// (0: never).
ProcessOutput Update(const fs::path& base, long crashAfter) {
    return RunProcess({"/usr/bin/env", "KELVARIN_CRASH_AFTER=" + std::to_string(crashAfter),
                       CliBinary, "--base", base.string(), "update", "--yes"});
}

class UpdateCrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(CliBinary)) << "build kelvarin-cli first";
        exchange::MarketSettings settings;
        settings.seed = 5;
        settings.days = Days;
        settings.stocks = Stocks;
        const exchange::MarketGenerator market(settings);
        const fs::path unzip = Before() / "unzip";
        fs::create_directories(unzip);
        fs::create_directories(Before() / "stocks");
        for (std::size_t day = 0; day < Days; ++day) {
            std::string name = "SGX";
            for (const char c : market.IdOf(day))
                if (c != '-')
                    name += c;
            Spill(unzip / (name + ".dat"),
                  exchange::DailyPriceFile::Render(market.IdOf(day), market.QuotesOn(day)));
            if (day + 1 == DaysBefore) {
                ASSERT_EQ(Update(Before(), 0).exitCode, 0);
            }
        }
        // The uninterrupted run every killed one must end up matching.
        fs::copy(Before(), Clean(), fs::copy_options::recursive);
        ASSERT_EQ(Update(Clean(), 0).exitCode, 0);
        m_expected = Snapshot(Clean() / "stocks");
        ASSERT_GT(m_expected.size(), Stocks);
    }

    fs::path Before() const { return m_root.Path() + "/before"; }
    fs::path Clean() const { return m_root.Path() + "/clean"; }
    fs::path Work() const { return m_root.Path() + "/work"; }

    // A fresh copy of the library as it was before the run to kill.
    void ResetWork() const {
        fs::remove_all(Work());
        fs::copy(Before(), Work(), fs::copy_options::recursive);
    }

    TempDir m_root;
    Files m_expected;
};

// Each crash point of the run in turn: the process is killed there, and the
// next run repairs what it left and applies every new day exactly once. Every
// fifth time the repairing run is killed too, early on, while it takes the
// interrupted batch back.
TEST_F(UpdateCrashTest, KilledAnywhereTheNextRunLeavesTheStocksOfAnUninterruptedRun) {
    long killed = 0;
    for (long point = 1; point <= PointLimit; ++point) {
        ResetWork();
        const ProcessOutput run = Update(Work(), point);
        if (run.exitCode == 0)
            break;
        ASSERT_EQ(run.exitCode, KilledExitCode) << "point " << point << ": " << run.err;
        ++killed;
        if (point % 5 == 0) {
            const ProcessOutput repair = Update(Work(), 2);
            ASSERT_TRUE(repair.exitCode == KilledExitCode || repair.exitCode == 0)
                << "point " << point << ": " << repair.err;
        }
        const ProcessOutput again = Update(Work(), 0);
        ASSERT_EQ(again.exitCode, 0) << "point " << point << ": " << again.err;
        const std::string difference = Difference(Snapshot(Work() / "stocks"), m_expected);
        ASSERT_TRUE(difference.empty()) << "killed at point " << point << ":\n" << difference;
    }
    RecordProperty("points_killed", static_cast<int>(killed));
    EXPECT_GE(killed, 50) << "too few crash points to be a test";
    EXPECT_LT(killed, PointLimit);
}

} // namespace
} // namespace kelvarin::test
