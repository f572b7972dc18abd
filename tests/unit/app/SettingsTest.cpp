#include "app/Settings.h"

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

// Folders as they stand before start-up reads the settings file.
WorkingFolders InitialFolders(const std::string& base) {
    WorkingFolders folders;
    folders.BaseFolder = base;
    return folders;
}

class SettingsReadTest : public ::testing::Test {
protected:
    // Reads `bytes` as a settings file into folders at their initial values.
    WorkingFolders ReadFrom(std::string_view bytes) {
        WriteBytes(m_path, bytes);
        WorkingFolders folders = InitialFolders("/App");
        EXPECT_TRUE(ReadSettings(m_path, folders));
        return folders;
    }

    TempDir m_dir;
    std::string m_path = m_dir / "kelvarin.ini";
};

TEST(SettingsWriteTest, FileHoldsTheTwelveLinesByteForByte) {
    TempDir dir;
    WorkingFolders folders = InitialFolders(dir.Path());
    folders.ResetToBaseDefaults();
    const std::string path = dir / "kelvarin.ini";

    ASSERT_TRUE(WriteSettings(path, folders));

    const std::string base = dir.Path();
    EXPECT_EQ(ReadBytes(path), "Note: Please Do Not Modify These Settings.\r\n"
                               "\r\n"
                               "[Local Path]\r\n" +
                                   base + "/zip/\r\n" +
                                   "\r\n"
                                   "[Unzip Path]\r\n" +
                                   base + "/unzip/\r\n" +
                                   "\r\n"
                                   "[Stock Path]\r\n" +
                                   base + "/stocks/\r\n" +
                                   "\r\n"
                                   "[End]");
}

TEST(SettingsWriteTest, FolderValuesAreWrittenAsHeld) {
    WorkingFolders folders;
    folders.ZipFolder = " /odd %s path\\";
    folders.UnzipFolder = "";
    folders.StockFolder = "[End]";
    EXPECT_EQ(FormatSettings(folders), "Note: Please Do Not Modify These Settings.\r\n\r\n"
                                       "[Local Path]\r\n /odd %s path\\\r\n\r\n"
                                       "[Unzip Path]\r\n\r\n\r\n"
                                       "[Stock Path]\r\n[End]\r\n\r\n"
                                       "[End]");
}

TEST(SettingsWriteTest, ReplacesAnOldFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "kelvarin.ini";
    WriteBytes(path, std::string(2000, 'x'));
    const WorkingFolders folders = InitialFolders("/App");

    ASSERT_TRUE(WriteSettings(path, folders));

    EXPECT_EQ(ReadBytes(path), FormatSettings(folders));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"kelvarin.ini"});
}

TEST(SettingsWriteTest, FailureNamesThePathAndCauseAndLeavesNoFile) {
    TempDir dir;
    const std::string path = dir / "missing/kelvarin.ini";
    std::string error;

    EXPECT_FALSE(WriteSettings(path, InitialFolders("/App"), &error));

    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(FileExists(dir / "missing"));
}

TEST(SettingsRoundTripTest, WrittenFileReadsBackTheSameFolders) {
    TempDir dir;
    const std::string path = dir / "kelvarin.ini";
    WorkingFolders written = InitialFolders("/App");
    written.ZipFolder = "  /leading blanks/zip/";
    written.UnzipFolder = "/data/[Unzip Path]/";
    written.StockFolder = "/data/stocks/";
    ASSERT_TRUE(WriteSettings(path, written));

    WorkingFolders read = InitialFolders("/Elsewhere");
    ASSERT_TRUE(ReadSettings(path, read));

    EXPECT_EQ(read.ZipFolder, written.ZipFolder);
    EXPECT_EQ(read.UnzipFolder, written.UnzipFolder);
    EXPECT_EQ(read.StockFolder, written.StockFolder);
}

