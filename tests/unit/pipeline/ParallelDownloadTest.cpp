// Download with several transfers under way, against the simulated exchange
// answering some archives late, so that transfers end out of row order: the
// user and the zip folder must see a run exactly as with one transfer at a time.
#include "StageFixture.h"
#include "pipeline/DailyArchiveNames.h"
#include "support/ExchangeProcess.h"
#include "support/TestPaths.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

// What the user is shown of one item, between its "Downloading" text and
// the next item's: its requests, the running total it ended on, the cause
// shown before a failure, and its outcome.
struct ItemTexts {
    std::string heading;
    int requests = 0;
    std::string lastRead;
    std::string cause;
    std::string outcome;

    bool operator==(const ItemTexts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ItemTexts& item) {
    return out << "{" << item.heading << " requests " << item.requests << ", " << item.lastRead
               << ", " << item.cause << ", " << item.outcome << "}";
}

std::vector<ItemTexts> PerItem(const Strings& texts) {
    std::vector<ItemTexts> items;
    for (std::size_t at = 0; at < texts.size(); ++at) {
        const std::string& text = texts[at];
        if (text.starts_with("Downloading ")) {
            items.emplace_back();
            items.back().heading = text;
        } else if (items.empty()) {
            continue;
        } else if (text == "Sending request...") {
            ++items.back().requests;
        } else if (text.starts_with("Read ")) {
            // Without the rate, which depends on the moment.
            items.back().lastRead = text.substr(0, text.find(" bytes"));
        } else if (text == "Download successful" || text == "Download unsuccessful") {
            items.back().outcome = text;
            if (text == "Download unsuccessful" && at > 0)
                items.back().cause = texts[at - 1];
        }
    }
    return items;
}

long Count(const Strings& texts, const std::string& text) {
    return std::count(texts.begin(), texts.end(), text);
}

// Every file of `folder` with a digest of its bytes, short enough to read in a failure.
std::map<std::string, std::size_t> FilesIn(const std::string& folder) {
    std::map<std::string, std::size_t> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] =
            std::hash<std::string>{}(ReadBytes(entry.path().string()));
    return files;
}

// One Download run in a base folder of its own.
struct DownloadRun {
    DownloadRun(const std::string& server, int connections) {
        folders.BaseFolder = dir.Path();
        folders.ResetToBaseDefaults();
        std::filesystem::create_directory(folders.ZipFolder);
        context.server = server;
        context.transfer.connections = connections;
    }

    TempDir dir;
    WorkingFolders folders;
    FakeFrontEnd frontEnd;
    StageContext context{folders, frontEnd};
    MemoryList zipList;
};

class ParallelDownloadTest : public StageTest {
protected:
    void SetUp() override {
        if (!FileExists(ExchangeBinary))
            GTEST_SKIP() << "build kelvarin-exchange first: " << ExchangeBinary;
        ExchangeProcess probe({"--days", std::to_string(Days), "--stocks", "3"});
        context.server = probe.Url();
        ASSERT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
        for (const std::string& item : Rows(remoteList))
            m_ids.push_back(AddressId(item));
        ASSERT_EQ(m_ids.size(), Days);
    }

    // The exchange answering the rows late by turns, the first latest.
    Strings Args(const Strings& faults) const {
        Strings args{"--days", std::to_string(Days), "--stocks", "3"};
        const int delays[] = {400, 0, 250, 0, 100, 0, 300, 0};
        for (std::size_t row = 0; row < Days; ++row) {
            if (delays[row] > 0)
                args.insert(args.end(),
                            {"--delay", m_ids[row] + "=" + std::to_string(delays[row])});
        }
        args.insert(args.end(), faults.begin(), faults.end());
        return args;
    }
    std::string Local(std::size_t row) const { return LocalName("SGX" + m_ids[row]); }

    static constexpr std::size_t Days = 8;
    Strings m_ids;
};

