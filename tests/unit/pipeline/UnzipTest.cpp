#include "StageFixture.h"
#include "pipeline/DailyArchiveNames.h"
#include "support/ScopedCurrentFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

TEST(UnzippedNameTest, StartsAtTheFirstSgxAndEndsInDat) {
    EXPECT_EQ(UnzippedName("SGX20040123.zip"), "SGX20040123.dat");
    EXPECT_EQ(UnzippedName("old_SGX20040123.zip"), "SGX20040123.dat");
    EXPECT_EQ(UnzippedName("day.zip"), "day.dat");
    EXPECT_EQ(UnzippedName("SGX1.zip.zip"), "SGX1.dat.dat");
    EXPECT_EQ(UnzippedName("a_SGX1_SGX2.zip"), "SGX1_SGX2.dat");
    EXPECT_EQ(UnzippedName("SGX1.ZIP"), "SGX1.ZIP");
}

class UnzipTest : public StageTest {
protected:
    void Archive(const std::string& name, const std::vector<ArchiveMember>& members) {
        WriteZipArchive(folders.ZipFolder + name, members);
    }
    // A daily archive as the exchange makes it: the daily file and another.
    void DailyArchive(const std::string& name, const std::string& content) {
        Archive(name, {{"SESPRIFD.DAT", "other"}, {"SESPRICE.DAT", content}});
    }
    std::string UnzipFile(const std::string& name) const { return folders.UnzipFolder + name; }
    std::string MarkerPath() const { return UnzipFile(std::string(AutoUnzipMarker)); }
};

TEST_F(UnzipTest, AutoWithoutMarkerExtractsEveryArchive) {
    DailyArchive("SGX20040122.zip", "day 22");
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040122.dat")), "day 22");
    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040123.dat")), "day 23");
    EXPECT_FALSE(FileExists(UnzipFile("SESPRIFD.DAT")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 2, last:SGX20040123.zip");
    EXPECT_EQ(Rows(unzipList), (Strings{".", "..", "SGX20040122.dat", "SGX20040123.dat"}));
    EXPECT_TRUE(frontEnd.Positions().empty());
    EXPECT_EQ(frontEnd.Pumps(), 0);
}

TEST_F(UnzipTest, AutoRepeatedHandlesNothingAndKeepsTheMarker) {
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();
    RunUnzip(context, true, zipList, unzipList);
    WriteBytes(MarkerPath(), std::string("SGX20040123.zip\0old", 19));

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(MarkerPath()), std::string("SGX20040123.zip\0old", 19));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 0, last:SGX20040123.zip");
}

TEST_F(UnzipTest, ManualWithoutSelectionOnlyShowsTheMessage) {
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, false, zipList, unzipList), StageOutcome::NoSelection);

    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text, "Please selecte a zipped file to unzip, or click Auto.");
    EXPECT_TRUE(frontEnd.StatusTexts().empty());
    EXPECT_FALSE(FileExists(UnzipFile("SGX20040123.dat")));
    EXPECT_EQ(unzipList.Count(), 0);
}

TEST_F(UnzipTest, ManualWithOnlyAFolderRowSelectedHandlesNothing) {
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();
    zipList.Select("..");

    EXPECT_EQ(RunUnzip(context, false, zipList, unzipList), StageOutcome::Succeeded);

    EXPECT_FALSE(FileExists(UnzipFile("SGX20040123.dat")));
    EXPECT_FALSE(FileExists(MarkerPath()));
    EXPECT_EQ(Rows(unzipList), (Strings{".", ".."}));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 0, last:SGX00000000.zip");
}

TEST_F(UnzipTest, ManualExtractsAnOldArchiveAgainAndMovesTheMarkerBack) {
    DailyArchive("SGX20040122.zip", "day 22 again");
    DailyArchive("SGX20040123.zip", "day 23");
    WriteBytes(UnzipFile("SGX20040122.dat"), "day 22 old");
    WriteBytes(MarkerPath(), "SGX20040123.zip");
    RefreshZipList();
    zipList.Select("SGX20040122.zip");

    EXPECT_EQ(RunUnzip(context, false, zipList, unzipList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040122.dat")), "day 22 again");
    EXPECT_FALSE(FileExists(UnzipFile("SGX20040123.dat")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040122.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 1, last:SGX20040122.zip");
}

TEST_F(UnzipTest, UpperCaseExtensionIsNeverHandled) {
    DailyArchive("SGX20040124.ZIP", "day 24");
    RefreshZipList();
    zipList.Select("SGX20040124.ZIP");

    RunUnzip(context, false, zipList, unzipList);
    RunUnzip(context, true, zipList, unzipList);

    EXPECT_FALSE(FileExists(UnzipFile("SGX20040124.dat")));
    EXPECT_FALSE(FileExists(UnzipFile("SGX20040124.ZIP")));
    EXPECT_FALSE(FileExists(MarkerPath()));
}

TEST_F(UnzipTest, OldNameBeforeSgxIsDroppedFromTheOutput) {
    DailyArchive("old_SGX20040121.zip", "day 21");
    RefreshZipList();

    zipList.Select("old_SGX20040121.zip");
    RunUnzip(context, false, zipList, unzipList);

    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040121.dat")), "day 21");
}

// "SGX20040121.zip" sorts before "old_SGX20040121.zip"; both give the same
// daily file, which the later row replaces, or keeps when the later fails.
TEST_F(UnzipTest, ArchivesWithTheSameOutputAreAppliedInRowOrder) {
    DailyArchive("SGX20040121.zip", "first");
    DailyArchive("old_SGX20040121.zip", "second");
    DailyArchive("SGX20040122.zip", "first of 22");
    WriteBytes(folders.ZipFolder + "old_SGX20040122.zip", "damaged");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);

    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040121.dat")), "second");
    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040122.dat")), "first of 22");
    EXPECT_EQ(frontEnd.LastStatus(),
              "Total files unzipped: 4, last:old_SGX20040122.zip - 1 failed");
}

TEST_F(UnzipTest, ManyArchivesAreAllExtractedAndTheirFailuresListedInRowOrder) {
    std::vector<std::string> damaged;
    for (int day = 10; day < 70; ++day) {
        const std::string name = "SGX200401" + std::to_string(day);
        if (day % 7 == 0) {
            WriteBytes(folders.ZipFolder + name + ".zip", "no archive");
            damaged.push_back(folders.ZipFolder + name + ".zip: is not a zip archive");
        } else {
            DailyArchive(name + ".zip", "day " + std::to_string(day));
        }
    }
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);

    for (int day = 10; day < 70; ++day) {
        if (day % 7 != 0) {
            EXPECT_EQ(ReadBytes(UnzipFile("SGX200401" + std::to_string(day) + ".dat")),
                      "day " + std::to_string(day));
        }
    }
    std::string listed = "These archives could not be unzipped:";
    for (std::size_t shown = 0; shown < damaged.size(); ++shown)
        listed += "\n" + damaged[shown];
    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text, listed);
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040169.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 60, last:SGX20040169.zip - 8 failed");
}

TEST_F(UnzipTest, ArchiveWithoutTheDailyMemberCountsAndIsReportedFailed) {
    Archive("SGX20040122.zip", {{"sesprice.dat", "lower case"}});
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);

    EXPECT_FALSE(FileExists(UnzipFile("SGX20040122.dat")));
    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040123.dat")), "day 23");
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040123.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 2, last:SGX20040123.zip - 1 failed");
}

