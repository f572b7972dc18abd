#include "pipeline/UpdateJournal.h"

#include "StageFixture.h"
#include "app/FolderLock.h"
#include "exchange/DailyPriceFile.h"
#include "exchange/MarketGenerator.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/Stages.h"
#include "pipeline/UpdateBatch.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvarin::test {
namespace {

using Files = std::map<std::string, std::string>;

// "SGX" + YYYYMMDD + ".dat" for an id YYYY-MM-DD.
std::string DailyName(const std::string& id) {
    std::string name = "SGX";
    for (const char c : id)
        if (c != '-')
            name += c;
    return name + ".dat";
}

// Every history file, by name, as an uninterrupted application of `days` one
// daily file at a time would leave them.
Files Reference(const std::vector<std::string>& days) {
    Files files;
    for (const std::string& bytes : days)
        ReadDailyPrices(bytes, [&files](const DailyPriceRecord& record) {
            const std::string name = HistoryPath("", record.name, record.code);
            auto [at, isNew] = files.try_emplace(name, std::string(HistoryHeader));
            at->second += FormatHistoryRow(record);
        });
    return files;
}

class UpdateJournalTest : public StageTest {
protected:
    // Writes `count` generated trading days (with stocks that list and
    // delist on the way) to the unzip folder and refreshes its list.
    void GenerateDays(std::size_t count, std::size_t stocks = 30) {
        exchange::MarketSettings settings;
        settings.seed = 11;
        settings.days = count;
        settings.stocks = stocks;
        const exchange::MarketGenerator market(settings);
        for (std::size_t day = 0; day < count; ++day) {
            m_names.push_back(DailyName(market.IdOf(day)));
            m_days.push_back(
                exchange::DailyPriceFile::Render(market.IdOf(day), market.QuotesOn(day)));
            WriteBytes(folders.UnzipFolder + m_names.back(), m_days.back());
        }
        RefreshUnzipList();
    }

    // The reference for the first `count` generated days.
    Files ReferenceUpTo(std::size_t count) const {
        return Reference({m_days.begin(), m_days.begin() + static_cast<std::ptrdiff_t>(count)});
    }
    // The generated days up to and including the one the marker names.
    std::size_t DaysTheMarkerNames() const {
        if (!FileExists(MarkerPath()))
            return 0;
        const std::string marker = ReadBytes(MarkerPath());
        for (std::size_t day = 0; day < m_names.size(); ++day)
            if (m_names[day] == marker)
                return day + 1;
        ADD_FAILURE() << "marker names " << marker;
        return 0;
    }

    Files StockFiles() const {
        Files files;
        for (const auto& entry : std::filesystem::directory_iterator(folders.StockFolder)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".txt"))
                files[name] = ReadBytes(entry.path().string());
        }
        return files;
    }
    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folders.StockFolder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string History(const std::string& name) const { return folders.StockFolder + name; }
    std::string MarkerPath() const { return folders.StockFolder + std::string(AutoUpdateMarker); }
    std::string JournalPath() const { return folders.StockFolder + std::string(UpdateJournalName); }

    std::vector<std::string> m_names;
    std::vector<std::string> m_days;
};

// --- Journal file ----------------------------------------------------------

TEST(UpdateJournalFile, KeepsNamesWithAnyByteThroughRenderAndParse) {
    JournalContent content;
    content.entries = {{"ALPHA HOLDINGS (A11).txt", false, 1234},
                       {"  LINE\nFEED 12:3 (X).txt", true, 0},
                       {"end\n", false, 0}};
    content.committed = true;
    content.markerName = "SGX20040123.dat";
    JournalContent parsed;

    ASSERT_TRUE(ParseJournal(RenderJournal(content), parsed));

    EXPECT_EQ(parsed, content);
}

TEST(UpdateJournalFile, RefusesCutShortForeignOrOutwardPointingJournals) {
    JournalContent content;
    content.entries = {{"ALPHA (A1).txt", false, 99}, {"BETA (B2).txt", true, 0}};
    const std::string whole = RenderJournal(content);
    JournalContent parsed;
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_FALSE(ParseJournal(whole.substr(0, size), parsed)) << size;
    EXPECT_FALSE(ParseJournal(whole + "x", parsed));
    EXPECT_FALSE(ParseJournal("date\topen\thigh\tlow\tclose\tvolume", parsed));

    content.entries = {{"../outside.txt", true, 0}};
    EXPECT_FALSE(ParseJournal(RenderJournal(content), parsed));
    content.entries = {{"..", false, 0}};
    EXPECT_FALSE(ParseJournal(RenderJournal(content), parsed));
}

