#include "app/WorkingFolders.h"
#include "cli/CliApplication.h"
#include "cli/StageSteps.h"
#include "pipeline/DailyArchiveNames.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "support/TestArchives.h"
#include "support/TestPaths.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvarin::cli {
namespace {

using test::DailyLine;
using test::FileExists;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Nothing listens on port 1, so a stage that connects fails at once.
constexpr const char* DeadServer = "http://127.0.0.1:1";

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

class CliCommandsTest : public ::testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args, const std::string& input = "",
                  bool inputIsTerminal = false) {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        const CliStreams streams{in, out, err, inputIsTerminal, false, 80};
        CliApplication application(streams, CliDefaults{m_base.Path(), DeadServer});
        const int code = application.Run(args);
        return {code, out.str(), err.str()};
    }

    std::string Base() const { return m_base.Path(); }
    std::string SettingsFile() const { return m_base / "kelvarin.ini"; }
    std::string Folder(const std::string& name) const { return m_base / name + "/"; }
    void MakeFolders() {
        for (const char* name : {"zip", "unzip", "stocks"})
            std::filesystem::create_directory(m_base / name);
    }

    static std::string SettingsBytes(const std::string& zip, const std::string& unzip,
                                     const std::string& stocks) {
        return "Note: Please Do Not Modify These Settings.\r\n\r\n[Local Path]\r\n" + zip +
               "\r\n\r\n[Unzip Path]\r\n" + unzip + "\r\n\r\n[Stock Path]\r\n" + stocks +
               "\r\n\r\n[End]";
    }

    TempDir m_base;
};

// ---- folders ------------------------------------------------------------