TEST_F(ParallelDownloadTest, FourTransfersShowAndStoreWhatOneAtATimeDoes) {
    ExchangeProcess exchange(Args({"--missing", m_ids[3], "--corrupt", m_ids[5]}));
    DownloadRun alone(exchange.Url(), 1);
    DownloadRun four(exchange.Url(), 4);

    EXPECT_EQ(RunDownload(alone.context, true, remoteList, alone.zipList), StageOutcome::Failed);
    EXPECT_EQ(RunDownload(four.context, true, remoteList, four.zipList), StageOutcome::Failed);

    const auto stored = FilesIn(four.folders.ZipFolder);
    EXPECT_EQ(stored, FilesIn(alone.folders.ZipFolder));
    EXPECT_EQ(stored.size(), Days - 2 + 1);
    EXPECT_EQ(stored.count(Local(3)), 0u);
    EXPECT_EQ(ReadBytes(four.folders.ZipFolder + std::string(AutoDownloadMarker)), Local(2));
    EXPECT_EQ(four.frontEnd.LastStatus(), "Total files downloaded: 6, last:" + Local(Days - 1));
    EXPECT_EQ(four.frontEnd.LastStatus(), alone.frontEnd.LastStatus());
    EXPECT_EQ(four.frontEnd.Positions(), alone.frontEnd.Positions());
    EXPECT_EQ(Rows(four.zipList), Rows(alone.zipList));
    ASSERT_EQ(four.frontEnd.Messages().size(), 1u);
    // The advice after the failures names the moment the day first failed.
    const auto failures = [](const std::string& text) {
        return text.substr(0, text.find("\nLater days wait"));
    };
    const std::string& message = four.frontEnd.Messages()[0].text;
    EXPECT_EQ(failures(message), failures(alone.frontEnd.Messages()[0].text));
    EXPECT_NE(message.find("the next Auto run starts after " + Local(2)), std::string::npos)
        << message;

    const Strings& texts = four.frontEnd.StatusTexts();
    const std::vector<ItemTexts> items = PerItem(texts);
    EXPECT_EQ(items, PerItem(alone.frontEnd.StatusTexts()));
    ASSERT_EQ(items.size(), Days);
    for (std::size_t row = 0; row < Days; ++row) {
        EXPECT_EQ(items[row].heading, "Downloading " + Local(row) + "...");
        EXPECT_EQ(items[row].requests, 1) << row;
    }
    EXPECT_EQ(items[3].cause, "HTTP 404 Not Found");
    // Transfers side by side each took a connection; later ones reused them.
    EXPECT_EQ(Count(alone.frontEnd.StatusTexts(), "Connecting to socket address "), 1);
    EXPECT_GE(Count(texts, "Connecting to socket address "), 2);
    EXPECT_LE(Count(texts, "Connecting to socket address "), 4);
}

TEST_F(ParallelDownloadTest, PauseKeepsTheRowsUpToTheOneInHandAndDropsTheRest) {
    ExchangeProcess exchange(Args({}));
    context.server = exchange.Url();
    // Pause comes while the first row, the latest to answer, is awaited and
    // the three after it are under way or done.
    frontEnd.OnEveryPump([this] {
        if (Count(frontEnd.StatusTexts(), "Downloading " + Local(0) + "...") > 0)
            StopRequested = 1;
    });

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);

    Strings names;
    for (const auto& [name, digest] : FilesIn(folders.ZipFolder))
        names.push_back(name);
    EXPECT_EQ(names, (Strings{Local(0), std::string(AutoDownloadMarker)}));
    EXPECT_EQ(ReadBytes(folders.ZipFolder + std::string(AutoDownloadMarker)), Local(0));
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total files downloaded: 1, last:" + Local(0) + " - Stopped by user.");
    EXPECT_EQ(PerItem(frontEnd.StatusTexts()).size(), 1u);
    EXPECT_EQ(frontEnd.Positions().back(), 100);

    // The next Auto run goes on from there, as after a run with one transfer.
    frontEnd.OnEveryPump(nullptr);
    DownloadRun whole(exchange.Url(), 1);
    ASSERT_EQ(RunDownload(whole.context, true, remoteList, whole.zipList), StageOutcome::Succeeded);
    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);
    EXPECT_EQ(PerItem(frontEnd.StatusTexts()).size(), 1 + Days - 1);
    EXPECT_EQ(FilesIn(folders.ZipFolder), FilesIn(whole.folders.ZipFolder));
}

} // namespace
} // namespace kelvarin::test