// --- Batches ---------------------------------------------------------------

TEST_F(UpdateJournalTest, BatchesOfAnySizeWriteTheSameBytesAsOneDayAtATime) {
    GenerateDays(24);
    // Two stocks whose names meet on one history path once "/" is replaced,
    // and one stock on two lines of the same day.
    const std::string shared = DailyLine("2099-01-01", "A/B", "X", "1", "1", "1", "1", "1") +
                               DailyLine("2099-01-01", "A_B", "X", "2", "2", "2", "2", "2") +
                               DailyLine("2099-01-01", "A/B", "X", "3", "3", "3", "3", "3");
    m_names.push_back("SGX20990101.dat");
    m_days.push_back(shared);
    WriteBytes(folders.UnzipFolder + m_names.back(), shared);
    RefreshUnzipList();
    const Files reference = ReferenceUpTo(m_days.size());
    ASSERT_GT(reference.size(), 30u);

    for (const std::size_t budget :
         {std::size_t{0}, std::size_t{4096}, std::size_t{20000}, UpdateBatchBudget}) {
        SCOPED_TRACE(budget);
        std::filesystem::remove_all(folders.StockFolder);
        ::mkdir(folders.StockFolder.c_str(), 0777);
        FakeFrontEnd run;
        StageContext runContext{folders, run};

        EXPECT_EQ(RunUpdate(runContext, true, unzipList, stockList, budget),
                  StageOutcome::Succeeded);

        EXPECT_EQ(StockFiles(), reference);
        EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20990101.dat");
        EXPECT_FALSE(FileExists(JournalPath()));
        EXPECT_EQ(run.LastStatus(),
                  "Total 3 stock files updated from 25 files, last:SGX20990101.dat");
    }
}

TEST_F(UpdateJournalTest, StocksListedInAnotherOrderEachDayKeepTheirOwnHistories) {
    // One name under two codes, and one code under two names; every day lists
    // them in another order, leaves one out or brings a new one in.
    const auto line = [](const std::string& date, const std::string& name, const std::string& code,
                         const std::string& price) {
        return DailyLine(date, name, code, price, price, price, price, price);
    };
    const std::vector<std::vector<std::pair<std::string, std::string>>> orders = {
        {{"ALPHA", "A1"}, {"ALPHA", "A2"}, {"BETA", "A1"}, {"GAMMA", "G"}},
        {{"ALPHA", "A2"}, {"GAMMA", "G"}, {"ALPHA", "A1"}, {"BETA", "A1"}},
        {{"BETA", "A1"}, {"ALPHA", "A1"}, {"DELTA", "D"}},
        {{"ALPHA", "A1"}, {"ALPHA", "A1"}, {"ALPHA", "A2"}, {"BETA", "A1"}, {"GAMMA", "G"}},
        {{"ALPHA", "A1"}, {"ALPHA", "A2"}, {"BETA", "A1"}, {"GAMMA", "G"}}};
    for (std::size_t day = 0; day < orders.size(); ++day) {
        const std::string date = "2099-01-0" + std::to_string(day + 1);
        std::string bytes;
        for (std::size_t at = 0; at < orders[day].size(); ++at)
            bytes += line(date, orders[day][at].first, orders[day][at].second,
                          std::to_string(day * 10 + at));
        m_names.push_back(DailyName(date));
        m_days.push_back(bytes);
        WriteBytes(folders.UnzipFolder + m_names.back(), bytes);
    }
    RefreshUnzipList();

    for (const std::size_t budget : {std::size_t{0}, UpdateBatchBudget}) {
        SCOPED_TRACE(budget);
        std::filesystem::remove_all(folders.StockFolder);
        ::mkdir(folders.StockFolder.c_str(), 0777);
        FakeFrontEnd run;
        StageContext runContext{folders, run};

        EXPECT_EQ(RunUpdate(runContext, true, unzipList, stockList, budget),
                  StageOutcome::Succeeded);

        EXPECT_EQ(StockFiles(), ReferenceUpTo(m_days.size()));
    }
}

