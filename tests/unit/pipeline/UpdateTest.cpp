#include "StageFixture.h"
#include "pipeline/Stages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

const std::string Header = "date\topen\thigh\tlow\tclose\tvolume";

std::string Alpha(const std::string& date) {
    return DailyLine(date, "ALPHA HOLDINGS", "A11", "2.650", "2.690", "2.640", "2.670", "800");
}
std::string AlphaRow(const std::string& date) {
    return "\r\n" + date + "\t 2.650\t 2.690\t 2.640\t 2.670\t800";
}
std::string Beta(const std::string& date) {
    return DailyLine(date, "BETA", "B2", "1234.5", "1240", "1230.25", "1235", "123456789");
}
std::string BetaRow(const std::string& date) {
    return "\r\n" + date + "\t1234.500\t1240.000\t1230.250\t1235.000\t123456789";
}
std::string Gamma(const std::string& date) {
    return DailyLine(date, "GAMMA", "G3", "0.5", "0.5", "0.5", "0.5", "1");
}
std::string Delta(const std::string& date) {
    return DailyLine(date, "DELTA", "D4", "0.5", "0.5", "0.5", "0.5", "1");
}

class UpdateTest : public StageTest {
protected:
    void Daily(const std::string& name, const std::string& content) {
        WriteBytes(folders.UnzipFolder + name, content);
    }
    std::string History(const std::string& stock) const {
        return folders.StockFolder + stock + ".txt";
    }
    std::string MarkerPath() const { return folders.StockFolder + std::string(AutoUpdateMarker); }
    // Both stocks on two days, the unzipped list refreshed.
    void TwoDays() {
        Daily("SGX20040123.dat", Alpha("2004-01-23") + Beta("2004-01-23"));
        Daily("SGX20040124.dat", Alpha("2004-01-24") + Beta("2004-01-24"));
        RefreshUnzipList();
    }
};

TEST_F(UpdateTest, AutoWithoutMarkerCreatesEachHistoryFile) {
    Daily("SGX20040123.dat", Alpha("2004-01-23") + Beta("2004-01-23"));
    RefreshUnzipList();

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), Header + AlphaRow("2004-01-23"));
    EXPECT_EQ(ReadBytes(History("BETA (B2)")), Header + BetaRow("2004-01-23"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.dat");
    EXPECT_EQ(frontEnd.StatusTexts(),
              (Strings{"Updating stock files...", "Updating stock files from SGX20040123.dat",
                       "Total 2 stock files updated from 1 files, last:SGX20040123.dat"}));
    EXPECT_EQ(frontEnd.Ranges(), (std::vector<std::pair<int, int>>{{0, 100}}));
    // Three rows: ".", ".." and the daily file; 500 / 3 is past full.
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{5, 166, 100}));
    EXPECT_EQ(Rows(stockList), (Strings{".", "..", "ALPHA HOLDINGS (A11).txt", "BETA (B2).txt"}));
}

TEST_F(UpdateTest, NextAutoRunAppendsOnlyTheNewDay) {
    Daily("SGX20040123.dat", Alpha("2004-01-23") + Beta("2004-01-23"));
    RefreshUnzipList();
    RunUpdate(context, true, unzipList, stockList);
    Daily("SGX20040124.dat", Alpha("2004-01-24") + Beta("2004-01-24"));
    RefreshUnzipList();

    RunUpdate(context, true, unzipList, stockList);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")),
              Header + AlphaRow("2004-01-23") + AlphaRow("2004-01-24"));
    EXPECT_EQ(ReadBytes(History("BETA (B2)")),
              Header + BetaRow("2004-01-23") + BetaRow("2004-01-24"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040124.dat");
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total 2 stock files updated from 1 files, last:SGX20040124.dat");
}

TEST_F(UpdateTest, AutoWithNothingNewWritesNothing) {
    TwoDays();
    RunUpdate(context, true, unzipList, stockList);
    WriteBytes(MarkerPath(), std::string("SGX20040124.dat\0old", 19));
    const std::string alpha = ReadBytes(History("ALPHA HOLDINGS (A11)"));
    FakeFrontEnd second;
    StageContext secondContext{folders, second};

    EXPECT_EQ(RunUpdate(secondContext, true, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), alpha);
    EXPECT_EQ(ReadBytes(MarkerPath()), std::string("SGX20040124.dat\0old", 19));
    EXPECT_EQ(second.LastStatus(),
              "Total 0 stock files updated from 0 files, last:SGX20040124.dat");
    // Four rows, nothing handled: the base stays 500; no closing 100.
    EXPECT_EQ(second.Positions(), (std::vector<int>{5, 125, 125}));
}

TEST_F(UpdateTest, CountIsTheRecordsOfTheLastDailyFile) {
    Daily("SGX20040123.dat", Alpha("2004-01-23") + Beta("2004-01-23") + Gamma("2004-01-23"));
    Daily("SGX20040124.dat", Alpha("2004-01-24"));
    RefreshUnzipList();

    RunUpdate(context, true, unzipList, stockList);

    EXPECT_EQ(frontEnd.LastStatus(),
              "Total 1 stock files updated from 2 files, last:SGX20040124.dat");
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{5, 125, 150, 100}));
}

