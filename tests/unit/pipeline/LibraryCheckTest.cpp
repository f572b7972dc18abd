// The library check against libraries the Update built and then damaged the
// way people and interrupted runs damage them, and the repair of what it can
// mend without guessing.
#include "pipeline/LibraryCheck.h"

#include "StageFixture.h"
#include "app/FolderLock.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/LibraryRepair.h"
#include "pipeline/UpdateJournal.h"
#include "support/FolderSnapshot.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace kelvarin {

// Failures name the kinds rather than their bytes.
void PrintTo(FindingKind kind, std::ostream* out) {
    *out << KindName(kind);
}

namespace test {
namespace {

using Found = std::vector<std::pair<FindingKind, int>>;

const std::string Header(HistoryHeader);

std::string Row(const std::string& date, const std::string& open = " 2.650",
                const std::string& low = " 2.640", const std::string& volume = "800") {
    return date + "\t" + open + "\t 2.690\t" + low + "\t 2.670\t" + volume;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += (bytes.empty() ? "" : "\r\n") + line;
    return bytes;
}

std::string Alpha(const std::string& date) {
    return DailyLine(date, "ALPHA", "A1", "2.650", "2.690", "2.640", "2.670", "800");
}
std::string Beta(const std::string& date) {
    return DailyLine(date, "BETA", "B2", "1.5", "1.6", "1.4", "1.55", "1200");
}
std::string Gamma(const std::string& date) {
    return DailyLine(date, "GAMMA", "G3", "0.5", "0.5", "0.5", "0.5", "1");
}

class LibraryCheckTest : public StageTest {
protected:
    std::string Stock(const std::string& name) const { return folders.StockFolder + name; }

    void Daily(const std::string& name, const std::string& content) {
        WriteBytes(folders.UnzipFolder + name, content);
    }

    void Update() {
        RefreshUnzipList();
        ASSERT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    }

    LibraryReport Check() { return CheckLibrary(folders, frontEnd); }

    // The kinds and lines found in the file at `path`, in report order.
    static Found FoundIn(const LibraryReport& report, const std::string& path) {
        Found found;
        for (const FileFindings& file : report.files) {
            if (file.path == path) {
                for (const Finding& finding : file.findings)
                    found.emplace_back(finding.kind, finding.line);
            }
        }
        return found;
    }

