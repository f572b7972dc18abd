#include "StageFixture.h"

#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

class ClearAllTest : public StageTest {
protected:
    void ZipFiles(const Strings& names) {
        for (const std::string& name : names)
            WriteBytes(folders.ZipFolder + name, "x");
    }
    std::string ZipFile(const std::string& name) const { return folders.ZipFolder + name; }
};

TEST_F(ClearAllTest, OkDeletesTheListedArchivesAndTheMarker) {
    ZipFiles({"SGX20040122.zip", "SGX20040123.zip"});
    WriteBytes(ZipFile(std::string(AutoDownloadMarker)), "SGX20040123.zip");
    RefreshZipList();
    frontEnd.QueueAnswer(MessageAnswer::Ok);

    ClearStageFiles(context, StageFolder::Zip, zipList);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text,
              "Are you sure you want to delete all the downloaded files? \n\nAfter deletion, you "
              "can use Download with Auto option to rebuild all the downloaded files.");
    EXPECT_EQ(frontEnd.Messages()[0].buttons, MessageButtons::OkCancel);
    EXPECT_FALSE(FileExists(ZipFile("SGX20040122.zip")));
    EXPECT_FALSE(FileExists(ZipFile("SGX20040123.zip")));
    EXPECT_FALSE(FileExists(ZipFile(std::string(AutoDownloadMarker))));
    EXPECT_EQ(Rows(zipList), (Strings{".", ".."}));
    EXPECT_EQ(zipList.FileCount(), 0);
    EXPECT_TRUE(frontEnd.StatusTexts().empty());
    EXPECT_TRUE(frontEnd.Positions().empty());
}

TEST_F(ClearAllTest, UnzippedFilesAndTheirMarker) {
    WriteBytes(folders.UnzipFolder + "SGX20040123.dat", "x");
    WriteBytes(folders.UnzipFolder + std::string(AutoUnzipMarker), "SGX20040123.zip");
    WriteBytes(folders.UnzipFolder + "notes.txt", "kept");
    RefreshUnzipList();
    frontEnd.QueueAnswer(MessageAnswer::Ok);

    ClearStageFiles(context, StageFolder::Unzip, unzipList);

    EXPECT_EQ(frontEnd.Messages()[0].text,
              "Are you sure you want to delete all the unzipped files? \n\nAfter deletion, you "
              "can use Unzip with Auto option to rebuild all the unzipped files.");
    EXPECT_FALSE(FileExists(folders.UnzipFolder + "SGX20040123.dat"));
    EXPECT_FALSE(FileExists(folders.UnzipFolder + std::string(AutoUnzipMarker)));
    EXPECT_TRUE(FileExists(folders.UnzipFolder + "notes.txt"));
}

TEST_F(ClearAllTest, StockFilesAndTheirMarker) {
    WriteBytes(folders.StockFolder + "ALPHA HOLDINGS (A11).txt", "x");
    WriteBytes(folders.StockFolder + "BETA (B2).txt", "x");
    WriteBytes(folders.StockFolder + std::string(AutoUpdateMarker), "SGX20040123.dat");
    RefreshStockList();
    frontEnd.QueueAnswer(MessageAnswer::Ok);

    ClearStageFiles(context, StageFolder::Stock, stockList);

    EXPECT_EQ(frontEnd.Messages()[0].text,
              "Are you sure you want to delete all the stock files? \n\nAfter deletion, you can "
              "use Update with Auto option to rebuild all the stock files.");
    EXPECT_FALSE(FileExists(folders.StockFolder + "ALPHA HOLDINGS (A11).txt"));
    EXPECT_FALSE(FileExists(folders.StockFolder + "BETA (B2).txt"));
    EXPECT_FALSE(FileExists(folders.StockFolder + std::string(AutoUpdateMarker)));
    EXPECT_EQ(Rows(stockList), (Strings{".", ".."}));
}

TEST_F(ClearAllTest, CancelChangesNothing) {
    ZipFiles({"SGX20040122.zip"});
    WriteBytes(ZipFile(std::string(AutoDownloadMarker)), "SGX20040122.zip");
    RefreshZipList();
    ZipFiles({"SGX20040123.zip"});
    frontEnd.QueueAnswer(MessageAnswer::Cancel);

    ClearStageFiles(context, StageFolder::Zip, zipList);

    EXPECT_TRUE(FileExists(ZipFile("SGX20040122.zip")));
    EXPECT_TRUE(FileExists(ZipFile(std::string(AutoDownloadMarker))));
    // Not refreshed: the file added since is still missing from the list.
    EXPECT_EQ(Rows(zipList), (Strings{".", "..", "SGX20040122.zip"}));
}

TEST_F(ClearAllTest, FileAddedAfterTheRefreshStaysAndShowsUp) {
    ZipFiles({"SGX20040122.zip"});
    RefreshZipList();
    ZipFiles({"SGX20040123.zip"});
    frontEnd.QueueAnswer(MessageAnswer::Ok);

    ClearStageFiles(context, StageFolder::Zip, zipList);

    EXPECT_FALSE(FileExists(ZipFile("SGX20040122.zip")));
    EXPECT_TRUE(FileExists(ZipFile("SGX20040123.zip")));
    EXPECT_EQ(Rows(zipList), (Strings{".", "..", "SGX20040123.zip"}));
    EXPECT_EQ(zipList.FileCount(), 1);
}

TEST_F(ClearAllTest, UpperCaseExtensionStaysAndItsRowDeletesTheMarker) {
    ZipFiles({"SGX20040122.ZIP"});
    WriteBytes(ZipFile(std::string(AutoDownloadMarker)), "SGX20040122.zip");
    RefreshZipList();
    frontEnd.QueueAnswer(MessageAnswer::Ok);

    ClearStageFiles(context, StageFolder::Zip, zipList);

    EXPECT_TRUE(FileExists(ZipFile("SGX20040122.ZIP")));
    EXPECT_FALSE(FileExists(ZipFile(std::string(AutoDownloadMarker))));
    EXPECT_EQ(Rows(zipList), (Strings{".", "..", "SGX20040122.ZIP"}));
    EXPECT_EQ(zipList.FileCount(), 1);
}

} // namespace
} // namespace kelvarin::test