TEST(SettingsRoundTripTest, TrailingBlanksOfAValueAreLost) {
    TempDir dir;
    const std::string path = dir / "kelvarin.ini";
    WorkingFolders written = InitialFolders("/App");
    written.ZipFolder = "/zip folder/ \t";
    ASSERT_TRUE(WriteSettings(path, written));

    WorkingFolders read = InitialFolders("/App");
    ASSERT_TRUE(ReadSettings(path, read));
    EXPECT_EQ(read.ZipFolder, "/zip folder/");
}

TEST(SettingsMissingFileTest, GivesBaseFolderDefaults) {
    TempDir dir;
    WorkingFolders folders = InitialFolders("/App");

    EXPECT_FALSE(ReadSettings(dir / "kelvarin.ini", folders));

    EXPECT_EQ(folders.ZipFolder, "/App/zip/");
    EXPECT_EQ(folders.UnzipFolder, "/App/unzip/");
    EXPECT_EQ(folders.StockFolder, "/App/stocks/");
}

TEST(SettingsMissingFileTest, AFolderInPlaceOfTheFileCountsAsMissing) {
    TempDir dir;
    std::filesystem::create_directory(dir / "kelvarin.ini");
    WorkingFolders folders = InitialFolders("/App");

    EXPECT_FALSE(ReadSettings(dir / "kelvarin.ini", folders));

    EXPECT_EQ(folders.ZipFolder, "/App/zip/");
}