    static std::vector<std::string> Paths(const LibraryReport& report) {
        std::vector<std::string> paths;
        for (const FileFindings& file : report.files)
            paths.push_back(file.path);
        return paths;
    }
};

TEST_F(LibraryCheckTest, ALibraryTheUpdateBuiltIsSoundAndTheCheckReadsItAll) {
    Daily("SGX20040105.dat", Alpha("2004-01-05") + Beta("2004-01-05"));
    Daily("SGX20040106.dat", Alpha("2004-01-06") + Beta("2004-01-06") + Gamma("2004-01-06"));
    Update();

    const LibraryReport report = Check();

    EXPECT_TRUE(report.Sound()) << SummaryLine(report);
    EXPECT_EQ(report.summary.historyFiles, 3u);
    EXPECT_EQ(report.summary.rows, 5u);
    EXPECT_EQ(report.summary.dailyFiles, 2u);
    EXPECT_EQ(report.summary.records, 5u);
    EXPECT_EQ(report.summary.lastDailyName, "SGX20040106.dat");
    ASSERT_FALSE(frontEnd.Positions().empty());
    EXPECT_EQ(frontEnd.Positions().back(), 100);
}

TEST_F(LibraryCheckTest, EveryFaultOfAHistoryFileIsFoundAtItsLine) {
    WriteBytes(Stock("FAULTS (F1).txt"),
               Lines({Header,                                          // 1
                      Row("2004-01-05"),                               // 2
                      Row("2004-01-07"),                               // 3
                      Row("2004-01-06"),                               // 4 out of order
                      Row("2004-01-07"),                               // 5 repeats 3
                      Row("2004-01-07", " 2.650", " 2.640", "900"),    // 6 date of 3, other values
                      "2004-01-08\t 0.000\t 0.000\t 0.000\t 0.000\t0", // 7 not positive
                      Row("2004-01-09", " 2.650", " 2.660"),           // 8 low above the open
                      "2004-01-10\t 2.650\t 2.600\t 2.500\t 2.670\t800", // 9 high below the close
                      Row("2004-01-11", " 2.650", " 2.640", "-5"),       // 10 negative volume
                      "2004-01-12\t2.65\t 2.690\t 2.640\t 2.670\t800",   // 11 no history row
                      "",                                                // 12 empty
                      "2004-01-13\t 2.650\t 2.69"}));                    // 13 cut short
    // A header of spaces, a row ended by LF alone, and a line end with
    // nothing after it.
    WriteBytes(Stock("ENDS (E1).txt"), "date open high low close volume\r\n" + Row("2004-01-05") +
                                           "\n" + Row("2004-01-06") + "\r\n");
    WriteBytes(Stock("EMPTY (E2).txt"), "");

    const LibraryReport report = Check();

    EXPECT_EQ(FoundIn(report, Stock("FAULTS (F1).txt")), (Found{{FindingKind::OutOfOrder, 4},
                                                                {FindingKind::RepeatedRow, 5},
                                                                {FindingKind::RepeatedDate, 6},
                                                                {FindingKind::NotPositive, 7},
                                                                {FindingKind::LowAbove, 8},
                                                                {FindingKind::HighBelow, 9},
                                                                {FindingKind::NegativeVolume, 10},
                                                                {FindingKind::Unparsed, 11},
                                                                {FindingKind::Unparsed, 12},
                                                                {FindingKind::Unfinished, 13}}));
    EXPECT_EQ(FoundIn(report, Stock("ENDS (E1).txt")), (Found{{FindingKind::NotHeader, 1},
                                                              {FindingKind::Unparsed, 2},
                                                              {FindingKind::Unfinished, 4}}));
    EXPECT_EQ(FoundIn(report, Stock("EMPTY (E2).txt")), (Found{{FindingKind::NotHeader, 1}}));
    EXPECT_EQ(Paths(report),
              (std::vector<std::string>{Stock("EMPTY (E2).txt"), Stock("ENDS (E1).txt"),
                                        Stock("FAULTS (F1).txt")}));
    EXPECT_EQ(report.summary.Findings(), 14u);
    EXPECT_EQ(report.summary.counts[static_cast<std::size_t>(FindingKind::Unparsed)], 3u);
    EXPECT_FALSE(report.Sound());
}

TEST_F(LibraryCheckTest, DaysMissingExtraOrDifferentFromTheAppliedDailyFilesAreFound) {
    Daily("SGX20040105.dat", Alpha("2004-01-05") + Beta("2004-01-05"));
    Daily("SGX20040106.dat", Alpha("2004-01-06") + Beta("2004-01-06") + Gamma("2004-01-06"));
    Daily("SGX20040107.dat", Alpha("2004-01-07"));
    Update();
    // Past the marker: the Update has not applied it, so nothing is missing for it.
    Daily("SGX20040108.dat", Alpha("2004-01-08") + Beta("2004-01-08"));
    const std::string alpha = Stock("ALPHA (A1).txt");
    const std::string beta = Stock("BETA (B2).txt");
    // ALPHA loses its first two days and its last changes; BETA loses its
    // last day and gains one no daily file lists for it; GAMMA's file goes.
    const std::string lastAlpha = "2004-01-07\t 2.650\t 2.690\t 2.640\t 2.680\t800";
    WriteBytes(alpha, Lines({Header, lastAlpha}));
    WriteBytes(beta, ReadBytes(beta).substr(0, ReadBytes(beta).rfind("\r\n")) + "\r\n" +
                         "2004-01-07\t 1.500\t 1.600\t 1.400\t 1.550\t1200");
    ::unlink(Stock("GAMMA (G3).txt").c_str());
    // Rows older than every daily file at hand are not judged.
    WriteBytes(Stock("DELTA (D4).txt"), Lines({Header, Row("2003-12-31")}));
    const auto before = SnapshotFolder(dir.Path());

    const LibraryReport report = Check();

    EXPECT_EQ(FoundIn(report, alpha),
              (Found{{FindingKind::MissingDay, 2}, {FindingKind::Differs, 2}}));
    EXPECT_EQ(FoundIn(report, beta),
              (Found{{FindingKind::MissingDay, 3}, {FindingKind::ExtraDay, 3}}));
    EXPECT_EQ(FoundIn(report, Stock("GAMMA (G3).txt")), (Found{{FindingKind::MissingDay, 0}}));
    EXPECT_EQ(report.files.size(), 3u);
    EXPECT_EQ(report.summary.uncompared, 1u);
    EXPECT_EQ(report.summary.dailyFiles, 3u);
    // Two days missing before the same row are one finding that names both.
    const std::string missing = report.files[0].findings[0].text;
    EXPECT_NE(missing.find("2004-01-05"), std::string::npos) << missing;
    EXPECT_NE(missing.find("2004-01-06"), std::string::npos) << missing;
    EXPECT_EQ(SnapshotFolder(dir.Path()), before);
}

TEST_F(LibraryCheckTest, AStockFolderAnotherProcessWritesIsNotReadHalfWritten) {
    std::string error;
    const auto writer = FolderLock::Acquire(folders.StockFolder, &error);
    ASSERT_TRUE(writer) << error;

    const LibraryReport report = Check();

    EXPECT_NE(report.error.find(folders.StockFolder), std::string::npos) << report.error;
    EXPECT_FALSE(report.Sound());
}

TEST_F(LibraryCheckTest, RepairSortsRowsAndDropsExactRepeatsButLeavesTheRest) {
    const std::string mendable = Stock("MEND (M1).txt");
    const std::string unparsed = Stock("KEEP (K1).txt");
    const std::string otherValues = Row("2004-01-07", " 2.650", " 2.640", "900");
    const std::string lowAboveHigh = Row("2004-01-08", " 2.650", " 2.700");
    WriteBytes(mendable, Lines({Header, Row("2004-01-05"), Row("2004-01-07"), Row("2004-01-06"),
                                otherValues, Row("2004-01-07"), lowAboveHigh}));
    const std::string unparsedBytes =
        Lines({Header, Row("2004-01-06"), Row("2004-01-05"), "not a row"});
    WriteBytes(unparsed, unparsedBytes);

    const LibraryReport report = Check();
    std::vector<std::string> repaired;
    {
        const LibraryRepair repair(folders, report);
        ASSERT_EQ(repair.Error(), "");
        for (const LibraryRepair::Step& step : repair.Steps()) {
            std::string error;
            EXPECT_TRUE(repair.Apply(step, &error)) << error;
            repaired.push_back(step.path);
        }
    }

    EXPECT_EQ(repaired, std::vector<std::string>{mendable});
    // Rows of one day keep their order; only the byte-for-byte repeat goes.
    EXPECT_EQ(ReadBytes(mendable), Lines({Header, Row("2004-01-05"), Row("2004-01-06"),
                                          Row("2004-01-07"), otherValues, lowAboveHigh}));
    EXPECT_EQ(ReadBytes(unparsed), unparsedBytes);
    EXPECT_EQ(FoundIn(Check(), mendable),
              (Found{{FindingKind::RepeatedDate, 5}, {FindingKind::LowAbove, 6}}));
}

TEST_F(LibraryCheckTest, RepairWaitsForAnInterruptedUpdateToBeTakenBack) {
    const std::string outOfOrder = Lines({Header, Row("2004-01-06"), Row("2004-01-05")});
    WriteBytes(Stock("MEND (M1).txt"), outOfOrder);
    WriteBytes(Stock(std::string(UpdateJournalName)), "");

    const LibraryReport report = Check();
    const LibraryRepair repair(folders, report);

    EXPECT_EQ(report.summary.counts[static_cast<std::size_t>(FindingKind::Interrupted)], 1u);
    EXPECT_NE(repair.Error(), "");
    EXPECT_TRUE(repair.Steps().empty());
    EXPECT_EQ(ReadBytes(Stock("MEND (M1).txt")), outOfOrder);
}

} // namespace
} // namespace test
} // namespace kelvarin
