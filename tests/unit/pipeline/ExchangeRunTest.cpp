#include "StageFixture.h"
#include "pipeline/DailyArchiveNames.h"
#include "support/ExchangeProcess.h"
#include "support/TestPaths.h"

#include <algorithm>
#include <dirent.h>
#include <gtest/gtest.h>
#include <map>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

// The stages over the simulated exchange, the way a user runs them.
class ExchangeRunTest : public StageTest {
protected:
    void SetUp() override {
        if (!FileExists(ExchangeBinary))
            GTEST_SKIP() << "build kelvarin-exchange first: " << ExchangeBinary;
    }

    // Every file of the stock folder with its bytes.
    std::map<std::string, std::string> StockFiles() const {
        std::map<std::string, std::string> files;
        DIR* folder = ::opendir(folders.StockFolder.c_str());
        while (const dirent* entry = folder ? ::readdir(folder) : nullptr) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                files[name] = ReadBytes(folders.StockFolder + name);
        }
        if (folder)
            ::closedir(folder);
        return files;
    }

    void RunAll(StageOutcome expected) {
        ASSERT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
        EXPECT_EQ(RunDownload(context, true, remoteList, zipList), expected);
        EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);
        EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    }
};

TEST_F(ExchangeRunTest, WholePipelineGivesEachStockOneRowPerDayAndASecondRunChangesNothing) {
    ExchangeProcess exchange({"--days", "3", "--stocks", "5"});
    context.server = exchange.Url();

    RunAll(StageOutcome::Succeeded);

    ASSERT_EQ(remoteList.Count(), 3);
    EXPECT_EQ(zipList.FileCount(), 3);
    EXPECT_EQ(unzipList.FileCount(), 3);
    EXPECT_GE(stockList.FileCount(), 5);
    const std::string lastDaily = UnzippedName(LocalName(remoteList.Text(2)));
    EXPECT_EQ(ReadBytes(folders.StockFolder + std::string(AutoUpdateMarker)), lastDaily);
    const auto library = StockFiles();
    for (const auto& [name, bytes] : library) {
        if (!name.ends_with(".txt"))
            continue;
        EXPECT_TRUE(bytes.starts_with("date\topen\thigh\tlow\tclose\tvolume")) << name;
        const auto rows = std::count(bytes.begin(), bytes.end(), '\n');
        EXPECT_GE(rows, 1) << name;
        EXPECT_LE(rows, 3) << name;
    }

    RunAll(StageOutcome::Succeeded);

    EXPECT_EQ(StockFiles(), library);
}

TEST_F(ExchangeRunTest, FailedDaysAreNotStoredAndTheMarkerWaitsForTheFirst) {
    Strings items;
    {
        ExchangeProcess probe({"--days", "4", "--stocks", "2"});
        context.server = probe.Url();
        ASSERT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
        items = Rows(remoteList);
    }
    ASSERT_EQ(items.size(), 4u);
    ExchangeProcess exchange({"--days", "4", "--stocks", "2", "--missing", AddressId(items[1]),
                              "--cut", AddressId(items[2]), "--corrupt", AddressId(items[3])});
    context.server = exchange.Url();

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    EXPECT_EQ(Rows(zipList), (Strings{".", "..", LocalName(items[0])}));
    EXPECT_EQ(ReadBytes(folders.ZipFolder + std::string(AutoDownloadMarker)), LocalName(items[0]));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 1, last:" + LocalName(items[0]));
}

} // namespace
} // namespace kelvarin::test
