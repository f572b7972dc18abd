#include "LocalServer.h"
#include "StageFixture.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

std::string ArchivePath(const std::string& id) {
    return "/webprices.nsf/stkprices/" + id + "/$File/SESprice.zip";
}

class DownloadTest : public StageTest {
protected:
    DownloadTest() { context.server = server.Url(); }

    // A real archive whose daily file names the day, so stored files can be
    // told apart.
    std::string ArchiveBody(const std::string& id) {
        const std::string path = dir / "made.zip";
        WriteZipArchive(path, {{"SESPRICE.DAT", "day " + id + "\r\n"}});
        return ReadBytes(path);
    }
    // Serves the archive of every id and lists its item.
    void Offer(const Strings& ids) {
        for (const std::string& id : ids) {
            server.Serve(ArchivePath(id), ArchiveBody(id));
            remoteList.Add("SGX" + id);
        }
    }
    std::string ZipFile(const std::string& name) const { return folders.ZipFolder + name; }
    std::string MarkerPath() const { return ZipFile(std::string(AutoDownloadMarker)); }
    // Sorted: with several transfers under way the requests go out in no fixed order.
    Strings Fetched() const {
        Strings paths;
        for (const std::string& path : server.Requests())
            paths.push_back(path.substr(0, path.find("/$File")).substr(25));
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    LocalServer server;
};

TEST_F(DownloadTest, AutoWithoutMarkerFetchesEveryItemInListOrder) {
    Offer({"20040123", "20040122"});

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    EXPECT_EQ(Fetched(), (Strings{"20040122", "20040123"}));
    EXPECT_EQ(ReadBytes(ZipFile("SGX20040122.zip")), ArchiveBody("20040122"));
    EXPECT_EQ(ReadBytes(ZipFile("SGX20040123.zip")), ArchiveBody("20040123"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 2, last:SGX20040123.zip");
    EXPECT_EQ(frontEnd.Ranges(), (std::vector<std::pair<int, int>>{{0, 100}}));
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{0, 0, 50, 100}));
    EXPECT_EQ(Rows(zipList), (Strings{".", "..", "SGX20040122.zip", "SGX20040123.zip"}));
    EXPECT_EQ(zipList.FileCount(), 2);
}

TEST_F(DownloadTest, AutoShowsEachItemsTexts) {
    Offer({"20040122"});

    RunDownload(context, true, remoteList, zipList);

    const Strings& texts = frontEnd.StatusTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "Downloading SGX20040122.zip...");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Download successful"), texts.end());
}

TEST_F(DownloadTest, OneTransferAtATimeConnectsOnceAndEveryItemKeepsItsOwnTexts) {
    Offer({"20040121", "20040122", "20040123"});
    context.transfer.connections = 1;

    ASSERT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    const Strings& texts = frontEnd.StatusTexts();
    const auto count = [&texts](const std::string& text) {
        return std::count(texts.begin(), texts.end(), text);
    };
    EXPECT_EQ(count("Connecting to socket address "), 1);
    EXPECT_EQ(count("Sending request..."), 3);
    EXPECT_EQ(count("Download successful"), 3);
    EXPECT_EQ(Fetched(), (Strings{"20040121", "20040122", "20040123"}));
}

TEST_F(DownloadTest, AutoFetchesOnlyItemsAfterTheMarker) {
    Offer({"20040120", "20040121", "20040122", "20040123"});
    WriteBytes(MarkerPath(), "SGX20040121.zip");

    RunDownload(context, true, remoteList, zipList);

    EXPECT_EQ(Fetched(), (Strings{"20040122", "20040123"}));
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{0, 0, 0, 0, 25, 100}));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.zip");
}

TEST_F(DownloadTest, AutoWithNothingNewLeavesTheMarkerAlone) {
    Offer({"20040122", "20040123"});
    // Read up to its NUL; a rewrite would drop the bytes after it.
    WriteBytes(MarkerPath(), std::string("SGX20040123.zip\0old", 19));

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(ReadBytes(MarkerPath()), std::string("SGX20040123.zip\0old", 19));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 0, last:SGX20040123.zip");
}

TEST_F(DownloadTest, AutoOverAnEmptyRemoteList) {
    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 0");
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{0, 100}));
    EXPECT_FALSE(FileExists(MarkerPath()));
}

