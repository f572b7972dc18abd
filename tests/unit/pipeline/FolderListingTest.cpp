#include "pipeline/FolderListing.h"

#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kelvarin {
namespace {

using test::FileExists;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> Names(const FolderListing& listing) {
    std::vector<std::string> names;
    for (const ListEntry& entry : listing.entries)
        names.push_back(entry.name);
    return names;
}

EntryKind KindOf(const FolderListing& listing, std::string_view name) {
    for (const ListEntry& entry : listing.entries) {
        if (entry.name == name)
            return entry.kind;
    }
    ADD_FAILURE() << name << " not listed";
    return EntryKind::File;
}

class FolderListingTest : public ::testing::Test {
protected:
    void AddFile(const std::string& name) { WriteBytes(m_dir / name, "x"); }
    void AddFolder(const std::string& name) { std::filesystem::create_directory(m_dir / name); }

    TempDir m_dir;
    std::string m_folder = m_dir.Path() + "/";
};

TEST_F(FolderListingTest, ListsArchivesBesideTheFolderEntriesAndHidesTheMarker) {
    AddFile("SGX20040123.zip");
    AddFile(std::string(AutoDownloadMarker));
    AddFile("SGX20040122.zip");

    const FolderListing listing = ListStageFolder(m_folder, ZipPattern);

    EXPECT_EQ(Names(listing),
              (std::vector<std::string>{".", "..", "SGX20040122.zip", "SGX20040123.zip"}));
    EXPECT_EQ(listing.count, 2);
    EXPECT_FALSE(listing.message);
    EXPECT_EQ(KindOf(listing, "."), EntryKind::Folder);
    EXPECT_EQ(KindOf(listing, ".."), EntryKind::Folder);
    EXPECT_EQ(KindOf(listing, "SGX20040122.zip"), EntryKind::File);
}

TEST_F(FolderListingTest, EmptyFolderHoldsOnlyTheFolderEntries) {
    const FolderListing listing = ListStageFolder(m_folder, TxtPattern);
    EXPECT_EQ(Names(listing), (std::vector<std::string>{".", ".."}));
    EXPECT_EQ(listing.count, 0);
}

TEST_F(FolderListingTest, UpperCaseExtensionIsListedAndCountedWithItsCaseKept) {
    AddFile("SGX20041201.ZIP");
    AddFile("SGX20041202.Zip");

    const FolderListing listing = ListStageFolder(m_folder, ZipPattern);

    EXPECT_EQ(Names(listing),
              (std::vector<std::string>{".", "..", "SGX20041201.ZIP", "SGX20041202.Zip"}));
    EXPECT_EQ(listing.count, 2);
}

TEST_F(FolderListingTest, DotFilesAreListedButCountedOnlyWithTheExtension) {
    AddFile(".hidden");
    AddFile(".old.dat");
    AddFile("notes.txt");

    const FolderListing listing = ListStageFolder(m_folder, DatPattern);

    EXPECT_EQ(Names(listing), (std::vector<std::string>{".", "..", ".hidden", ".old.dat"}));
    EXPECT_EQ(listing.count, 1);
}

TEST_F(FolderListingTest, FoldersAreAlwaysListedAndCountedWhenNamedLikeAFile) {
    AddFolder("archive.zip");
    AddFolder("sub");
    AddFile("SGX20040122.zip");

    const FolderListing listing = ListStageFolder(m_folder, ZipPattern);

    EXPECT_EQ(Names(listing),
              (std::vector<std::string>{".", "..", "SGX20040122.zip", "archive.zip", "sub"}));
    EXPECT_EQ(listing.count, 2);
    EXPECT_EQ(KindOf(listing, "archive.zip"), EntryKind::Folder);
    EXPECT_EQ(KindOf(listing, "sub"), EntryKind::Folder);
}

TEST_F(FolderListingTest, FilesOfOtherStagesAreSkipped) {
    AddFile("SGX20040122.zip");
    AddFile("SGX20040122.dat");
    AddFile("Alpha (A1).txt");
    AddFile("zip");

    EXPECT_EQ(Names(ListStageFolder(m_folder, TxtPattern)),
              (std::vector<std::string>{".", "..", "Alpha (A1).txt"}));
    EXPECT_EQ(Names(ListStageFolder(m_folder, DatPattern)),
              (std::vector<std::string>{".", "..", "SGX20040122.dat"}));
}

TEST_F(FolderListingTest, LinkToAFolderIsAFolder) {
    AddFolder("target");
    std::filesystem::create_directory_symlink(m_dir / "target", m_dir / "linked");
    AddFile("real.zip");
    std::filesystem::create_symlink(m_dir / "real.zip", m_dir / "alias.zip");
    std::filesystem::create_symlink(m_dir / "nowhere", m_dir / "broken.zip");

    const FolderListing listing = ListStageFolder(m_folder, ZipPattern);

    EXPECT_EQ(KindOf(listing, "linked"), EntryKind::Folder);
    EXPECT_EQ(KindOf(listing, "alias.zip"), EntryKind::File);
    EXPECT_EQ(KindOf(listing, "broken.zip"), EntryKind::File);
    EXPECT_EQ(listing.count, 3);
}

TEST_F(FolderListingTest, EntriesSortByteWise) {
    for (const char* name : {"a.zip", "Sgx1.zip", "_x.zip", "SGX2.zip", "B.zip", "\xc3\xa9.zip"})
        AddFile(name);

    EXPECT_EQ(Names(ListStageFolder(m_folder, ZipPattern)),
              (std::vector<std::string>{".", "..", "B.zip", "SGX2.zip", "Sgx1.zip", "_x.zip",
                                        "a.zip", "\xc3\xa9.zip"}));
}

TEST_F(FolderListingTest, ManyFilesAreAllListedAndCounted) {
    for (int i = 0; i < 1200; ++i)
        AddFile("SGX" + std::to_string(20000000 + i) + (i % 2 ? ".zip" : ".dat"));

    const FolderListing listing = ListStageFolder(m_folder, ZipPattern);

    EXPECT_EQ(listing.entries.size(), 602u);
    EXPECT_EQ(listing.count, 600);
    EXPECT_EQ(listing.entries.back().name, "SGX20001199.zip");
}

TEST_F(FolderListingTest, MissingFolderIsCreatedWithItsMessage) {
    const std::string folder = m_dir / "zip/";

    const FolderListing listing = ListStageFolder(folder, ZipPattern);

    EXPECT_EQ(listing.message, "Error - The directory path " + folder +
                                   " does not exist, and a new folder has been created.");
    EXPECT_EQ(Names(listing), (std::vector<std::string>{".", ".."}));
    EXPECT_EQ(listing.count, 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(ListStageFolder(folder, ZipPattern).message);
}

TEST_F(FolderListingTest, FolderWithAMissingParentFailsAndListsNothing) {
    const std::string folder = m_dir / "base/stocks/";

    const FolderListing listing = ListStageFolder(folder, TxtPattern);

    EXPECT_EQ(listing.message, "Error - Failed to create the directory path " + folder + ".\n" +
                                   CannotMessage("create", folder, ENOENT));
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_EQ(listing.count, 0);
    EXPECT_FALSE(FileExists(m_dir / "base"));
}

TEST_F(FolderListingTest, FileInPlaceOfTheFolderFails) {
    AddFile("unzip");
    const std::string folder = m_dir / "unzip/";

    const FolderListing listing = ListStageFolder(folder, DatPattern);

    EXPECT_EQ(listing.message, "Error - Failed to create the directory path " + folder + ".\n" +
                                   CannotMessage("read", folder, ENOTDIR));
    EXPECT_TRUE(listing.entries.empty());
}

TEST_F(FolderListingTest, PercentInTheFolderIsNotAFormat) {
    const std::string folder = m_dir / "100%s %d/";
    const FolderListing listing = ListStageFolder(folder, ZipPattern);
    EXPECT_EQ(listing.message, "Error - The directory path " + folder +
                                   " does not exist, and a new folder has been created.");
}

TEST_F(FolderListingTest, EmptyFolderNameListsTheCurrentDirectory) {
    AddFile("SGX20040122.zip");
    const std::string previous = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(m_dir.Path().c_str()), 0);

    const FolderListing listing = ListStageFolder("", ZipPattern);

    ASSERT_EQ(::chdir(previous.c_str()), 0);
    EXPECT_EQ(Names(listing), (std::vector<std::string>{".", "..", "SGX20040122.zip"}));
    EXPECT_FALSE(listing.message);
}

TEST(NameLessTest, ComparesBytesAsUnsigned) {
    EXPECT_TRUE(NameLess("SGX20040122.zip", "SGX20040123.zip"));
    EXPECT_TRUE(NameLess("SGX00000000.zip", "SGX20040101.zip"));
    EXPECT_TRUE(NameLess("SGX2004", "SGX20040101.zip"));
    EXPECT_TRUE(NameLess("z", "\xe9"));
    EXPECT_FALSE(NameLess("SGX20040123.zip", "SGX20040123.zip"));
    EXPECT_FALSE(NameLess("sgx1", "SGX2"));
}

TEST(FolderEditTextTest, IsFolderAndPatternInLowerCase) {
    EXPECT_EQ(FolderEditText("/Home/User/App/Zip/", ZipPattern), "/home/user/app/zip/*.zip");
    EXPECT_EQ(FolderEditText("/D\xc3\x89/Stocks/", TxtPattern), "/d\xc3\x89/stocks/*.txt");
}

} // namespace
} // namespace kelvarin
