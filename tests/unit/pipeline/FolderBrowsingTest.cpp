#include "pipeline/FolderBrowsing.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {
namespace {

using test::TempDir;
using test::WriteBytes;

class FolderBrowsingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir((m_dir / "zip").c_str(), 0777);
        WriteBytes(m_dir / "zip/SGX20040123.zip", "PK");
        WriteBytes(m_dir / "zip/SGX20040123.dat", "x");
    }
    std::string Folder() const { return m_dir.Path() + "/"; }
    TempDir m_dir;
};

TEST_F(FolderBrowsingTest, DotEntriesAreClassifiedByTheirTextAlone) {
    EXPECT_EQ(ClassifyListItem(Folder(), ".."), ItemKind::UpNext);
    EXPECT_EQ(ClassifyListItem(Folder(), "."), ItemKind::Root);
    // The text decides, even for a missing folder.
    EXPECT_EQ(ClassifyListItem("/no/such/folder/", ".."), ItemKind::UpNext);
    EXPECT_EQ(ClassifyListItem("/no/such/folder/", "."), ItemKind::Root);
}

TEST_F(FolderBrowsingTest, NamesEndingInDotsAreOrdinaryEntries) {
    for (const char* name : {"Jan.", "old..", "...", ".hidden."})
        ::mkdir((m_dir / name).c_str(), 0777);
    WriteBytes(m_dir / "notes.", "x");
    for (const char* name : {"Jan.", "old..", "...", ".hidden."})
        EXPECT_EQ(ClassifyListItem(Folder(), name), ItemKind::Folder) << name;
    EXPECT_EQ(ClassifyListItem(Folder(), "notes."), ItemKind::File);
    EXPECT_EQ(FolderAfterOpening(Folder(), "old..", ItemKind::Folder), Folder() + "old../");
}

TEST_F(FolderBrowsingTest, FoldersAndFilesAreToldApartOnDisk) {
    EXPECT_EQ(ClassifyListItem(Folder(), "zip"), ItemKind::Folder);
    EXPECT_EQ(ClassifyListItem(Folder() + "zip/", "SGX20040123.zip"), ItemKind::File);
    // An entry removed since the refresh counts as a file.
    EXPECT_EQ(ClassifyListItem(Folder(), "gone.txt"), ItemKind::File);
}

TEST_F(FolderBrowsingTest, UnreadableFolderCountsAsFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    ::mkdir((m_dir / "locked").c_str(), 0);
    EXPECT_EQ(ClassifyListItem(Folder(), "locked"), ItemKind::File);
    ::chmod((m_dir / "locked").c_str(), 0700);
}

TEST(FolderMoves, UpNextDropsTheLastFolder) {
    EXPECT_EQ(FolderAfterOpening("/data/zip/", "..", ItemKind::UpNext), "/data/");
    EXPECT_EQ(FolderAfterOpening("/home/ann/data/zip/", "..", ItemKind::UpNext), "/home/ann/data/");
}

TEST(FolderMoves, UpNextBelowTheRootEndsAtTheRootWithItsSlash) {
    EXPECT_EQ(FolderAfterOpening("/data/", "..", ItemKind::UpNext), "/");
    EXPECT_EQ(FolderAfterOpening("/", "..", ItemKind::UpNext), "/");
}

TEST(FolderMoves, UpNextOnAFolderWithoutTrailingSlashCutsTwice) {
    // A settings file may name a folder without its slash; the cut still
    // leaves a value that ends with one.
    EXPECT_EQ(FolderAfterOpening("/home/ann/zip", "..", ItemKind::UpNext), "/home/");
}

TEST(FolderMoves, RootAndFolderAndFile) {
    EXPECT_EQ(FolderAfterOpening("/data/zip/", ".", ItemKind::Root), "/");
    EXPECT_EQ(FolderAfterOpening("/data/", "zip", ItemKind::Folder), "/data/zip/");
    EXPECT_EQ(FolderAfterOpening("/data/", "my folder", ItemKind::Folder), "/data/my folder/");
    EXPECT_EQ(FolderAfterOpening("/data/zip/", "SGX20040123.zip", ItemKind::File), std::nullopt);
}

TEST_F(FolderBrowsingTest, HandPickedDailyFileNeedsPrefixExtensionAndAFile) {
    const std::string zip = Folder() + "zip/";
    EXPECT_TRUE(IsHandPickedDailyFile(zip, "SGX20040123.zip", ".zip"));
    EXPECT_TRUE(IsHandPickedDailyFile(zip, "SGX20040123.dat", ".dat"));
    EXPECT_FALSE(IsHandPickedDailyFile(zip, "SGX20040123.zip", ".dat"));
    EXPECT_FALSE(IsHandPickedDailyFile(zip, "sgx20040123.zip", ".zip"));
    EXPECT_FALSE(IsHandPickedDailyFile(zip, "SGX20040123.ZIP", ".zip"));
    EXPECT_FALSE(IsHandPickedDailyFile(zip, ".", ".zip"));
    EXPECT_FALSE(IsHandPickedDailyFile(zip, "..", ".zip"));
}

TEST_F(FolderBrowsingTest, HandPickedDailyFileRefusesAFolderNamedLikeOne) {
    ::mkdir((m_dir / "zip/SGX20040124.zip").c_str(), 0777);
    EXPECT_FALSE(IsHandPickedDailyFile(Folder() + "zip/", "SGX20040124.zip", ".zip"));
}

} // namespace
} // namespace kelvarin
