#include "pipeline/LibraryStatus.h"

#include "app/FixedNames.h"
#include "pipeline/MemoryList.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

class LibraryStatusTest : public ::testing::Test {
protected:
    LibraryStatusTest() {
        folders.BaseFolder = dir.Path();
        folders.ResetToBaseDefaults();
    }

    // Downloaded up to the 6th and the 8th stored ahead, unzipped and applied
    // up to the 5th; the 7th held, the 9th skipped.
    void MakeLibrary() {
        for (const std::string* folder :
             {&folders.ZipFolder, &folders.UnzipFolder, &folders.StockFolder})
            std::filesystem::create_directory(*folder);
        for (const char* name : {"SGX20040105.zip", "SGX20040106.zip", "SGX20040108.zip"})
            WriteBytes(folders.ZipFolder + name, "not checked here");
        WriteBytes(folders.ZipFolder + std::string(AutoDownloadMarker), "SGX20040106.zip");
        WriteBytes(folders.UnzipFolder + "SGX20040105.dat", "");
        WriteBytes(folders.UnzipFolder + std::string(AutoUnzipMarker), "SGX20040105.zip");
        WriteBytes(folders.StockFolder + "A (A1).txt",
                   "date\topen\thigh\tlow\tclose\tvolume\r\n2004-01-02\t1\t1\t1\t1\t1"
                   "\r\n2004-01-05\t1\t1\t1\t1\t1");
        WriteBytes(folders.StockFolder + "B (B2).TXT",
                   "date\topen\thigh\tlow\tclose\tvolume\r\n2004-01-06\t2\t2\t2\t2\t2");
        WriteBytes(folders.StockFolder + "notes", "\n\n\n");
        WriteBytes(folders.StockFolder + std::string(AutoUpdateMarker), "SGX20040105.dat");
        DayList held;
        held.Put({"SGX2004-01-05", "t0", "passed by the marker since"});
        held.Put({"SGX2004-01-07", "t1", "HTTP 404"});
        held.Put({"SGX2004-01-09", "t2", "HTTP 500"});
        ASSERT_TRUE(held.Write(HeldDays.PathIn(folders), "", nullptr));
        DayList skipped;
        skipped.Put({"SGX2004-01-09", "t3", "HTTP 500"});
        ASSERT_TRUE(skipped.Write(SkippedDays.PathIn(folders), "", nullptr));
    }

    TempDir dir;
    WorkingFolders folders;
};

TEST_F(LibraryStatusTest, EachStageTakesOnlyWhatTheStageBeforeCompleted) {
    MakeLibrary();

    const LibraryStatus status = ReadLibraryStatus(folders);

    const StageFolderStatus& zip = status.folders[0];
    EXPECT_EQ(zip.marker, "SGX20040106.zip");
    EXPECT_EQ(zip.files, 3);
    EXPECT_FALSE(zip.next);
    const StageFolderStatus& unzip = status.folders[1];
    ASSERT_TRUE(unzip.next);
    EXPECT_EQ(unzip.next->count, 1);
    EXPECT_EQ(unzip.next->first, "SGX20040106.zip");
    EXPECT_EQ(unzip.waiting.count, 1);
    EXPECT_EQ(unzip.waiting.first, "SGX20040108.zip");
    const StageFolderStatus& stock = status.folders[2];
    EXPECT_EQ(stock.files, 2);
    EXPECT_EQ(stock.next->count, 0);
    ASSERT_EQ(status.held.size(), 1u);
    EXPECT_EQ(status.held[0].item, "SGX2004-01-07");
    ASSERT_EQ(status.skipped.size(), 1u);
    EXPECT_EQ(status.library.stockFiles, 2);
    EXPECT_EQ(status.library.rows, 3u);
    EXPECT_EQ(status.library.firstDate, "2004-01-02");
    EXPECT_EQ(status.library.lastDate, "2004-01-06");
    EXPECT_FALSE(status.lastRun);
    EXPECT_TRUE(status.Pending());

    const std::string text = StatusText(status);
    EXPECT_NE(text.find("  waiting for Download: 1, SGX20040108.zip\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Library: 2 stock files, 3 rows, 2004-01-02 to 2004-01-06\n"),
              std::string::npos)
        << text;
}

TEST_F(LibraryStatusTest, WithTheRemoteListItTellsWhatDownloadWouldFetch) {
    MakeLibrary();
    MemoryList remote;
    for (const char* item :
         {"SGX2004-01-05", "SGX2004-01-06", "SGX2004-01-07", "SGX2004-01-08", "SGX2004-01-09"})
        remote.Add(item);

    const LibraryStatus status = ReadLibraryStatus(folders, &remote);

    // The 8th is stored, but not whole, so it is fetched again; the 9th was let go.
    ASSERT_TRUE(status.folders[0].next);
    EXPECT_EQ(status.folders[0].next->count, 2);
    EXPECT_EQ(status.folders[0].next->first, "SGX2004-01-07");
    EXPECT_EQ(status.folders[0].next->last, "SGX2004-01-08");
}

TEST_F(LibraryStatusTest, NothingIsCreatedWhereNothingIsYet) {
    const LibraryStatus status = ReadLibraryStatus(folders);

    EXPECT_FALSE(status.Pending());
    for (const StageFolderStatus& folder : status.folders) {
        EXPECT_FALSE(folder.exists);
        EXPECT_FALSE(folder.marker);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_NE(StatusText(status).find("Last run: none recorded\n"), std::string::npos);
}

} // namespace
} // namespace kelvarin::test
