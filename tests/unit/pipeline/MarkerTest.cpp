#include "pipeline/Marker.h"

#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "support/FakeFrontEnd.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kelvarin {
namespace {

using test::FileExists;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class MarkerTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string m_path = m_dir / std::string(AutoDownloadMarker);
};

TEST_F(MarkerTest, MissingMarkerGivesTheInitialName) {
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "SGX00000000.zip");
    EXPECT_EQ(ReadMarker(m_path, InitialDatName), "SGX00000000.dat");
}

TEST_F(MarkerTest, EmptyMarkerGivesTheInitialName) {
    WriteBytes(m_path, "");
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "SGX00000000.zip");
}

TEST_F(MarkerTest, FolderInPlaceOfTheMarkerGivesTheInitialName) {
    std::filesystem::create_directory(m_path);
    EXPECT_EQ(ReadMarker(m_path, InitialDatName), "SGX00000000.dat");
}

TEST_F(MarkerTest, NameIsTheBytesOfTheFile) {
    WriteBytes(m_path, "SGX20040123.zip");
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "SGX20040123.zip");
}

TEST_F(MarkerTest, LineEndIsPartOfTheName) {
    WriteBytes(m_path, "SGX20040123.zip\r\n");
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "SGX20040123.zip\r\n");
}

TEST_F(MarkerTest, NameEndsAtTheFirstZeroByte) {
    WriteBytes(m_path, std::string_view("SGX20040123.zip\0SGX20991231.zip", 31));
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "SGX20040123.zip");
}

TEST_F(MarkerTest, LeadingZeroByteGivesAnEmptyName) {
    WriteBytes(m_path, std::string_view("\0SGX20040123.zip", 16));
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "");
}

TEST_F(MarkerTest, OnlyTheFirst260BytesAreRead) {
    const std::string name = "SGX" + std::string(257, '9');
    WriteBytes(m_path, name + "tail beyond the limit");
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), name);
}

TEST_F(MarkerTest, WrittenMarkerHoldsExactlyTheName) {
    ASSERT_TRUE(WriteMarker(m_path, "SGX20040123.zip"));
    EXPECT_EQ(ReadBytes(m_path), "SGX20040123.zip");
    EXPECT_EQ(ReadMarker(m_path, InitialZipName), "SGX20040123.zip");
}

TEST_F(MarkerTest, ShorterNameReplacesALongerOneWhole) {
    WriteBytes(m_path, "SGX20041231.zip and more");
    ASSERT_TRUE(WriteMarker(m_path, "SGX20040101.zip"));
    EXPECT_EQ(ReadBytes(m_path), "SGX20040101.zip");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{std::string(AutoDownloadMarker)});
}

TEST_F(MarkerTest, WriteIntoAMissingFolderFailsWithTheCause) {
    const std::string path = m_dir / "gone/log_auto_unzip";
    std::string error;
    EXPECT_FALSE(WriteMarker(path, "SGX20040123.zip", &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_FALSE(FileExists(m_dir / "gone"));
}

// The marker moves only once the folder's files are on disk; a folder that
// cannot be flushed keeps its marker and says which folder and why.
TEST_F(MarkerTest, CommitMovesTheMarkerOnlyAfterTheFolderIsFlushed) {
    test::FakeFrontEnd frontEnd;
    const std::string folder = m_dir.Path() + "/";
    EXPECT_TRUE(CommitMarker(folder, AutoUnzipMarker, "SGX20040123.zip", frontEnd));
    EXPECT_EQ(ReadBytes(folder + std::string(AutoUnzipMarker)), "SGX20040123.zip");
    EXPECT_TRUE(frontEnd.Messages().empty());

    const std::string gone = m_dir / "gone/";
    EXPECT_FALSE(CommitMarker(gone, AutoUnzipMarker, "SGX20040124.zip", frontEnd));
    ASSERT_EQ(frontEnd.Messages().size(), 1u);
    EXPECT_EQ(frontEnd.Messages()[0].text, "Cannot write " + gone + ": " + ErrnoText(ENOENT));
    EXPECT_FALSE(FileExists(m_dir / "gone"));
}

} // namespace
} // namespace kelvarin
