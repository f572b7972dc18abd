#include "app/FixedNames.h"
#include "pipeline/FolderListing.h"
#include "pipeline/StageFolders.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kelvarin {
namespace {

using test::FileExists;
using test::TempDir;
using test::WriteBytes;

class DeleteStageFilesTest : public ::testing::Test {
protected:
    void AddFile(const std::string& name) { WriteBytes(m_dir / name, "x"); }

    // The rows of the list as last refreshed.
    std::vector<std::string> Rows(std::string_view pattern) const {
        std::vector<std::string> rows;
        for (const ListEntry& entry : ListStageFolder(m_folder, pattern).entries)
            rows.push_back(entry.name);
        return rows;
    }

    TempDir m_dir;
    std::string m_folder = m_dir.Path() + "/";
};

TEST_F(DeleteStageFilesTest, DeletesTheArchivesAndTheMarker) {
    AddFile("SGX20040122.zip");
    AddFile("SGX20040123.zip");
    AddFile(std::string(AutoDownloadMarker));

    DeleteStageFiles(Rows(ZipPattern), m_folder, ".zip", AutoDownloadMarker);

    const FolderListing after = ListStageFolder(m_folder, ZipPattern);
    EXPECT_EQ(after.entries.size(), 2u);
    EXPECT_EQ(after.count, 0);
    EXPECT_FALSE(FileExists(m_dir / std::string(AutoDownloadMarker)));
}

TEST_F(DeleteStageFilesTest, OnlyListedFilesOfTheStageGo) {
    AddFile("Alpha (A1).txt");
    AddFile("notes.doc");
    AddFile(".keep");
    AddFile(std::string(AutoUpdateMarker));
    std::filesystem::create_directory(m_dir / "old.txt");

    DeleteStageFiles(Rows(TxtPattern), m_folder, ".txt", AutoUpdateMarker);

    EXPECT_FALSE(FileExists(m_dir / "Alpha (A1).txt"));
    EXPECT_FALSE(FileExists(m_dir / std::string(AutoUpdateMarker)));
    EXPECT_TRUE(FileExists(m_dir / "notes.doc"));
    EXPECT_TRUE(FileExists(m_dir / ".keep"));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "old.txt"));
}

TEST_F(DeleteStageFilesTest, UpperCaseExtensionRowDeletesTheMarkerInstead) {
    AddFile("SGX20040122.ZIP");
    AddFile(std::string(AutoDownloadMarker));

    DeleteStageFiles({"SGX20040122.ZIP"}, m_folder, ".zip", AutoDownloadMarker);

    EXPECT_TRUE(FileExists(m_dir / "SGX20040122.ZIP"));
    EXPECT_FALSE(FileExists(m_dir / std::string(AutoDownloadMarker)));
    EXPECT_EQ(ListStageFolder(m_folder, ZipPattern).count, 1);
}

TEST_F(DeleteStageFilesTest, FileAddedAfterTheSnapshotStays) {
    AddFile("SGX20040122.dat");
    const std::vector<std::string> rows = Rows(DatPattern);
    AddFile("SGX20040123.dat");

    DeleteStageFiles(rows, m_folder, ".dat", AutoUnzipMarker);

    EXPECT_FALSE(FileExists(m_dir / "SGX20040122.dat"));
    EXPECT_TRUE(FileExists(m_dir / "SGX20040123.dat"));
}

TEST_F(DeleteStageFilesTest, MarkerStaysWhenEveryRowHasTheExtension) {
    // As in a drive root, where the list holds no "." and "..".
    AddFile("SGX20040122.zip");
    AddFile(std::string(AutoDownloadMarker));

    DeleteStageFiles({"SGX20040122.zip"}, m_folder, ".zip", AutoDownloadMarker);

    EXPECT_FALSE(FileExists(m_dir / "SGX20040122.zip"));
    EXPECT_TRUE(FileExists(m_dir / std::string(AutoDownloadMarker)));
}

TEST_F(DeleteStageFilesTest, RowsAlreadyGoneAreIgnored) {
    AddFile("SGX20040123.zip");

    DeleteStageFiles({".", "..", "SGX20040122.zip", "SGX20040123.zip"}, m_folder, ".zip",
                     AutoDownloadMarker);

    EXPECT_FALSE(FileExists(m_dir / "SGX20040123.zip"));
}

} // namespace
} // namespace kelvarin
