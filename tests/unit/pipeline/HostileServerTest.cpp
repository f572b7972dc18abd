// The stages against a server that misbehaves in every way the simulated
// exchange can: each failure is named with its address and cause, nothing
// that is not a whole archive is stored, and nothing hangs.
#include "StageFixture.h"
#include "net/HttpTransfer.h"
#include "pipeline/DailyArchiveNames.h"
#include "support/ExchangeProcess.h"
#include "support/TestPaths.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

class HostileServerTest : public StageTest {
protected:
    void SetUp() override {
        if (!FileExists(ExchangeBinary))
            GTEST_SKIP() << "build kelvarin-exchange first: " << ExchangeBinary;
    }
    // The ids the exchange offers for `days` days of its market.
    Strings Ids(std::size_t days) {
        ExchangeProcess probe({"--days", std::to_string(days), "--stocks", "3"});
        context.server = probe.Url();
        EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
        Strings ids;
        for (const std::string& item : Rows(remoteList))
            ids.push_back(AddressId(item));
        return ids;
    }
    std::vector<std::string> Args(std::size_t days, const Strings& faults) const {
        Strings args{"--days", std::to_string(days), "--stocks", "3"};
        args.insert(args.end(), faults.begin(), faults.end());
        return args;
    }
    // The one message of the run, which lists the failures.
    std::string FailureMessage() const {
        EXPECT_EQ(frontEnd.Messages().size(), 1u);
        return frontEnd.Messages().empty() ? std::string() : frontEnd.Messages().back().text;
    }
    std::string Address(const std::string& id) const {
        return ArchiveAddress(context.server, "SGX" + id);
    }
    Strings ZipFiles() const {
        Strings names;
        for (const auto& entry : std::filesystem::directory_iterator(folders.ZipFolder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(HostileServerTest, ErrorRepliesAreNamedWithAddressAndStatusAndNotStored) {
    const Strings ids = Ids(4);
    ExchangeProcess exchange(Args(4, {"--missing", ids[1], "--error500", ids[2]}));
    context.server = exchange.Url();

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    const std::string message = FailureMessage();
    EXPECT_NE(message.find(Address(ids[1]) + ": HTTP 404"), std::string::npos) << message;
    EXPECT_NE(message.find(Address(ids[2]) + ": HTTP 500"), std::string::npos) << message;
    EXPECT_EQ(ZipFiles(), (Strings{LocalName("SGX" + ids[0]), LocalName("SGX" + ids[3]),
                                   std::string(AutoDownloadMarker)}));
    // The marker waits before the first failure, so the next Auto run tries again.
    EXPECT_EQ(ReadBytes(folders.ZipFolder + std::string(AutoDownloadMarker)),
              LocalName("SGX" + ids[0]));
}

TEST_F(HostileServerTest, ReplyCutOffMidBodyIsRefused) {
    const Strings ids = Ids(2);
    ExchangeProcess exchange(Args(2, {"--cut", ids[0], "--corrupt", ids[1]}));
    context.server = exchange.Url();

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);

    const std::string message = FailureMessage();
    // libcurl takes a body without a length that ends early for a whole one:
    // only the archive check can tell.
    EXPECT_NE(message.find(Address(ids[0]) + ": not a complete zip archive"), std::string::npos)
        << message;
    EXPECT_NE(message.find(Address(ids[1]) + ": not a complete zip archive"), std::string::npos)
        << message;
    EXPECT_EQ(ZipFiles(), Strings{});
}

TEST_F(HostileServerTest, RefusedConnectionNamesTheAddressAndLibcurlsCause) {
    std::string server;
    {
        ExchangeProcess gone({"--days", "1"});
        server = gone.Url();
    }
    context.server = server;
    remoteList.Add("SGX2004-01-23");
    remoteList.SelectRow(0);

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Failed);
    EXPECT_EQ(frontEnd.LastStatus(), "Connection failed");
    EXPECT_EQ(Rows(remoteList), Strings{"SGX2004-01-23"});
    ASSERT_EQ(frontEnd.Causes().size(), 1u);
    const std::string& cause = frontEnd.Causes()[0];
    EXPECT_TRUE(cause.starts_with(IndexAddress(server) + ": ")) << cause;
    EXPECT_NE(cause.find("port " + server.substr(server.rfind(':') + 1)), std::string::npos)
        << cause;

    EXPECT_EQ(RunDownload(context, false, remoteList, zipList), StageOutcome::Failed);
    const std::string message = FailureMessage();
    EXPECT_NE(message.find(Address("2004-01-23") + ": "), std::string::npos) << message;
    EXPECT_NE(message.find(server.substr(server.rfind(':') + 1)), std::string::npos) << message;
}

TEST_F(HostileServerTest, StalledServerIsAbandonedAfterTheLowSpeedTime) {
    const Strings ids = Ids(1);
    ExchangeProcess exchange(Args(1, {"--stall", ids[0]}));
    HttpTransfer transfer(TransferSettings{.limits{.lowSpeedTime = std::chrono::seconds(1)}});
    RecordingStatusWindow status;
    std::string body;

    EXPECT_FALSE(transfer.FetchUrl(ArchiveAddress(exchange.Url(), "SGX" + ids[0]), body, "Kelvarin",
                                   &status));
    EXPECT_FALSE(body.empty());
    EXPECT_NE(status.Last().find("too slow"), std::string::npos) << status.Last();
}

TEST_F(HostileServerTest, PauseEndsAStalledArchiveAtOnceAndStoresNothingOfIt) {
    const Strings ids = Ids(3);
    ExchangeProcess exchange(Args(3, {"--stall", ids[1]}));
    context.server = exchange.Url();
    context.transfer.limits.stopAfterIdle = std::chrono::milliseconds(300);
    const std::string stalled = "Downloading " + LocalName("SGX" + ids[1]) + "...";
    // Pause is clicked while the stalled archive is under way; only the
    // transfer's own pump can deliver it then.
    frontEnd.OnEveryPump([&] {
        const Strings& texts = frontEnd.StatusTexts();
        if (std::find(texts.begin(), texts.end(), stalled) != texts.end())
            StopRequested = 1;
    });

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    const std::string first = LocalName("SGX" + ids[0]);
    EXPECT_EQ(ZipFiles(), (Strings{first, std::string(AutoDownloadMarker)}));
    EXPECT_EQ(ReadBytes(folders.ZipFolder + std::string(AutoDownloadMarker)), first);
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total files downloaded: 1, last:" + first + " - Stopped by user.");
    EXPECT_TRUE(frontEnd.Messages().empty());
}

TEST_F(HostileServerTest, RedirectLoopIsAFailedConnectionThatKeepsTheList) {
    ExchangeProcess exchange(Args(3, {"--redirect-loop"}));
    context.server = exchange.Url();
    remoteList.Add("SGX2004-01-23");

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Failed);

    EXPECT_EQ(frontEnd.LastStatus(), "Connection failed");
    EXPECT_EQ(Rows(remoteList), Strings{"SGX2004-01-23"});
    const Strings& texts = frontEnd.StatusTexts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
        return text.find("redirect") != std::string::npos ||
               text.find("Redirect") != std::string::npos;
    }));
}