TEST_F(UpdateJournalTest, MarkerNamesOnlyDailyFilesWhoseRowsAreOnDisk) {
    GenerateDays(20);
    std::vector<std::size_t> markedDays;
    for (int pass = 1; pass <= 21; ++pass)
        frontEnd.OnPump(pass, [this, &markedDays] {
            const std::size_t marked = DaysTheMarkerNames();
            markedDays.push_back(marked);
            const Files files = StockFiles();
            if (files == ReferenceUpTo(marked))
                return;
            // A batch written while the disk catches up: beyond the marker,
            // and under a journal that takes it back should the run stop.
            EXPECT_TRUE(FileExists(folders.StockFolder + std::string(UpdateJournalName)))
                << "marker at day " << marked;
            bool wholeDays = false;
            for (std::size_t day = marked + 1; day <= m_days.size() && !wholeDays; ++day)
                wholeDays = files == ReferenceUpTo(day);
            EXPECT_TRUE(wholeDays) << "marker at day " << marked;
        });

    RunUpdate(context, true, unzipList, stockList, 16 * 1024);

    // The marker moved more than once during the run, and not at every day.
    const std::set<std::size_t> distinct(markedDays.begin(), markedDays.end());
    EXPECT_GT(distinct.size(), 2u);
    EXPECT_LT(distinct.size(), 20u);
    EXPECT_EQ(StockFiles(), ReferenceUpTo(20));
}

TEST_F(UpdateJournalTest, PauseWritesTheGatheredDailyFilesAndTheMarkerWithThem) {
    GenerateDays(12);
    frontEnd.OnPump(6, [] { StopRequested = 1; });

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);

    // Five daily files were handled before the sixth pump saw Pause; with the
    // large budget all five were still in memory then.
    EXPECT_EQ(ReadBytes(MarkerPath()), m_names[4]);
    EXPECT_EQ(StockFiles(), ReferenceUpTo(5));
    EXPECT_EQ(frontEnd.LastStatus().substr(frontEnd.LastStatus().find(" updated")),
              " updated from 5 files, last:" + m_names[4]);

    FakeFrontEnd next;
    StageContext nextContext{folders, next};
    RunUpdate(nextContext, true, unzipList, stockList);
    EXPECT_EQ(StockFiles(), ReferenceUpTo(12));
}

// --- A write that fails part-way through a batch ---------------------------

TEST_F(UpdateJournalTest, WriteFailureInABatchTakesTheWholeBatchBack) {
    GenerateDays(6);
    // A stock first quoted on the last day: its history file is the last one
    // the batch of days 3 to 6 writes, after all the others.
    m_days[5] += DailyLine("2004-01-09", "ZETA", "Z9", "1", "1", "1", "1", "1");
    WriteBytes(folders.UnzipFolder + m_names[5], m_days[5]);
    const std::string victim = "ZETA (Z9).txt";
    unzipList.Select(m_names[0]);
    unzipList.Select(m_names[1]);
    ASSERT_EQ(RunUpdate(context, false, unzipList, stockList), StageOutcome::Succeeded);
    const Files before = StockFiles();
    ASSERT_EQ(before, ReferenceUpTo(2));
    // Made a folder by the last pump, after the walk gathered every day.
    FakeFrontEnd failing;
    StageContext failingContext{folders, failing};
    MemoryList failingStockList;
    failing.OnPump(unzipList.Count() - 1,
                   [&] { ASSERT_EQ(::mkdir(History(victim).c_str(), 0777), 0); });

    EXPECT_EQ(RunUpdate(failingContext, true, unzipList, failingStockList), StageOutcome::Failed);

    ASSERT_EQ(::rmdir(History(victim).c_str()), 0);
    EXPECT_EQ(StockFiles(), before);
    EXPECT_EQ(ReadBytes(MarkerPath()), m_names[1]);
    EXPECT_FALSE(FileExists(JournalPath()));
    ASSERT_EQ(failing.Messages().size(), 1u);
    EXPECT_NE(failing.Messages()[0].text.find(History(victim)), std::string::npos);
    EXPECT_NE(failing.Messages()[0].text.find("Is a directory"), std::string::npos);
    EXPECT_EQ(failing.LastStatus(), "Updating stock files from " + m_names[5]);
    // Nothing of this run is on disk: the stock list is not refreshed.
    EXPECT_EQ(failingStockList.Count(), 0);

    FakeFrontEnd mended;
    StageContext mendedContext{folders, mended};
    EXPECT_EQ(RunUpdate(mendedContext, true, unzipList, stockList), StageOutcome::Succeeded);
    EXPECT_EQ(StockFiles(), ReferenceUpTo(6));
}

// --- A journal left by a killed run ----------------------------------------

