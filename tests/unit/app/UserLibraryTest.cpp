#include "app/UserLibrary.h"

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

class UserLibraryTest : public ::testing::Test {
protected:
    std::string Prepare() {
        std::string error;
        EXPECT_TRUE(PrepareUserLibrary(m_library, m_installed, &error)) << error;
        return error;
    }

    TempDir m_dir;
    std::string m_library = m_dir / "home/.local/share/Kelvarin";
    std::string m_installed = m_dir / "kv_index.htm";
};

TEST_F(UserLibraryTest, FirstStartMakesTheFolderWithACopyOfTheInstalledStartPage) {
    WriteBytes(m_installed, std::string("<p>installed</p>\r\n\0", 20));
    Prepare();
    EXPECT_TRUE(std::filesystem::is_directory(m_library));
    EXPECT_EQ(ReadBytes(m_library + "/kv_index.htm"), ReadBytes(m_installed));
    // The stage folders come with a new library, so its first listing
    // reports none as just created.
    for (const char* stage : {"/zip", "/unzip", "/stocks"})
        EXPECT_TRUE(std::filesystem::is_directory(m_library + stage)) << stage;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_library), {}), 4);
}

TEST_F(UserLibraryTest, TheUsersOwnStartPageIsNeverReplaced) {
    WriteBytes(m_installed, "<p>installed</p>");
    std::filesystem::create_directories(m_library);
    WriteBytes(m_library + "/kv_index.htm", "<p>mine</p>");
    Prepare();
    EXPECT_EQ(ReadBytes(m_library + "/kv_index.htm"), "<p>mine</p>");

    // Even a page that is only a dangling link counts as the user's own.
    std::filesystem::remove(m_library + "/kv_index.htm");
    std::filesystem::create_symlink(m_dir / "elsewhere.htm", m_library + "/kv_index.htm");
    Prepare();
    EXPECT_TRUE(std::filesystem::is_symlink(m_library + "/kv_index.htm"));
}

TEST_F(UserLibraryTest, WithoutAnInstalledStartPageTheLibraryHasNone) {
    Prepare();
    EXPECT_TRUE(std::filesystem::is_directory(m_library));
    EXPECT_FALSE(FileExists(m_library + "/kv_index.htm"));

    // An existing library is the user's to arrange: no stage folder is added.
    std::filesystem::remove_all(m_library + "/zip");
    Prepare();
    EXPECT_FALSE(std::filesystem::exists(m_library + "/zip"));
}

TEST_F(UserLibraryTest, FailuresNameTheFolderOrFileAndTheCause) {
    WriteBytes(m_dir / "home", "a file where a folder belongs");
    std::string error;
    EXPECT_FALSE(PrepareUserLibrary(m_library, m_installed, &error));
    EXPECT_EQ(error, "Cannot create the library folder " + m_library + ": Not a directory");

    // An installed page that cannot be read (this one fails with EIO, even
    // for root) leaves no page, whole or partial.
    std::filesystem::remove(m_dir / "home");
    EXPECT_FALSE(PrepareUserLibrary(m_library, "/proc/self/mem", &error));
    EXPECT_EQ(error, "Cannot read /proc/self/mem: Input/output error");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_library), {}), 3);
    EXPECT_FALSE(FileExists(m_library + "/kv_index.htm"));
}

} // namespace
} // namespace kelvarin