TEST_F(HostileServerTest, IndexPageOfFiftyMibIsParsed) {
    // Ten years of trading days among pages of unrelated notices.
    ExchangeProcess exchange({"--days", "2600", "--stocks", "2", "--index-size-mib", "50"});
    context.server = exchange.Url();

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);

    EXPECT_EQ(remoteList.Count(), 2600);
    EXPECT_EQ(frontEnd.LastStatus(), "Connection OK - Total stock files available: 2600");
}

TEST_F(HostileServerTest, ItemIdsWithSlashesDotsSpacesAndQuotesNeverLeaveTheZipFolder) {
    ExchangeProcess exchange({"--days", "1", "--stocks", "2", "--extra-id", "../../escaped",
                              "--extra-id", "..", "--extra-id", "2004 01 26", "--extra-id", "it's",
                              "--extra-id", "2004/01/27"});
    context.server = exchange.Url();
    ASSERT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
    ASSERT_EQ(remoteList.Count(), 6) << ::testing::PrintToString(Rows(remoteList));
    // By hand, as most of these sort below any marker an Auto run would pass.
    for (int row = 0; row < remoteList.Count(); ++row)
        remoteList.SelectRow(row);

    EXPECT_EQ(RunDownload(context, false, remoteList, zipList), StageOutcome::Failed);

    const std::string message = FailureMessage();
    EXPECT_NE(message.find(Address("2004/01/27") + ": the name SGX2004/01/27.zip would lead out "
                                                   "of the zip folder"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(Address("../../escaped") + ": the name"), std::string::npos) << message;
    // An address libcurl cannot send is a failure with libcurl's reason.
    EXPECT_NE(message.find(Address("2004 01 26") + ": "), std::string::npos) << message;
    // "/../" is taken out of the address before it is sent: that is another
    // address, which the server does not have.
    EXPECT_NE(message.find(Address("..") + ": HTTP 404"), std::string::npos) << message;
    const Strings rows = Rows(remoteList);
    const auto day = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
        return row.starts_with("SGX2004-");
    });
    ASSERT_NE(day, rows.end());
    EXPECT_EQ(ZipFiles(),
              (Strings{LocalName(*day), "SGXit's.zip", std::string(AutoDownloadMarker)}));
    Strings top;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        top.push_back(entry.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (Strings{"stocks", "unzip", "zip"}));
}

} // namespace
} // namespace kelvarin::test