TEST_F(UpdateJournalTest, JournalLeftBehindIsRolledBackAtTheNextRun) {
    GenerateDays(4);
    const std::string first = "ALPHA (A1).txt";
    const std::string second = "BETA (B2).txt";
    const std::string created = "GAMMA (G3).txt";
    const std::string shorter = "DELTA (D4).txt";
    WriteBytes(History(first), "date\r\n1");
    WriteBytes(History(second), "date\r\n2");
    WriteBytes(History(shorter), "date");
    WriteBytes(MarkerPath(), m_names[3]);
    {
        UpdateJournal journal(folders.StockFolder);
        ASSERT_TRUE(journal.Begin({{first, false, 7},
                                   {second, false, 7},
                                   {created, true, 0},
                                   {shorter, false, 9},
                                   {"EPSILON (E5).txt", true, 0}},
                                  nullptr));
    }
    // Killed in the middle of the batch: one file with half a row more, one
    // new file begun, and the run never got to the others.
    WriteBytes(History(first), "date\r\n1\r\n2004-01-0");
    WriteBytes(History(created), "date\topen");

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(History(first)), "date\r\n1");
    EXPECT_EQ(ReadBytes(History(second)), "date\r\n2");
    EXPECT_EQ(ReadBytes(History(shorter)), "date");
    EXPECT_FALSE(FileExists(History(created)));
    EXPECT_FALSE(FileExists(JournalPath()));
    EXPECT_EQ(ReadBytes(MarkerPath()), m_names[3]);
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total 0 stock files updated from 0 files, last:" + m_names[3]);
}

TEST_F(UpdateJournalTest, CommittedBatchIsKeptOnlyWhenTheMarkerNamesIt) {
    GenerateDays(4);
    const std::string history = "ALPHA (A1).txt";
    const auto leaveCommitted = [&](const std::string& markerName) {
        WriteBytes(History(history), "date\r\nold\r\nnew");
        UpdateJournal journal(folders.StockFolder);
        ASSERT_TRUE(journal.Begin({{history, false, 9}}, nullptr));
        ASSERT_TRUE(journal.Commit(markerName, nullptr));
    };

    // Killed after the marker moved, before the journal went.
    WriteBytes(MarkerPath(), m_names[3]);
    leaveCommitted(m_names[3]);
    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(History(history)), "date\r\nold\r\nnew");
    EXPECT_FALSE(FileExists(JournalPath()));

    // Killed before the marker moved: the rows go, the daily file is applied again later.
    leaveCommitted("SGX20991231.dat");
    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(History(history)), "date\r\nold");
    EXPECT_FALSE(FileExists(JournalPath()));
}

TEST_F(UpdateJournalTest, ForeignJournalStopsTheRunWithoutTouchingAnything) {
    GenerateDays(2);
    WriteBytes(JournalPath(), "keep 0 14:ALPHA (A1).txt\n");
    WriteBytes(History("ALPHA (A1).txt"), "date");

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Failed);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_NE(frontEnd.Messages()[0].text.find(JournalPath()), std::string::npos);
    EXPECT_EQ(ReadBytes(History("ALPHA (A1).txt")), "date");
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"ALPHA (A1).txt", "log_update_journal"}));
    EXPECT_TRUE(frontEnd.StatusTexts().empty());
}

TEST_F(UpdateJournalTest, JournalNeverShowsInTheStockList) {
    GenerateDays(2);
    UpdateJournal journal(folders.StockFolder);
    ASSERT_TRUE(journal.Begin({}, nullptr));

    RefreshStockList();

    EXPECT_EQ(Rows(stockList), (std::vector<std::string>{".", ".."}));
}

// --- Two programs on one stock folder --------------------------------------

TEST_F(UpdateJournalTest, FolderLockedByAnotherProcessIsLeftAlone) {
    GenerateDays(2);
    // A child process holds the lock until told to let go.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto lock = FolderLock::Acquire(folders.StockFolder, nullptr);
        char byte = lock ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        ::_exit(0);
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'y');

    const StageOutcome outcome = RunUpdate(context, true, unzipList, stockList);
    (void)!::write(release[1], "x", 1);
    ::waitpid(child, nullptr, 0);

    EXPECT_EQ(outcome, StageOutcome::Failed);
    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text,
              folders.StockFolder + " is being updated by another Kelvarin process");
    EXPECT_EQ(frontEnd.Messages()[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(FolderNames().empty());
    EXPECT_TRUE(frontEnd.StatusTexts().empty());

    // Once the other process is gone, the folder is free again.
    FakeFrontEnd after;
    StageContext afterContext{folders, after};
    EXPECT_EQ(RunUpdate(afterContext, true, unzipList, stockList), StageOutcome::Succeeded);
    EXPECT_EQ(StockFiles(), ReferenceUpTo(2));
}

} // namespace
} // namespace kelvarin::test