TEST_F(UnzipTest, CorruptArchiveCountsMovesTheMarkerAndIsReportedFailed) {
    WriteBytes(folders.ZipFolder + "SGX20040125.zip", "this is no archive");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);

    EXPECT_FALSE(FileExists(UnzipFile("SGX20040125.dat")));
    EXPECT_EQ(ReadBytes(MarkerPath()), "SGX20040125.zip");
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 1, last:SGX20040125.zip - 1 failed");
}

TEST_F(UnzipTest, ArchiveGoneSinceTheRefreshIsReportedFailed) {
    DailyArchive("SGX20040122.zip", "day 22");
    RefreshZipList();
    ASSERT_EQ(::unlink((folders.ZipFolder + "SGX20040122.zip").c_str()), 0);

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);

    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 1, last:SGX20040122.zip - 1 failed");
}

TEST_F(UnzipTest, TheLastOfSeveralDailyMembersAmongManyWins) {
    std::vector<ArchiveMember> members{{"SESPRICE.DAT", "stale"}, {"SESPRICE.DAT", "winner"}};
    for (int other = 0; other < 500; ++other)
        members.emplace_back("notes/" + std::to_string(other) + ".txt", "note");
    Archive("SGX20040123.zip", members);
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);

    EXPECT_EQ(ReadBytes(UnzipFile("SGX20040123.dat")), "winner");
}

// Outputs that went anywhere but the unzip folder would land here.
class UnzipFolderTest : public UnzipTest {
protected:
    static std::string Made(const std::string& folder) {
        ::mkdir(folder.c_str(), 0777);
        return folder;
    }
    std::vector<std::string> LandedInTheCurrentFolder() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(m_current))
            names.push_back(item.path().filename().string());
        return names;
    }
    const std::string m_current = Made(dir / "current");
    ScopedCurrentFolder m_inside{m_current};
};

TEST_F(UnzipFolderTest, UnzipFolderOfAnyLengthIsUsed) {
    std::string deep = folders.UnzipFolder;
    while (deep.size() < 600)
        deep += std::string(120, 'u') + "/";
    std::filesystem::create_directories(deep);
    folders.UnzipFolder = deep;
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);

    EXPECT_TRUE(LandedInTheCurrentFolder().empty());
    EXPECT_EQ(ReadBytes(deep + "SGX20040123.dat"), "day 23");
    EXPECT_EQ(ReadBytes(deep + std::string(AutoUnzipMarker)), "SGX20040123.zip");
}

TEST_F(UnzipFolderTest, RefusedUnzipFolderFailsTheArchiveAndNothingIsWrittenElsewhere) {
    // A NUL would end the folder's path early; no system path holds one.
    const std::string unzipFolder = folders.UnzipFolder;
    folders.UnzipFolder += std::string("\0other/", 7);
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);

    EXPECT_TRUE(LandedInTheCurrentFolder().empty());
    EXPECT_FALSE(FileExists(unzipFolder + "SGX20040123.dat"));
    ASSERT_FALSE(frontEnd.Messages().empty());
    EXPECT_NE(frontEnd.Messages()[0].text.find("SGX20040123.zip: cannot be unzipped into"),
              std::string::npos)
        << frontEnd.Messages()[0].text;
}

TEST_F(UnzipTest, PauseDoesNotStopUnzip) {
    DailyArchive("SGX20040122.zip", "day 22");
    DailyArchive("SGX20040123.zip", "day 23");
    RefreshZipList();
    StopRequested = 1;

    RunUnzip(context, true, zipList, unzipList);

    EXPECT_EQ(StopRequested, 1);
    EXPECT_TRUE(FileExists(UnzipFile("SGX20040123.dat")));
    EXPECT_EQ(frontEnd.LastStatus(), "Total files unzipped: 2, last:SGX20040123.zip");
}

} // namespace
} // namespace kelvarin::test
