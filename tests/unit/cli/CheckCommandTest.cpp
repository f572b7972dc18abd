// kelvarin-cli check: its exit status, its text and JSON reports, and --repair.
#include "cli/CliApplication.h"
#include "support/FileBytes.h"
#include "support/FolderSnapshot.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace kelvarin::cli {
namespace {

using test::ReadBytes;
using test::SnapshotFolder;
using test::TempDir;
using test::WriteBytes;

const std::string Header = "date\topen\thigh\tlow\tclose\tvolume";

std::string Row(const std::string& date) {
    return "\r\n" + date + "\t 2.650\t 2.690\t 2.640\t 2.670\t800";
}

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

class CheckCommandTest : public ::testing::Test {
protected:
    CheckCommandTest() {
        for (const char* name : {"zip", "unzip", "stocks"})
            std::filesystem::create_directory(m_base / name);
    }

    CliResult Run(const std::vector<std::string>& args) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const CliStreams streams{in, out, err, false, false, 80};
        CliApplication application(streams, CliDefaults{m_base.Path(), "http://127.0.0.1:1"});
        const int code = application.Run(args);
        return {code, out.str(), err.str()};
    }

    std::string Stock(const std::string& name) const { return m_base / "stocks/" + name; }

    static std::string LastLine(const std::string& text) {
        const std::string trimmed = text.substr(0, text.find_last_not_of('\n') + 1);
        return trimmed.substr(trimmed.rfind('\n') + 1);
    }

    TempDir m_base;
};

TEST_F(CheckCommandTest, ASoundLibraryExitsWith0AndPrintsOnlyItsSummary) {
    WriteBytes(Stock("ALPHA (A1).txt"), Header + Row("2004-01-05") + Row("2004-01-06"));

    const CliResult result = Run({"check"});

    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
    EXPECT_TRUE(result.out.ends_with("sound.\n")) << result.out;
}

TEST_F(CheckCommandTest, FindingsExitWith1AsOneJsonObjectAndChangeNothing) {
    // A name in the ANSI code page, not UTF-8: É is the one byte 0xC9.
    const std::string latin1 = "CAF\xC9 (C1).txt";
    WriteBytes(Stock(latin1), Header + Row("2004-01-06") + Row("2004-01-05") + "\r\nnot a row");
    WriteBytes(Stock("BETA (B2).txt"), Header + Row("2004-01-05"));
    const auto before = SnapshotFolder(m_base.Path());

    const CliResult result = Run({"check", "--json"});

    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(SnapshotFolder(m_base.Path()), before);
    const nlohmann::json report = nlohmann::json::parse(result.out);
    EXPECT_EQ(report["sound"], false);
    ASSERT_EQ(report["files"].size(), 1u);
    const nlohmann::json& file = report["files"][0];
    EXPECT_EQ(file["path"], m_base / "stocks/CAF\xC3\x89 (C1).txt");
    ASSERT_EQ(file["findings"].size(), 2u);
    EXPECT_EQ(file["findings"][0]["line"], 3);
    EXPECT_EQ(file["findings"][0]["kind"], "out-of-order");
    EXPECT_EQ(file["findings"][1]["line"], 4);
    EXPECT_EQ(file["findings"][1]["kind"], "unfinished");
    EXPECT_TRUE(file["findings"][1]["text"].is_string());
    const nlohmann::json& summary = report["summary"];
    EXPECT_EQ(summary["historyFiles"], 2);
    EXPECT_EQ(summary["rows"], 4);
    EXPECT_EQ(summary["findings"], 2);
    EXPECT_EQ(summary["kinds"], (nlohmann::json{{"out-of-order", 1}, {"unfinished", 1}}));
    EXPECT_FALSE(report.contains("repairs"));
}

TEST_F(CheckCommandTest, RepairSaysWhatItDoesThenLeavesASoundFile) {
    const std::string alpha = Stock("ALPHA (A1).txt");
    WriteBytes(alpha, Header + Row("2004-01-06") + Row("2004-01-05") + Row("2004-01-06"));

    const CliResult repaired = Run({"check", "--repair"});

    EXPECT_EQ(repaired.code, 0) << repaired.err;
    const std::size_t said = repaired.out.find("Repairing " + alpha + ": ");
    const std::size_t found = repaired.out.find(alpha + "\n");
    EXPECT_LT(found, said) << repaired.out;
    EXPECT_LT(said, repaired.out.rfind(LastLine(repaired.out))) << repaired.out;
    EXPECT_EQ(ReadBytes(alpha), Header + Row("2004-01-05") + Row("2004-01-06"));
    EXPECT_EQ(Run({"check"}).code, 0);
}

TEST_F(CheckCommandTest, WhatRepairCannotMendKeepsTheStatus1) {
    const std::string alpha = Stock("ALPHA (A1).txt");
    const std::string beta = Stock("BETA (B2).txt");
    WriteBytes(alpha, Header + Row("2004-01-06") + Row("2004-01-05"));
    const std::string unparsed = Header + Row("2004-01-06") + Row("2004-01-05") + "\r\n?\r\nx";
    WriteBytes(beta, unparsed);

    const CliResult result = Run({"check", "--repair", "--json"});

    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(ReadBytes(beta), unparsed);
    EXPECT_EQ(ReadBytes(alpha), Header + Row("2004-01-05") + Row("2004-01-06"));
    const nlohmann::json report = nlohmann::json::parse(result.out);
    ASSERT_EQ(report["repairs"].size(), 1u);
    EXPECT_EQ(report["repairs"][0]["path"], alpha);
    EXPECT_EQ(report["repairs"][0]["repaired"], true);
    EXPECT_NE(result.err.find("Repairing " + alpha), std::string::npos) << result.err;
}

TEST_F(CheckCommandTest, AMissingStockFolderIsNamedWithStatus1) {
    std::filesystem::remove(m_base / "stocks");

    const CliResult result = Run({"check"});

    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(m_base / "stocks/"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(m_base / "stocks"));
}

} // namespace
} // namespace kelvarin::cli