TEST_F(UpdateTest, StockOnTwoLinesGetsTwoRowsInLineOrder) {
    Daily("SGX20040123.dat",
          Alpha("2004-01-23") + Beta("2004-01-23") + Alpha("2004-01-22") + Beta("2004-01-22"));
    RefreshUnzipList();

    RunUpdate(context, true, unzipList, stockList);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")),
              Header + AlphaRow("2004-01-23") + AlphaRow("2004-01-22"));
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total 4 stock files updated from 1 files, last:SGX20040123.dat");
}

TEST_F(UpdateTest, ManualWithoutSelectionOnlyShowsTheMessage) {
    TwoDays();

    EXPECT_EQ(RunUpdate(context, false, unzipList, stockList), StageOutcome::NoSelection);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text,
              "Please selecte an unzipped file to update, or click Auto.");
    EXPECT_TRUE(frontEnd.StatusTexts().empty());
    EXPECT_TRUE(frontEnd.Positions().empty());
    EXPECT_FALSE(FileExists(History("BETA (B2)")));
}

TEST_F(UpdateTest, ManualOldFileAsksAndOnYesAppendsAgain) {
    TwoDays();
    RunUpdate(context, true, unzipList, stockList);
    unzipList.Select("SGX20040123.dat");
    frontEnd.QueueAnswer(MessageAnswer::Yes);

    EXPECT_EQ(RunUpdate(context, false, unzipList, stockList), StageOutcome::Succeeded);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text, "Are you sure you want to update from SGX20040123.dat? "
                                           "The last update was from SGX20040124.dat.");
    EXPECT_EQ(frontEnd.Messages()[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")),
              Header + AlphaRow("2004-01-23") + AlphaRow("2004-01-24") + AlphaRow("2004-01-23"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.dat");
}

TEST_F(UpdateTest, ManualOldFileAnsweredNoIsSkipped) {
    TwoDays();
    RunUpdate(context, true, unzipList, stockList);
    const std::string alpha = ReadBytes(History("ALPHA HOLDINGS (A11)"));
    unzipList.Select("SGX20040123.dat");
    frontEnd.QueueAnswer(MessageAnswer::No);

    EXPECT_EQ(RunUpdate(context, false, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), alpha);
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040124.dat");
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total 0 stock files updated from 0 files, last:SGX20040124.dat");
}

TEST_F(UpdateTest, ManualNewFileIsAppliedWithoutQuestion) {
    TwoDays();
    unzipList.Select("SGX20040124.dat");

    RunUpdate(context, false, unzipList, stockList);

    EXPECT_TRUE(frontEnd.Messages().empty());
    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), Header + AlphaRow("2004-01-24"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040124.dat");
}

TEST_F(UpdateTest, ManualSelectionOfTheFolderRowsIsIgnored) {
    TwoDays();
    unzipList.Select(".");
    unzipList.Select("..");

    EXPECT_EQ(RunUpdate(context, false, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_FALSE(FileExists(History("ALPHA HOLDINGS (A11)")));
    EXPECT_FALSE(FileExists(MarkerPath()));
}

TEST_F(UpdateTest, TheFirstTwoRowsAreNeverRead) {
    Daily("SGX20040122.dat", Alpha("2004-01-22"));
    Daily("SGX20040123.dat", Alpha("2004-01-23"));
    Daily("SGX20040124.dat", Alpha("2004-01-24"));
    MemoryList withoutFolderRows;
    for (const char* name : {"SGX20040122.dat", "SGX20040123.dat", "SGX20040124.dat"})
        withoutFolderRows.Add(name);

    RunUpdate(context, true, withoutFolderRows, stockList);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), Header + AlphaRow("2004-01-24"));
}

TEST_F(UpdateTest, PauseStopsAfterTheDailyFileInHand) {
    Daily("SGX20040122.dat", Alpha("2004-01-22"));
    TwoDays();
    frontEnd.OnPump(2, [] { StopRequested = 1; });

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), Header + AlphaRow("2004-01-22"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040122.dat");
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total 1 stock files updated from 1 files, last:SGX20040122.dat");

    // The next Auto run goes on with the day after.
    RunUpdate(context, true, unzipList, stockList);
    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")),
              Header + AlphaRow("2004-01-22") + AlphaRow("2004-01-23") + AlphaRow("2004-01-24"));
}

TEST_F(UpdateTest, StopLeftFromBeforeTheRunIsCleared) {
    TwoDays();
    StopRequested = 1;

    RunUpdate(context, true, unzipList, stockList);

    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040124.dat");
}

// A history path that is a folder cannot be written: the daily file that
// meets it is taken back whole and the run ends there. With no batch budget
// every daily file goes to disk on its own, so the day before stays.
TEST_F(UpdateTest, HistoryWriteFailureTakesBackTheWholeDailyFile) {
    Daily("SGX20040122.dat", Alpha("2004-01-22") + Gamma("2004-01-22"));
    Daily("SGX20040123.dat", Alpha("2004-01-23") + Delta("2004-01-23") + Gamma("2004-01-23"));
    Daily("SGX20040124.dat", Alpha("2004-01-24"));
    RefreshUnzipList();
    frontEnd.OnPump(2, [this] {
        ASSERT_EQ(::unlink(History("GAMMA (G3)").c_str()), 0);
        ASSERT_EQ(::mkdir(History("GAMMA (G3)").c_str(), 0777), 0);
    });

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList, 0), StageOutcome::Failed);

    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), Header + AlphaRow("2004-01-22"));
    EXPECT_FALSE(FileExists(History("DELTA (D4)")));
    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_NE(frontEnd.Messages()[0].text.find(History("GAMMA (G3)")), std::string::npos);
    EXPECT_EQ(frontEnd.Messages()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040122.dat");
    EXPECT_EQ(frontEnd.LastStatus(), "Updating stock files from SGX20040123.dat");
    EXPECT_EQ(frontEnd.Positions().back(), 100);
    EXPECT_EQ(Rows(stockList), (Strings{".", "..", "ALPHA HOLDINGS (A11).txt", "GAMMA (G3).txt"}));

    // Mended, the next Auto run applies each remaining day exactly once.
    ASSERT_EQ(::rmdir(History("GAMMA (G3)").c_str()), 0);
    FakeFrontEnd second;
    StageContext secondContext{folders, second};
    EXPECT_EQ(RunUpdate(secondContext, true, unzipList, stockList), StageOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")),
              Header + AlphaRow("2004-01-22") + AlphaRow("2004-01-23") + AlphaRow("2004-01-24"));
    EXPECT_TRUE(FileExists(History("DELTA (D4)")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040124.dat");
}

TEST_F(UpdateTest, FailureOnTheFirstDailyFileLeavesMarkerAndListAlone) {
    Daily("SGX20040123.dat", Alpha("2004-01-23") + Gamma("2004-01-23"));
    RefreshUnzipList();
    ASSERT_EQ(::mkdir(History("GAMMA (G3)").c_str(), 0777), 0);

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Failed);

    EXPECT_FALSE(FileExists(History("ALPHA HOLDINGS (A11)")));
    EXPECT_FALSE(FileExists(MarkerPath()));
    EXPECT_EQ(stockList.Count(), 0);
    EXPECT_EQ(frontEnd.Positions().back(), 166);
}

TEST_F(UpdateTest, UnreadableDailyFileEndsTheRunWithItsName) {
    TwoDays();
    ASSERT_EQ(::unlink((folders.UnzipFolder + "SGX20040124.dat").c_str()), 0);

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Failed);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_NE(frontEnd.Messages()[0].text.find(folders.UnzipFolder + "SGX20040124.dat"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(History("ALPHA HOLDINGS (A11)")), Header + AlphaRow("2004-01-23"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.dat");
}

} // namespace
} // namespace kelvarin::test