TEST_F(DownloadTest, ManualWithoutSelectionOnlyShowsTheMessage) {
    Offer({"20040122"});
    WriteBytes(MarkerPath(), "SGX20040101.zip");

    EXPECT_EQ(RunDownload(context, false, remoteList, zipList), StageOutcome::NoSelection);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text,
              "Please selecte a remote file to download, or click Auto.");
    EXPECT_EQ(frontEnd.Messages()[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(frontEnd.StatusTexts().empty());
    EXPECT_TRUE(frontEnd.Positions().empty());
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040101.zip");
}

TEST_F(DownloadTest, ManualRefetchesSelectedItemsAndMovesTheMarkerBack) {
    Offer({"20040121", "20040122", "20040123"});
    WriteBytes(MarkerPath(), "SGX20040123.zip");
    WriteBytes(ZipFile("SGX20040121.zip"), "stale");
    remoteList.Select("SGX20040121");
    remoteList.Select("SGX20040122");

    EXPECT_EQ(RunDownload(context, false, remoteList, zipList), StageOutcome::Succeeded);

    EXPECT_EQ(Fetched(), (Strings{"20040121", "20040122"}));
    EXPECT_EQ(ReadBytes(ZipFile("SGX20040121.zip")), ArchiveBody("20040121"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040122.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 2, last:SGX20040122.zip");
    // The sum over all three rows, not over the selection.
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{0, 0, 33, 100}));
}

TEST_F(DownloadTest, DashesStayInTheAddressButLeaveTheLocalName) {
    server.Serve(ArchivePath("2004-01-22"), ArchiveBody("2004-01-22"));
    remoteList.Add("SGX2004-01-22");

    RunDownload(context, true, remoteList, zipList);

    EXPECT_EQ(Fetched(), Strings{"2004-01-22"});
    EXPECT_EQ(ReadBytes(ZipFile("SGX20040122.zip")), ArchiveBody("2004-01-22"));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040122.zip");
}

TEST_F(DownloadTest, PauseEndsTheRunAfterTheItemInHand) {
    Offer({"20040121", "20040122", "20040123"});
    context.transfer.connections = 1;
    frontEnd.OnPump(2, [] { StopRequested = 1; });

    RunDownload(context, true, remoteList, zipList);

    EXPECT_EQ(Fetched(), Strings{"20040121"});
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040121.zip");
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total files downloaded: 1, last:SGX20040121.zip - Stopped by user.");
    EXPECT_EQ(frontEnd.Positions().back(), 100);

    // The next Auto run resumes after the last archive stored.
    RunDownload(context, true, remoteList, zipList);
    EXPECT_EQ(Fetched(), (Strings{"20040121", "20040122", "20040123"}));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 2, last:SGX20040123.zip");
}

TEST_F(DownloadTest, PauseStartsNoTransferBeyondThoseUnderWay) {
    Offer({"20040121", "20040122", "20040123", "20040124", "20040125", "20040126"});
    server.Delay(ArchivePath("20040121"), std::chrono::milliseconds(300));
    context.transfer.connections = 3;
    frontEnd.OnEveryPump([this] {
        const Strings& texts = frontEnd.StatusTexts();
        if (std::find(texts.begin(), texts.end(), "Downloading SGX20040121.zip...") != texts.end())
            StopRequested = 1;
    });

    RunDownload(context, true, remoteList, zipList);

    EXPECT_EQ(Fetched(), (Strings{"20040121", "20040122", "20040123"}));
    EXPECT_EQ(Rows(zipList), (Strings{".", "..", "SGX20040121.zip"}));
}

TEST_F(DownloadTest, ArchiveListedTwiceIsRequestedOnceWithTransfersAhead) {
    Offer({"20040120", "20040121", "20040121", "20040122"});
    // Every transfer ahead has ended, or not, by the time the first is handed over.
    server.Delay(ArchivePath("20040120"), std::chrono::milliseconds(200));
    context.transfer.connections = 4;

    ASSERT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    EXPECT_EQ(Fetched(), (Strings{"20040120", "20040121", "20040122"}));
}

TEST_F(DownloadTest, StopLeftFromBeforeTheRunIsCleared) {
    Offer({"20040122"});
    StopRequested = 1;

    RunDownload(context, true, remoteList, zipList);

    EXPECT_EQ(Fetched(), Strings{"20040122"});
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 1, last:SGX20040122.zip");
}

TEST_F(DownloadTest, ErrorStatusIsNotStoredNorCounted) {
    remoteList.Add("SGX20040122");
    WriteBytes(ZipFile("SGX20040122.zip"), "kept");

    remoteList.Select("SGX20040122");
    EXPECT_EQ(RunDownload(context, false, remoteList, zipList), StageOutcome::Failed);

    const Strings& texts = frontEnd.StatusTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Download unsuccessful"), texts.end());
    EXPECT_EQ(ReadBytes(ZipFile("SGX20040122.zip")), "kept");
    EXPECT_FALSE(FileExists(MarkerPath()));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 0");
}

TEST_F(DownloadTest, AutoMarkerStopsBeforeTheFirstFailedItem) {
    Offer({"20040121", "20040123", "20040124"});
    remoteList.Add("SGX20040122"); // not served: 404

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    EXPECT_EQ(Fetched(), (Strings{"20040121", "20040122", "20040123", "20040124"}));
    EXPECT_TRUE(FileExists(ZipFile("SGX20040123.zip")));
    EXPECT_FALSE(FileExists(ZipFile("SGX20040122.zip")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040121.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 3, last:SGX20040124.zip");
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{0, 0, 25, 25, 50, 100}));

    // Once the day is there, the next Auto run fetches it and what follows.
    server.Serve(ArchivePath("20040122"), ArchiveBody("20040122"));
    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);
    EXPECT_TRUE(FileExists(ZipFile("SGX20040122.zip")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040124.zip");
}

TEST_F(DownloadTest, AutoFailureOnTheFirstItemLeavesTheMarkerAlone) {
    Offer({"20040123"});
    remoteList.Add("SGX20040122");
    WriteBytes(MarkerPath(), "SGX20040121.zip");

    RunDownload(context, true, remoteList, zipList);

    EXPECT_TRUE(FileExists(ZipFile("SGX20040123.zip")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040121.zip");
}

TEST_F(DownloadTest, BodyThatIsNoCompleteArchiveIsNotStored) {
    const std::string whole = ArchiveBody("20040122");
    server.Serve(ArchivePath("20040122"), whole.substr(0, whole.size() - 10));
    server.Serve(ArchivePath("20040123"), "<html>maintenance</html>");
    remoteList.Add("SGX20040122");
    remoteList.Add("SGX20040123");

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    EXPECT_FALSE(FileExists(ZipFile("SGX20040122.zip")));
    EXPECT_FALSE(FileExists(ZipFile("SGX20040123.zip")));
    EXPECT_FALSE(FileExists(MarkerPath()));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 0");
    EXPECT_EQ(Rows(zipList), (Strings{".", ".."}));
}

TEST_F(DownloadTest, ArchiveWithABadCrcIsNotStored) {
    std::string body = ArchiveBody("20040122");
    // The CRC the reader checks against: 16 bytes into the central entry.
    const std::size_t central = body.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    body[central + 16] ^= 0x55;
    server.Serve(ArchivePath("20040122"), body);
    remoteList.Add("SGX20040122");

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    EXPECT_FALSE(FileExists(ZipFile("SGX20040122.zip")));
}

TEST_F(DownloadTest, ItemWhoseLocalNameHoldsASlashIsNeverWritten) {
    remoteList.Add("SGX20040122/../../escape");

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    EXPECT_EQ(frontEnd.LastStatus(), "Total files downloaded: 0");
    const Strings& texts = frontEnd.StatusTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Download unsuccessful"), texts.end());
    EXPECT_FALSE(FileExists(dir / "escape.zip"));
    EXPECT_FALSE(FileExists(MarkerPath()));
}

TEST_F(DownloadTest, ZipFolderThatCannotTakeTheFileEndsTheRun) {
    Offer({"20040122", "20040123"});
    WriteBytes(dir / "plainfile", "");
    folders.ZipFolder = dir / "plainfile/";

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_NE(frontEnd.Messages()[0].text.find(folders.ZipFolder + "SGX20040122.zip"),
              std::string::npos);
    const Strings& texts = frontEnd.StatusTexts();
    EXPECT_EQ(
        std::count_if(texts.begin(), texts.end(),
                      [](const std::string& text) { return text.starts_with("Downloading "); }),
        1);
    EXPECT_EQ(frontEnd.LastStatus(), "Download successful");
}

} // namespace
} // namespace kelvarin::test