TEST_F(CliCommandsTest, FoldersPrintsTheBaseDefaultsAndWritesNothing) {
    const CliResult result = Run({"folders"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, Folder("zip") + "\n" + Folder("unzip") + "\n" + Folder("stocks") + "\n");
    EXPECT_FALSE(FileExists(SettingsFile()));
    EXPECT_FALSE(FileExists(m_base / "zip"));
}

TEST_F(CliCommandsTest, FoldersComeFromTheSettingsFileAsAtDesktopStartUp) {
    // A section missing from an existing file keeps the folder's initial value,
    // without the base folder in front.
    WriteBytes(SettingsFile(), "[Local Path]\r\n/data/archives/  \r\n[End]\r\n[Stock Path]\r\nx");
    const CliResult result = Run({"folders"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "/data/archives/\n/unzip/\n/stocks/\n");
}

TEST_F(CliCommandsTest, BaseOptionChoosesTheSettingsFile) {
    TempDir other;
    WriteBytes(other / "kelvarin.ini", SettingsBytes("/a/", "/b/", "/c/"));
    const CliResult result = Run({"--base", other.Path(), "folders"});
    EXPECT_EQ(result.out, "/a/\n/b/\n/c/\n");
}

TEST_F(CliCommandsTest, FoldersOptionsEndInASlashAndAreSaved) {
    const CliResult result = Run({"folders", "--zip", "/data/z", "--stocks", "/data/s/"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "/data/z/\n" + Folder("unzip") + "\n/data/s/\n");
    EXPECT_EQ(ReadBytes(SettingsFile()), SettingsBytes("/data/z/", Folder("unzip"), "/data/s/"));
    EXPECT_EQ(Run({"folders"}).out, result.out);
}

TEST_F(CliCommandsTest, RelativeFolderIsPinnedToTheCurrentDirectory) {
    Run({"folders", "--unzip", "daily"});
    EXPECT_EQ(ReadBytes(SettingsFile()),
              SettingsBytes(Folder("zip"), CurrentDirectory() + "/daily/", Folder("stocks")));
}

TEST_F(CliCommandsTest, ResetWritesTheBaseDefaults) {
    WriteBytes(SettingsFile(), SettingsBytes("/a/", "/b/", "/c/"));
    const CliResult result = Run({"folders", "--reset"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(ReadBytes(SettingsFile()),
              SettingsBytes(Folder("zip"), Folder("unzip"), Folder("stocks")));
    EXPECT_EQ(result.out, Folder("zip") + "\n" + Folder("unzip") + "\n" + Folder("stocks") + "\n");
}

TEST_F(CliCommandsTest, ResetComesBeforeTheFolderOptions) {
    WriteBytes(SettingsFile(), SettingsBytes("/a/", "/b/", "/c/"));
    Run({"folders", "--reset", "--zip", "/z"});
    EXPECT_EQ(ReadBytes(SettingsFile()), SettingsBytes("/z/", Folder("unzip"), Folder("stocks")));
}

TEST_F(CliCommandsTest, SettingsWriteFailureIsReportedWithStatus1) {
    const std::string missingBase = m_base / "missing";
    const CliResult result = Run({"--base", missingBase, "folders", "--reset"});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(missingBase + "/kelvarin.ini"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST_F(CliCommandsTest, OnlyFoldersWritesTheSettingsFile) {
    Run({"unzip"});
    Run({"update"});
    Run({"clear", "stocks", "--yes"});
    Run({"connect"});
    EXPECT_FALSE(FileExists(SettingsFile()));
}

// ---- usage --------------------------------------------------------------

TEST_F(CliCommandsTest, UsageErrorsExitWith2AndTouchNothing) {
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"fetch"},
        {"clear"},
        {"clear", "archives"},
        {"folders", "--zip"},
        {"update", "--force"},
        {"connect", "extra"},
        {"--bogus", "run"},
        {"--server", "ftp://127.0.0.1:1", "connect"},
        {"--server", "127.0.0.1:1", "run"},
        {"--server", "http://", "connect"},
        {"--connections", "0", "connect"},
        {"--connections", "17", "run"},
        {"--connections", "four", "run"},
    };
    for (const auto& args : usages) {
        const CliResult result = Run(args);
        std::string joined;
        for (const auto& arg : args)
            joined += arg + " ";
        EXPECT_EQ(result.code, 2) << joined;
        EXPECT_FALSE(result.err.empty()) << joined;
        EXPECT_EQ(result.out, "") << joined;
    }
    EXPECT_TRUE(std::filesystem::is_empty(Base()));
}

TEST_F(CliCommandsTest, RefusedServerAddressIsNamed) {
    const CliResult result = Run({"--server", "gopher://127.0.0.1:1/", "connect"});
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.err.find("\"gopher://127.0.0.1:1/\""), std::string::npos) << result.err;
}

TEST_F(CliCommandsTest, ConnectionsAreANumberFromOneToSixteen) {
    const CliResult refused = Run({"--connections", "17", "connect"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("--connections"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("1 to 16"), std::string::npos) << refused.err;
    for (const char* count : {"1", "16"})
        EXPECT_EQ(Run({"--connections", count, "folders"}).code, 0) << count;
}

TEST_F(CliCommandsTest, HelpExitsWith0) {
    const CliResult result = Run({"--help"});
    EXPECT_EQ(result.code, 0);
    EXPECT_NE(result.out.find("Exit status"), std::string::npos);
}

// ---- list building and names --------------------------------------------

TEST_F(CliCommandsTest, MissingFoldersAreCreatedWithTheirMessagesOnStderr) {
    const CliResult result = Run({"update"});
    EXPECT_EQ(result.code, 0);
    for (const char* name : {"unzip", "stocks"}) {
        EXPECT_NE(result.err.find("Error - The directory path " + Folder(name) +
                                  " does not exist, and a new folder has been created."),
                  std::string::npos)
            << result.err;
        EXPECT_TRUE(std::filesystem::is_directory(m_base / name));
    }
    EXPECT_EQ(result.out, "Total 0 stock files updated from 0 files, last:SGX00000000.dat\n");
}

TEST_F(CliCommandsTest, NameNotInTheListExitsWith2BeforeTheStageRuns) {
    MakeFolders();
    WriteBytes(m_base / "zip/SGX20040123.zip", "not an archive");
    const CliResult unzip = Run({"unzip", "SGX20040123.zip", "SGX20040124.zip"});
    EXPECT_EQ(unzip.code, 2);
    EXPECT_NE(unzip.err.find("SGX20040124.zip"), std::string::npos);
    EXPECT_EQ(unzip.out, "");
    EXPECT_FALSE(FileExists(m_base / "unzip/log_auto_unzip"));

    const CliResult update = Run({"update", "SGX20040123.dat"});
    EXPECT_EQ(update.code, 2);
    EXPECT_NE(update.err.find("SGX20040123.dat"), std::string::npos);
    EXPECT_FALSE(FileExists(m_base / "stocks/log_auto_update"));
}

// ---- stage outcomes -----------------------------------------------------

TEST_F(CliCommandsTest, FailedConnectionPrintsItsStatusAndOnStderrTheAddressAndCause) {
    const CliResult connect = Run({"connect"});
    EXPECT_EQ(connect.code, 1);
    EXPECT_EQ(connect.out, "Connection failed\n");
    // libcurl's own text tells a refused connection from an unknown name or
    // an untrusted certificate.
    EXPECT_TRUE(connect.err.starts_with(IndexAddress(DeadServer) + ": ")) << connect.err;
    EXPECT_NE(connect.err.find("port 1"), std::string::npos) << connect.err;

    const CliResult download = Run({"download"});
    EXPECT_EQ(download.code, 1);
    EXPECT_EQ(download.out, "Connection failed\n");
}

TEST_F(CliCommandsTest, FailedArchiveMakesUnzipExit1) {
    MakeFolders();
    WriteBytes(m_base / "zip/SGX20040125.zip", "not an archive");
    const CliResult result = Run({"unzip"});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.out, "Total files unzipped: 1, last:SGX20040125.zip - 1 failed\n");
}

// Folder names are the disk's bytes, not always UTF-8; a monitoring script
// must still get JSON its parser takes.
TEST_F(CliCommandsTest, StatusJsonIsValidForAFolderNameInLatin1) {
    const std::string zip = Base() + "/caf\xE9 \"old\"/";
    ASSERT_EQ(Run({"folders", "--zip", zip}).code, 0);
    const CliResult result = Run({"status", "--json"});
    ASSERT_FALSE(result.out.empty()) << result.err;
    const nlohmann::json status = nlohmann::json::parse(result.out);
    EXPECT_EQ(status["folders"][0]["folder"], Base() + "/caf\u00e9 \"old\"/");
    EXPECT_TRUE(status["folders"][0]["marker"].is_null());
}

// A stage that throws (out of memory, a thread that cannot start) ends its
// command as a failed one, the cause on a line of its own on stderr and no
// half-way status on stdout.
TEST_F(CliCommandsTest, StageThatThrowsEndsWithItsCauseAndStatus1) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    CliContext context(WorkingFolders{}, DeadServer, CliStreams{in, out, err, false, true, 80});
    const int code = RunStage(context, [&context]() -> StageOutcome {
        context.frontEnd.StatusLine().SetText("Updating SGX20040123.dat...");
        throw std::runtime_error("Cannot start a worker thread: Resource temporarily unavailable");
    });
    EXPECT_EQ(code, ExitFailure);
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(
        err.str().ends_with("\nCannot start a worker thread: Resource temporarily unavailable\n"))
        << err.str();
}

// ---- update -------------------------------------------------------------

class CliUpdateTest : public CliCommandsTest {
protected:
    void SetUp() override {
        MakeFolders();
        WriteBytes(m_base / "unzip/SGX20040123.dat",
                   DailyLine("2004-01-23", "ALPHA HOLDINGS", "A11", "2.650", "2.690", "2.640",
                             "2.670", "800"));
        WriteBytes(m_base / "stocks/log_auto_update", "SGX20040124.dat");
    }
    std::string HistoryFile() const { return m_base / "stocks/ALPHA HOLDINGS (A11).txt"; }
    static constexpr const char* History =
        "date\topen\thigh\tlow\tclose\tvolume\r\n2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t800";
};

TEST_F(CliUpdateTest, AutoSkipsFilesUpToTheMarker) {
    const CliResult result = Run({"update"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "Total 0 stock files updated from 0 files, last:SGX20040124.dat\n");
    EXPECT_FALSE(FileExists(HistoryFile()));
}

TEST_F(CliUpdateTest, YesAppliesANamedOlderFile) {
    const CliResult result = Run({"update", "--yes", "SGX20040123.dat"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "Total 1 stock files updated from 1 files, last:SGX20040123.dat\n");
    EXPECT_EQ(ReadBytes(HistoryFile()), History);
    EXPECT_EQ(ReadBytes(m_base / "stocks/log_auto_update"), "SGX20040123.dat");
}

TEST_F(CliUpdateTest, WithoutATerminalTheQuestionIsAnsweredNo) {
    const CliResult result = Run({"update", "SGX20040123.dat"}, "y\n");
    EXPECT_EQ(result.code, 0);
    EXPECT_NE(result.err.find("Are you sure you want to update from SGX20040123.dat? The last "
                              "update was from SGX20040124.dat."),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.out, "Total 0 stock files updated from 0 files, last:SGX20040124.dat\n");
    EXPECT_FALSE(FileExists(HistoryFile()));
    EXPECT_EQ(ReadBytes(m_base / "stocks/log_auto_update"), "SGX20040124.dat");
}

TEST_F(CliUpdateTest, OnATerminalTheAnswerDecides) {
    EXPECT_EQ(Run({"update", "SGX20040123.dat"}, "n\n", true).out,
              "Total 0 stock files updated from 0 files, last:SGX20040124.dat\n");
    EXPECT_FALSE(FileExists(HistoryFile()));

    EXPECT_EQ(Run({"update", "SGX20040123.dat"}, "y\n", true).out,
              "Total 1 stock files updated from 1 files, last:SGX20040123.dat\n");
    EXPECT_EQ(ReadBytes(HistoryFile()), History);
}

// ---- clear --------------------------------------------------------------

class CliClearTest : public CliCommandsTest {
protected:
    void SetUp() override {
        MakeFolders();
        WriteBytes(m_base / "zip/SGX20040122.zip", "a");
        WriteBytes(m_base / "zip/SGX20040123.zip", "b");
        WriteBytes(m_base / "zip/log_auto_download", "SGX20040123.zip");
    }
    bool ZipFilesStay() const {
        return FileExists(m_base / "zip/SGX20040122.zip") &&
               FileExists(m_base / "zip/SGX20040123.zip") &&
               FileExists(m_base / "zip/log_auto_download");
    }
    bool ZipFilesGone() const {
        return !FileExists(m_base / "zip/SGX20040122.zip") &&
               !FileExists(m_base / "zip/SGX20040123.zip") &&
               !FileExists(m_base / "zip/log_auto_download");
    }
};

TEST_F(CliClearTest, WithoutATerminalOrYesNothingIsDeleted) {
    const CliResult result = Run({"clear", "zip"}, "y\n");
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(ZipFilesStay());
    EXPECT_NE(result.err.find("Are you sure you want to delete all the downloaded files? \n\n"
                              "After deletion, you can use Download with Auto option to rebuild "
                              "all the downloaded files."),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("Cancel"), std::string::npos);
    EXPECT_EQ(result.out, "");
}

TEST_F(CliClearTest, YesDeletesTheFilesAndTheMarker) {
    WriteBytes(m_base / "unzip/SGX20040122.dat", "kept");
    const CliResult result = Run({"clear", "zip", "--yes"});
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(ZipFilesGone());
    EXPECT_TRUE(FileExists(m_base / "unzip/SGX20040122.dat"));
}

TEST_F(CliClearTest, OnATerminalTheAnswerDecides) {
    Run({"clear", "zip"}, "\n", true);
    EXPECT_TRUE(ZipFilesStay());
    Run({"clear", "zip"}, "yes\n", true);
    EXPECT_TRUE(ZipFilesGone());
}

// ---- user library and version -------------------------------------------

class CliUserLibraryTest : public ::testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const CliStreams streams{in, out, err, false, false, 80};
        CliApplication application(
            streams, CliDefaults{m_current.Path(), DeadServer, m_library, m_data / "kv_index.htm"});
        const int code = application.Run(args);
        return {code, out.str(), err.str()};
    }

    TempDir m_current;
    TempDir m_data;
    std::string m_library = m_data / "share/Kelvarin";
};

TEST_F(CliUserLibraryTest, UserLibraryIsMadeAndIsTheBaseFolder) {
    WriteBytes(m_data / "kv_index.htm", "<p>installed</p>");
    const CliResult result = Run({"--user-library", "folders", "--reset"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out,
              m_library + "/zip/\n" + m_library + "/unzip/\n" + m_library + "/stocks/\n");
    EXPECT_TRUE(FileExists(m_library + "/kelvarin.ini"));
    EXPECT_EQ(ReadBytes(m_library + "/kv_index.htm"), "<p>installed</p>");
    EXPECT_TRUE(std::filesystem::is_empty(m_current.Path()));
}

TEST_F(CliUserLibraryTest, LibraryThatCannotBeMadeEndsWithStatus1AndItsName) {
    WriteBytes(m_data / "share", "a file where a folder belongs");
    const CliResult result = Run({"--user-library", "folders"});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(m_library), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST_F(CliUserLibraryTest, UserLibraryAndBaseTogetherAreAUsageError) {
    const CliResult result = Run({"--user-library", "--base", m_current.Path(), "folders"});
    EXPECT_EQ(result.code, 2);
    EXPECT_FALSE(FileExists(m_library));
}

TEST_F(CliUserLibraryTest, VersionIsTheProjectsAndNeedsNoCommand) {
    const CliResult result = Run({"--version"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, std::string("kelvarin-cli ") + test::ProjectVersion + "\n");
}

} // namespace
} // namespace kelvarin::cli
