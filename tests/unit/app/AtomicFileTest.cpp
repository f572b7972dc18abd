#include "app/AtomicFile.h"

#include "app/FileAccess.h"
#include "pipeline/StageFolderClaim.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvarin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Lets this process write no file bigger than `bytes`, as a full disk would,
// until the object goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(AtomicFileTest, ReplacesTheFileWithExactlyTheNewBytes) {
    TempDir dir;
    const std::string path = dir / "file";
    WriteBytes(path, "a much longer old content");

    ASSERT_TRUE(WriteFileAtomically(path, std::string_view("new\0\r\n", 6)));

    EXPECT_EQ(ReadBytes(path), std::string("new\0\r\n", 6));
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"file"});
}

TEST(AtomicFileTest, WriteThatRunsOutOfSpaceKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir / "file";
    WriteBytes(path, "old");
    std::string error;
    bool written = true;
    {
        FileSizeLimit limit(16);
        written = WriteFileAtomically(path, std::string(4096, 'n'), &error);
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"file"});
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(AtomicFileTest, RenameThatFailsLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "taken";
    std::filesystem::create_directory(path);
    WriteBytes(dir / "taken/inside", "x");
    std::string error;

    EXPECT_FALSE(WriteFileAtomically(path, "bytes", &error));

    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"taken"});
    EXPECT_EQ(ReadBytes(dir / "taken/inside"), "x");
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(AtomicFileTest, MissingFolderFailsWithTheCause) {
    TempDir dir;
    std::string error;

    EXPECT_FALSE(WriteFileAtomically(dir / "no/file", "bytes", &error));

    EXPECT_NE(error.find(ErrnoText(ENOENT)), std::string::npos) << error;
    EXPECT_TRUE(NamesIn(dir.Path()).empty());
}

// The writer and the clean-up of a stage folder agree on what a temporary
// file is called; a name that merely looks alike stays.
TEST(AtomicFileTest, TheFileOfAKilledWriteIsWhatTheCleanUpRemoves) {
    TempDir dir;
    const std::string lookalike = std::string(PartialFilePrefix) + "notes.txt";
    WriteBytes(dir / lookalike, "kept");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file(dir / "SGX20040123.zip");
        // Ends without the destructor, as a killed process would.
        ::_exit(file.Open() && file.Write("half", 4) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(NamesIn(dir.Path()).size(), 2u);

    EXPECT_EQ(RemoveLeftoverPartialFiles(dir.Path()), 1);
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{lookalike});
}

} // namespace
} // namespace kelvarin
