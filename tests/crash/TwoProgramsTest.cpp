// The desktop program and a kelvarin-cli run from cron may start on the same
// folders at once; the second must say so and write nothing.
#include "app/FolderLock.h"
#include "support/ExchangeProcess.h"
#include "support/FileBytes.h"
#include "support/FolderSnapshot.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace kelvarin::test {
namespace {

class TwoProgramsTest : public ::testing::Test {
protected:
    std::vector<std::string> Command(std::vector<std::string> args) const {
        std::vector<std::string> argv{CliBinary, "--base", m_base.Path(), "--server",
                                      m_exchange.Url()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    bool AnyArchive() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(m_base / "zip", ignored))
            if (entry.path().extension() == ".zip")
                return true;
        return false;
    }
    // Holds the folder as another Kelvarin process would.
    std::unique_ptr<FolderLock> Hold(const std::string& folder) const {
        std::string error;
        auto lock = FolderLock::Acquire(folder, &error);
        EXPECT_NE(lock, nullptr) << error;
        return lock;
    }
    void MakeFolders() const {
        for (const char* folder : {"zip", "unzip", "stocks"})
            ::mkdir((m_base / folder).c_str(), 0777);
    }

    ExchangeProcess m_exchange{{"--days", "6", "--stocks", "5", "--slow-ms", "300"}};
    TempDir m_base;
};

TEST_F(TwoProgramsTest, SecondDownloadOnTheSameFolderSaysSoAndWritesNothing) {
    // One archive at a time keeps the first run busy for seconds, long after
    // its first archive is in.
    ProcessRunner first(Command({"--connections", "1", "download"}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!AnyArchive()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline)
            << "the first download stored nothing";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const FolderFiles during = SnapshotFolder(m_base / "zip");

    const ProcessOutput second = RunProcess(Command({"download"}));

    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find(m_base.Path() + "/zip/ is being updated by another Kelvarin process"),
              std::string::npos)
        << second.err;
    // Connect's line only: the stage itself never started.
    EXPECT_EQ(second.out.find("Total files downloaded"), std::string::npos) << second.out;
    const ProcessOutput firstDone = first.Wait();
    EXPECT_EQ(firstDone.exitCode, 0) << firstDone.err;
    // The first run's own archives and marker, each whole.
    const FolderFiles after = SnapshotFolder(m_base / "zip");
    EXPECT_EQ(after.size(), 7u);
    for (const auto& [name, bytes] : during)
        EXPECT_EQ(after.at(name), bytes) << name;
}

TEST_F(TwoProgramsTest, UnzipAndClearRefuseAFolderAnotherProcessHolds) {
    ASSERT_EQ(RunProcess(Command({"download"})).exitCode, 0);
    MakeFolders();
    const FolderFiles zips = SnapshotFolder(m_base / "zip");
    {
        const auto held = Hold(m_base / "unzip/");
        const ProcessOutput unzip = RunProcess(Command({"unzip"}));
        EXPECT_EQ(unzip.exitCode, 1);
        EXPECT_NE(unzip.err.find(m_base.Path() + "/unzip/ is being updated by another Kelvarin "
                                                 "process"),
                  std::string::npos)
            << unzip.err;
        EXPECT_TRUE(SnapshotFolder(m_base / "unzip").empty());
    }
    {
        const auto held = Hold(m_base / "zip/");
        const ProcessOutput clear = RunProcess(Command({"clear", "zip", "--yes"}));
        EXPECT_EQ(clear.exitCode, 1);
        EXPECT_NE(clear.err.find("is being updated by another Kelvarin process"), std::string::npos)
            << clear.err;
        EXPECT_EQ(SnapshotFolder(m_base / "zip"), zips);
    }
    // Once the other process is gone, both go ahead.
    EXPECT_EQ(RunProcess(Command({"unzip"})).exitCode, 0);
    EXPECT_EQ(SnapshotFolder(m_base / "unzip").size(), 7u);
}

TEST_F(TwoProgramsTest, AKilledHolderReleasesTheFolder) {
    // The kernel drops a dead process's lock: no stale lock file to remove.
    ProcessRunner first(Command({"download"}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!AnyArchive()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    first.Signal(SIGKILL);
    first.Wait();
    const ProcessOutput second = RunProcess(Command({"download"}));
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(SnapshotFolder(m_base / "zip").size(), 7u);
}

// A run from a timer may start while the desktop program is downloading:
// with --wait it waits for the folder rather than failing the evening's run.
TEST_F(TwoProgramsTest, WaitingDownloadGoesOnOnceTheFolderIsFree) {
    MakeFolders();
    auto held = Hold(m_base / "zip/");
    ProcessRunner waiting(Command({"--wait", "60", "download"}));
    const std::string notice = m_base.Path() + "/zip/ is being updated by another Kelvarin "
                                               "process; waiting up to 60 s...";
    ASSERT_TRUE(waiting.WaitForErr(notice, std::chrono::seconds(30)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(AnyArchive());

    held.reset();
    const ProcessOutput done = waiting.Wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(SnapshotFolder(m_base / "zip").size(), 7u);
}

TEST_F(TwoProgramsTest, WaitEndsWithTheRefusalWhenTimeIsUpOrOnCtrlC) {
    MakeFolders();
    const std::string refusal =
        m_base.Path() + "/zip/ is being updated by another Kelvarin process";
    auto held = Hold(m_base / "zip/");
    const ProcessOutput timedOut = RunProcess(Command({"--wait", "1", "download"}));
    EXPECT_EQ(timedOut.exitCode, 1);
    EXPECT_NE(timedOut.err.find(refusal + "; waiting up to 1 s...\n" + refusal + "\n"),
              std::string::npos)
        << timedOut.err;

    ProcessRunner interrupted(Command({"--wait", "60", "download"}));
    ASSERT_TRUE(interrupted.WaitForErr("waiting up to 60 s", std::chrono::seconds(30)));
    interrupted.Signal(SIGINT);
    // Were Ctrl+C ignored, the folder freed now would let the download go on.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    held.reset();
    const ProcessOutput stopped = interrupted.Wait();
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_NE(stopped.err.find(refusal), std::string::npos) << stopped.err;
    EXPECT_FALSE(AnyArchive());
}

} // namespace
} // namespace kelvarin::test
