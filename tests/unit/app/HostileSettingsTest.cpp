// Settings and marker files as something other than the program left them:
// binary junk, huge files. Reading never fails, never runs away, and gives
// values a stage can use.
#include "app/Settings.h"
#include "pipeline/Marker.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

std::string Junk(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 23);
    }
    return bytes;
}

class HostileSettingsTest : public ::testing::Test {
protected:
    WorkingFolders Read(const std::string& bytes) {
        WriteBytes(m_path, bytes);
        WorkingFolders folders;
        folders.BaseFolder = "/App";
        EXPECT_TRUE(ReadSettings(m_path, folders));
        return folders;
    }

    TempDir m_dir;
    const std::string m_path = m_dir / "kelvarin.ini";
};

TEST_F(HostileSettingsTest, BinaryJunkLeavesTheInitialFolders) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        const WorkingFolders folders = Read(Junk(4096, seed));
        // Junk could only name a folder by holding a header line, which
        // random bytes of this length never do.
        EXPECT_EQ(folders.ZipFolder, "/zip/") << seed;
        EXPECT_EQ(folders.UnzipFolder, "/unzip/") << seed;
        EXPECT_EQ(folders.StockFolder, "/stocks/") << seed;
    }
}

TEST_F(HostileSettingsTest, JunkAroundTheSectionsDoesNotDisturbThem) {
    std::string bytes = Junk(3000, 7) + "\r\n[Local Path]\r\n/data/zip/\r\n" + Junk(3000, 8) +
                        "\r\n[Stock Path]\r\n/data/stocks/\r\n[End]\r\n" + Junk(100, 9);
    const WorkingFolders folders = Read(bytes);
    EXPECT_EQ(folders.ZipFolder, "/data/zip/");
    EXPECT_EQ(folders.StockFolder, "/data/stocks/");
}

TEST_F(HostileSettingsTest, TenMibWithoutALineEndIsReadInPiecesToTheEnd) {
    std::string bytes(10u << 20, 'x');
    bytes += "\n[Unzip Path]\n/late/unzip/\n";
    const WorkingFolders folders = Read(bytes);
    EXPECT_EQ(folders.UnzipFolder, "/late/unzip/");
    EXPECT_EQ(folders.ZipFolder, "/zip/");
}

TEST_F(HostileSettingsTest, ValueWithControlCharactersAndNulIsCutAtTheNul) {
    const WorkingFolders folders =
        Read(std::string("[Local Path]\r\n/a\x01\x1b[31m/b") + std::string("\0/c\r\n", 5));
    EXPECT_EQ(folders.ZipFolder, "/a\x01\x1b[31m/b");
}

TEST_F(HostileSettingsTest, MarkerOfJunkGivesItsFirstBytesUpToANul) {
    const std::string path = m_dir / "log_auto_download";
    std::string junk = Junk(10u << 20, 3);
    // A junk marker is only a name; it must come back whole and short.
    std::replace(junk.begin(), junk.begin() + 300, '\0', 'n');
    WriteBytes(path, junk);
    EXPECT_EQ(ReadMarker(path, "SGX00000000.zip"), junk.substr(0, 260));

    junk[5] = '\0';
    WriteBytes(path, junk);
    EXPECT_EQ(ReadMarker(path, "SGX00000000.zip"), junk.substr(0, 5));
}

TEST_F(HostileSettingsTest, FolderPathsThatDoNotExistAreNotWrittenInto) {
    WorkingFolders folders;
    folders.BaseFolder = m_dir.Path();
    folders.ResetToBaseDefaults();
    std::string error;
    EXPECT_FALSE(WriteSettings(m_dir / "absent/kelvarin.ini", folders, &error));
    EXPECT_NE(error.find(m_dir / "absent/kelvarin.ini"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(WriteMarker(m_dir / "absent/log_auto_unzip", "SGX20040123.zip", &error));
    EXPECT_NE(error.find(m_dir / "absent/log_auto_unzip"), std::string::npos) << error;
    EXPECT_FALSE(FileExists(m_dir / "absent"));
}

} // namespace
} // namespace kelvarin::test