TEST_F(SettingsReadTest, OnlyEndKeepsInitialValuesWithoutBaseFolder) {
    const WorkingFolders folders = ReadFrom("[End]");
    EXPECT_EQ(folders.ZipFolder, "/zip/");
    EXPECT_EQ(folders.UnzipFolder, "/unzip/");
    EXPECT_EQ(folders.StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, EmptyFileKeepsInitialValues) {
    const WorkingFolders folders = ReadFrom("");
    EXPECT_EQ(folders.ZipFolder, "/zip/");
    EXPECT_EQ(folders.StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, MissingSectionKeepsItsInitialValue) {
    const WorkingFolders folders = ReadFrom("[Local Path]\r\n/data/zip/\r\n[End]");
    EXPECT_EQ(folders.ZipFolder, "/data/zip/");
    EXPECT_EQ(folders.UnzipFolder, "/unzip/");
    EXPECT_EQ(folders.StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, SectionsMayComeInAnyOrderAndTheLastWins) {
    const WorkingFolders folders = ReadFrom("[Stock Path]\r\n/s1/\r\n"
                                            "[Local Path]\r\n/z1/\r\n"
                                            "[Stock Path]\r\n/s2/\r\n"
                                            "[End]");
    EXPECT_EQ(folders.ZipFolder, "/z1/");
    EXPECT_EQ(folders.StockFolder, "/s2/");
}

TEST_F(SettingsReadTest, HeaderInPlaceOfAValueBecomesTheValue) {
    const WorkingFolders folders = ReadFrom("[Local Path]\r\n/z/\r\n\r\n"
                                            "[Unzip Path]\r\n"
                                            "[Stock Path]\r\n/s/\r\n\r\n"
                                            "[End]");
    EXPECT_EQ(folders.ZipFolder, "/z/");
    EXPECT_EQ(folders.UnzipFolder, "[Stock Path]");
    EXPECT_EQ(folders.StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, EmptyValueLineGivesAnEmptyFolder) {
    const WorkingFolders folders = ReadFrom("[Local Path]\r\n\r\n[End]");
    EXPECT_EQ(folders.ZipFolder, "");
}

TEST_F(SettingsReadTest, HeaderAsLastLineLeavesTheFolderUnchanged) {
    EXPECT_EQ(ReadFrom("[Stock Path]").StockFolder, "/stocks/");
    EXPECT_EQ(ReadFrom("[Stock Path]\r\n").StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, HeadersInOtherCaseOrIndentedAreIgnored) {
    const WorkingFolders folders = ReadFrom("[local path]\r\n/lower/\r\n"
                                            " [Unzip Path]\r\n/indented/\r\n"
                                            "\t[Stock Path]\r\n/tab/\r\n"
                                            " [End]\r\n"
                                            "[Local Path]\r\n/real/\r\n");
    EXPECT_EQ(folders.ZipFolder, "/real/");
    EXPECT_EQ(folders.UnzipFolder, "/unzip/");
    EXPECT_EQ(folders.StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, TrailingWhiteSpaceIsRemovedAndLeadingKept) {
    const WorkingFolders folders = ReadFrom("[Local Path] \t\r\n  /z/ \t\v\f\r\n"
                                            "[Unzip Path]\n/lf only/\n"
                                            "[Stock Path]\r\n/s/\r\r\r\n"
                                            "[End]  ");
    EXPECT_EQ(folders.ZipFolder, "  /z/");
    EXPECT_EQ(folders.UnzipFolder, "/lf only/");
    EXPECT_EQ(folders.StockFolder, "/s/");
}

TEST_F(SettingsReadTest, LinesAfterEndAreNeverRead) {
    const WorkingFolders folders = ReadFrom("[Local Path]\r\n/z/\r\n[End]\r\n"
                                            "[Local Path]\r\n/late/\r\n"
                                            "[Stock Path]\r\n/late/\r\n");
    EXPECT_EQ(folders.ZipFolder, "/z/");
    EXPECT_EQ(folders.StockFolder, "/stocks/");
}

TEST_F(SettingsReadTest, UnknownSectionIsSkippedUnlessItsValueIsAHeader) {
    const WorkingFolders folders = ReadFrom("[Other Path]\r\n/other/\r\n"
                                            "[Base Path]\r\n[Stock Path]\r\n/s/\r\n"
                                            "[End]");
    EXPECT_EQ(folders.ZipFolder, "/zip/");
    EXPECT_EQ(folders.StockFolder, "/s/");
}

TEST_F(SettingsReadTest, LongLineIsReadIn259BytePieces) {
    // 300 bytes: the last 41 are a line of their own, here a header with blanks.
    const std::string first(259, 'z');
    const std::string rest = "[Stock Path]" + std::string(29, ' ');
    ASSERT_EQ(first.size() + rest.size(), 300u);

    const WorkingFolders folders =
        ReadFrom("[Local Path]\r\n" + first + rest + "\r\n/next/\r\n[End]");

    EXPECT_EQ(folders.ZipFolder, first);
    EXPECT_EQ(folders.StockFolder, "/next/");
}

TEST_F(SettingsReadTest, OverlongValueIsCutAndItsRemainderIgnored) {
    const WorkingFolders folders =
        ReadFrom("[Local Path]\r\n" + std::string(300, 'a') + "\r\n[Unzip Path]\r\n/u/\r\n[End]");
    EXPECT_EQ(folders.ZipFolder, std::string(259, 'a'));
    EXPECT_EQ(folders.UnzipFolder, "/u/");
}

TEST_F(SettingsReadTest, ValueOfExactly259BytesIsKeptWhole) {
    // The line end then comes back as an empty line of its own.
    const std::string value(259, 'v');
    const WorkingFolders folders =
        ReadFrom("[Local Path]\r\n" + value + "\r\n[Unzip Path]\r\n/u/\r\n[End]");
    EXPECT_EQ(folders.ZipFolder, value);
    EXPECT_EQ(folders.UnzipFolder, "/u/");
}

TEST_F(SettingsReadTest, TextAfterEndIsNotWrittenBack) {
    const WorkingFolders read = ReadFrom("[Local Path]\r\n/App/zip/\r\n"
                                         "[Unzip Path]\r\n/App/unzip/\r\n"
                                         "[Stock Path]\r\n/App/stocks/\r\n"
                                         "[End]\r\n[Local Path]\r\n/after/");
    ASSERT_TRUE(WriteSettings(m_path, read));

    EXPECT_EQ(ReadBytes(m_path), "Note: Please Do Not Modify These Settings.\r\n\r\n"
                                 "[Local Path]\r\n/App/zip/\r\n\r\n"
                                 "[Unzip Path]\r\n/App/unzip/\r\n\r\n"
                                 "[Stock Path]\r\n/App/stocks/\r\n\r\n"
                                 "[End]");
}

} // namespace
} // namespace kelvarin
