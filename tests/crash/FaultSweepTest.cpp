#include "FaultRun.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

// Three days of four stocks keep every command's steps few enough that each
// is failed once within seconds; tests/crash/run-faults fails every step
// with every error on a bigger market.
const exchange::MarketSettings Market{.seed = 5, .days = 3, .stocks = 4};
constexpr long StepLimit = 400;
// Open, write, flush and rename: the least any command here writes.
constexpr long MinimumSteps = 4;

const FaultCommand& Command(const std::string& name) {
    const auto& commands = FaultCommands();
    return *std::find_if(commands.begin(), commands.end(),
                         [&](const FaultCommand& command) { return command.name == name; });
}

class FaultSweepTest : public ::testing::Test {
protected:
    void SetUp() override { m_sweep.Prepare(); }

    // Each step is failed once, the three errors taking turns from step to step.
    void ExpectEveryStepHandled(const std::string& name) {
        const FaultCommand& command = Command(name);
        long steps = 0;
        long failed = 0;
        std::string faults;
        for (long turn = 0; turn < std::ssize(SweptErrors); ++turn) {
            const FaultSweepResult result =
                m_sweep.Sweep(command, SweptErrors[turn], turn + 1, StepLimit, 3);
            EXPECT_GT(result.endedAt, 0) << name << " has more steps than the sweep tries";
            steps = std::max(steps, result.lastFailed);
            failed += result.runsFailed;
            for (const std::string& fault : result.faults)
                faults += fault + "\n";
        }
        EXPECT_EQ(faults, "");
        EXPECT_GE(steps, MinimumSteps) << name << " took too few write steps to be tested";
        EXPECT_EQ(failed, steps) << name << ": not every step up to the last was failed";
    }

    FaultSweep m_sweep{Market};
};

TEST_F(FaultSweepTest, DownloadFailingAtAnyStepIsCompletedByTheNextRun) {
    ExpectEveryStepHandled("download");
}

TEST_F(FaultSweepTest, UnzipFailingAtAnyStepIsCompletedByTheNextRun) {
    ExpectEveryStepHandled("unzip");
}

TEST_F(FaultSweepTest, UpdateFailingAtAnyStepIsCompletedByTheNextRun) {
    // Every daily file a batch of its own: steps also fail while one batch
    // goes to disk and the next is gathered.
    ::setenv("KELVARIN_UPDATE_BATCH_BYTES", "1", 1);
    ExpectEveryStepHandled("update");
    ::unsetenv("KELVARIN_UPDATE_BATCH_BYTES");
}

TEST_F(FaultSweepTest, ClearFailingAtAnyStepIsCompletedByTheNextRun) {
    for (const char* folder : {"zip", "unzip", "stocks"})
        ExpectEveryStepHandled(std::string("clear ") + folder);
}

TEST_F(FaultSweepTest, SettingsWriteFailingAtAnyStepKeepsTheOldFile) {
    ExpectEveryStepHandled("settings");
}

TEST_F(FaultSweepTest, RunFailingAtAnyStepLeavesATrueRecordAndIsCompletedByTheNextRun) {
    ExpectEveryStepHandled("run");
}

TEST_F(FaultSweepTest, SkipFailingAtAnyStepKeepsTheDayHeld) {
    ExpectEveryStepHandled("skip");
}

} // namespace
} // namespace kelvarin::test
