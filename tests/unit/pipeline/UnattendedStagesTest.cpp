#include "StageFixture.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/DayLists.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "support/ExchangeProcess.h"
#include "support/FakeFrontEnd.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

// The stages of the unattended run over the simulated exchange, with one of
// its days failing.
class UnattendedStagesTest : public StageTest {
protected:
    static std::vector<std::string> Exchange(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--days", "5", "--stocks", "3"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    // The ids of the five days, in order, from an exchange of their own.
    Strings Ids() {
        ExchangeProcess exchange(Exchange());
        context.server = exchange.Url();
        EXPECT_EQ(RunConnect(context, remote), StageOutcome::Succeeded);
        Strings ids;
        for (int row = 0; row < remote.Count(); ++row)
            ids.push_back(AddressId(remote.Text(row)));
        return ids;
    }

    StageOutcome Download(const ExchangeProcess& exchange, RunScope scope) {
        context.server = exchange.Url();
        EXPECT_EQ(RunConnect(context, remote), StageOutcome::Succeeded);
        frontEnd = FakeFrontEnd();
        MemoryList zip;
        return RunDownload(context, true, remote, zip, scope);
    }
    // The archives the last Download asked the exchange for, by their names.
    Strings Fetched() const {
        Strings names;
        for (const std::string& text : frontEnd.StatusTexts())
            if (text.starts_with("Downloading "))
                names.push_back(text.substr(12, 15));
        return names;
    }
    void Unzip(RunScope scope) {
        MemoryList zip;
        MemoryList unzip;
        RefreshFileList(context, StageFolder::Zip, zip);
        RunUnzip(context, true, zip, unzip, scope);
    }
    std::string ZipMarker() const {
        return ReadBytes(folders.ZipFolder + std::string(AutoDownloadMarker));
    }
    static std::string Zip(const std::string& id) { return LocalName("SGX" + id); }
    static std::string Dat(const std::string& id) { return UnzippedName(Zip(id)); }

    MemoryList remote;
};

TEST_F(UnattendedStagesTest, LaterStagesStopAtTheDayBeforeTheFailedOne) {
    const Strings ids = Ids();
    ExchangeProcess exchange(Exchange({"--missing", ids[2]}));
    EXPECT_EQ(Download(exchange, RunScope::Unattended), StageOutcome::Failed);
    EXPECT_EQ(ZipMarker(), Zip(ids[1]));
    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_NE(frontEnd.Messages()[0].text.find("Later days wait for SGX" + ids[2] +
                                               ", which has failed since "),
              std::string::npos)
        << frontEnd.Messages()[0].text;
    // A name without a trading date could be any day: never taken while bound.
    WriteBytes(folders.ZipFolder + "SGXextra.zip", ReadBytes(folders.ZipFolder + Zip(ids[0])));

    Unzip(RunScope::Unattended);
    MemoryList unzip;
    MemoryList stock;
    RefreshFileList(context, StageFolder::Unzip, unzip);
    EXPECT_EQ(RunUpdate(context, true, unzip, stock, RunScope::Unattended),
              StageOutcome::Succeeded);

    EXPECT_EQ(unzip.FileCount(), 2);
    EXPECT_EQ(ReadBytes(folders.UnzipFolder + std::string(AutoUnzipMarker)), Zip(ids[1]));
    EXPECT_EQ(ReadBytes(folders.StockFolder + std::string(AutoUpdateMarker)), Dat(ids[1]));

    // A stage run on its own still takes every new file, as it always did.
    Unzip(RunScope::SingleStage);
    EXPECT_TRUE(FileExists(folders.UnzipFolder + Dat(ids[4])));
    EXPECT_TRUE(FileExists(folders.UnzipFolder + "SGXextra.dat"));
}

TEST_F(UnattendedStagesTest, ArchivesStoredWholeAreNotFetchedAgainWhileADayIsHeld) {
    const Strings ids = Ids();
    {
        ExchangeProcess exchange(Exchange({"--missing", ids[1]}));
        EXPECT_EQ(Download(exchange, RunScope::Unattended), StageOutcome::Failed);
        EXPECT_EQ(Fetched(),
                  (Strings{Zip(ids[0]), Zip(ids[1]), Zip(ids[2]), Zip(ids[3]), Zip(ids[4])}));
        EXPECT_EQ(Download(exchange, RunScope::Unattended), StageOutcome::Failed);
        EXPECT_EQ(Fetched(), Strings{Zip(ids[1])});
    }
    // A stored archive cut short is no archive: it is fetched again.
    const std::string damaged = folders.ZipFolder + Zip(ids[3]);
    const std::string whole = ReadBytes(damaged);
    WriteBytes(damaged, whole.substr(0, whole.size() / 2));
    ExchangeProcess exchange(Exchange());
    EXPECT_EQ(Download(exchange, RunScope::Unattended), StageOutcome::Succeeded);
    EXPECT_EQ(Fetched(), (Strings{Zip(ids[1]), Zip(ids[3])}));
    EXPECT_EQ(ReadBytes(damaged), whole);
    EXPECT_EQ(ZipMarker(), Zip(ids[4]));
    EXPECT_FALSE(FileExists(HeldDays.PathIn(folders)));
}

TEST_F(UnattendedStagesTest, SkippedDayIsPassedByAutoAndStillFetchedByName) {
    const Strings ids = Ids();
    ExchangeProcess exchange(Exchange({"--missing", ids[1]}));
    EXPECT_EQ(Download(exchange, RunScope::SingleStage), StageOutcome::Failed);
    const DayList held = DayList::Read(HeldDays.PathIn(folders));
    ASSERT_EQ(held.Days().size(), 1u);
    const DayRecord first = held.Days()[0];
    EXPECT_EQ(first.item, "SGX" + ids[1]);
    EXPECT_NE(first.cause.find("HTTP 404"), std::string::npos) << first.cause;

    // Failing again keeps the day held since its first failure.
    EXPECT_EQ(Download(exchange, RunScope::SingleStage), StageOutcome::Failed);
    EXPECT_EQ(DayList::Read(HeldDays.PathIn(folders)).Days(), std::vector<DayRecord>{first});

    DayList skipped;
    skipped.Put({"SGX" + ids[1], "2024-05-01T20:00:00+0000", first.cause});
    ASSERT_TRUE(skipped.Write(SkippedDays.PathIn(folders), SkippedDays.heading, nullptr));
    EXPECT_EQ(Download(exchange, RunScope::SingleStage), StageOutcome::Succeeded);
    const Strings passing = Fetched();
    EXPECT_TRUE(std::find(passing.begin(), passing.end(), Zip(ids[1])) == passing.end());
    EXPECT_EQ(ZipMarker(), Zip(ids[4]));
    EXPECT_FALSE(FileExists(HeldDays.PathIn(folders)));

    remote.Select("SGX" + ids[1]);
    frontEnd = FakeFrontEnd();
    MemoryList zip;
    EXPECT_EQ(RunDownload(context, false, remote, zip), StageOutcome::Failed);
    EXPECT_EQ(Fetched(), Strings{Zip(ids[1])});
}

} // namespace
} // namespace kelvarin::test
