#include "CrashRun.h"
#include "support/ExchangeProcess.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

// Ten days of twenty stocks give each stage more than fifty crash points
// while a whole sweep stays within seconds; tests/crash/run-long goes further.
const std::vector<std::string> Market{"--days", "10", "--stocks", "20", "--seed", "11"};
constexpr long MinimumPoints = 50;
constexpr long PointLimit = 400;
// Every daily file a batch of its own.
constexpr const char* SmallBatchBytes = "1";

std::size_t HistoryFiles(const FolderFiles& base) {
    return std::count_if(base.begin(), base.end(), [](const auto& file) {
        return file.first.starts_with("stocks/") && file.first.ends_with(".txt");
    });
}

std::string Faults(const SweepResult& result) {
    std::string text;
    for (const std::string& fault : result.faults)
        text += fault + "\n";
    return text;
}

class CrashHarnessTest : public ::testing::Test {
protected:
    void SetUp() override { m_sweep.Prepare(); }

    // Every point of the stage is killed once, then the stage is run again.
    void ExpectEveryPointRecovers(CrashStage stage) {
        const SweepResult result = m_sweep.Sweep(stage, 1, PointLimit);
        EXPECT_TRUE(result.faults.empty()) << Faults(result);
        EXPECT_GE(result.pointsInStage, MinimumPoints)
            << StageName(stage) << " passed too few crash points to be tested";
        EXPECT_EQ(result.pointsKilled, result.pointsInStage);
    }

    ExchangeProcess m_exchange{Market};
    CrashSweep m_sweep{m_exchange.Url()};
};

TEST_F(CrashHarnessTest, DownloadKilledAnywhereIsCompletedByTheNextRun) {
    ExpectEveryPointRecovers(CrashStage::Download);
}

TEST_F(CrashHarnessTest, UnzipKilledAnywhereIsCompletedByTheNextRun) {
    ExpectEveryPointRecovers(CrashStage::Unzip);
}

TEST_F(CrashHarnessTest, UpdateKilledAnywhereIsCompletedByTheNextRun) {
    // Killed both while it appends to history files and while it creates them.
    const std::size_t histories = HistoryFiles(m_sweep.Before(CrashStage::Update));
    EXPECT_GT(histories, 0u);
    EXPECT_GT(HistoryFiles(m_sweep.After(CrashStage::Update)), histories);
    // A batch of a day or so: also killed while one batch goes to disk and the
    // next is gathered. The reference was made in one batch.
    ::setenv("KELVARIN_UPDATE_BATCH_BYTES", SmallBatchBytes, 1);
    ExpectEveryPointRecovers(CrashStage::Update);
    ::unsetenv("KELVARIN_UPDATE_BATCH_BYTES");
}

TEST(SettingsCrashTest, SettingsKilledAnywhereAreTheOldOrTheNewFile) {
    ExchangeProcess exchange{Market};
    CrashSweep sweep(exchange.Url());
    const SweepResult result = sweep.SweepSettings(PointLimit);
    EXPECT_TRUE(result.faults.empty()) << Faults(result);
    // Open, write, before and after the rename.
    EXPECT_GE(result.pointsInStage, 4);
    EXPECT_EQ(result.pointsKilled, result.pointsInStage);
}

} // namespace
} // namespace kelvarin::test
