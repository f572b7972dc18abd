#include "cli/CliFrontEnd.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace kelvarin::cli {
namespace {

class CliFrontEndTest : public ::testing::Test {
protected:
    CliFrontEnd& FrontEnd(bool inputIsTerminal, bool errIsTerminal, const std::string& input = "") {
        m_in.str(input);
        m_in.clear();
        m_frontEnd.emplace(CliStreams{m_in, m_out, m_err, inputIsTerminal, errIsTerminal, 80});
        return *m_frontEnd;
    }

    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
    std::optional<CliFrontEnd> m_frontEnd;
};

// ---- status line --------------------------------------------------------

TEST_F(CliFrontEndTest, StageEndsWithTheLastStatusText) {
    CliFrontEnd& frontEnd = FrontEnd(false, false);
    frontEnd.BeginStage();
    frontEnd.StatusLine().SetText("Connecting to site...");
    frontEnd.StatusLine().SetText("");
    frontEnd.StatusLine().SetText("Connection OK - Total stock files available: 3");
    EXPECT_EQ(frontEnd.EndStage(), "Connection OK - Total stock files available: 3");
}

TEST_F(CliFrontEndTest, NextStageForgetsTheLastOnesStatus) {
    CliFrontEnd& frontEnd = FrontEnd(false, false);
    frontEnd.BeginStage();
    frontEnd.StatusLine().SetText("Connection failed");
    frontEnd.EndStage();
    frontEnd.BeginStage();
    EXPECT_EQ(frontEnd.EndStage(), std::nullopt);
}

TEST_F(CliFrontEndTest, WithoutATerminalProgressIsNotDrawn) {
    CliFrontEnd& frontEnd = FrontEnd(false, false);
    frontEnd.BeginStage();
    frontEnd.SetProgressRange(0, 100);
    frontEnd.SetProgress(40);
    frontEnd.StatusLine().SetText("Read 100 bytes");
    frontEnd.EndStage();
    EXPECT_EQ(m_err.str(), "");
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(CliFrontEndTest, OnATerminalTheLastDrawnTextIsTheTrueOne) {
    CliFrontEnd& frontEnd = FrontEnd(false, true);
    frontEnd.BeginStage();
    for (int bytes = 1; bytes <= 200; ++bytes)
        frontEnd.StatusLine().SetText("Read " + std::to_string(bytes) + " bytes");
    frontEnd.EndStage();
    const std::string err = m_err.str();
    ASSERT_TRUE(err.ends_with("\n"));
    const std::string lastDrawing = err.substr(err.rfind('\r'));
    EXPECT_NE(lastDrawing.find("Read 200 bytes"), std::string::npos) << lastDrawing;
}

// ---- messages and questions ---------------------------------------------

TEST_F(CliFrontEndTest, MessageGoesToStderrAndOkNeedsNoAnswer) {
    CliFrontEnd& frontEnd = FrontEnd(true, false, "n\n");
    EXPECT_EQ(frontEnd.ShowMessage("Please selecte a remote file to download, or click Auto.",
                                   MessageButtons::Ok),
              MessageAnswer::Ok);
    EXPECT_EQ(m_err.str(), "Please selecte a remote file to download, or click Auto.\n");
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(CliFrontEndTest, OnATerminalTheAnswerIsRead) {
    EXPECT_EQ(FrontEnd(true, false, "y\n").ShowMessage("Update?", MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_EQ(FrontEnd(true, false, "YES\n").ShowMessage("Update?", MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_EQ(FrontEnd(true, false, "\n").ShowMessage("Update?", MessageButtons::YesNo),
              MessageAnswer::No);
    EXPECT_EQ(FrontEnd(true, false, "").ShowMessage("Update?", MessageButtons::YesNo),
              MessageAnswer::No);
    EXPECT_EQ(FrontEnd(true, false, "ok\n").ShowMessage("Delete?", MessageButtons::OkCancel),
              MessageAnswer::Ok);
    EXPECT_EQ(FrontEnd(true, false, "no\n").ShowMessage("Delete?", MessageButtons::OkCancel),
              MessageAnswer::Cancel);
}

TEST_F(CliFrontEndTest, WithoutATerminalTheQuestionIsRefusedUnread) {
    CliFrontEnd& frontEnd = FrontEnd(false, false, "y\n");
    EXPECT_EQ(frontEnd.ShowMessage("Update?", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(frontEnd.ShowMessage("Delete?", MessageButtons::OkCancel), MessageAnswer::Cancel);
    EXPECT_EQ(m_in.tellg(), 0);
    EXPECT_NE(m_err.str().find("answered No"), std::string::npos);
    EXPECT_NE(m_err.str().find("answered Cancel"), std::string::npos);
}

TEST_F(CliFrontEndTest, AssumeYesAgreesWithoutAsking) {
    CliFrontEnd& frontEnd = FrontEnd(true, false, "n\n");
    frontEnd.SetAssumeYes(true);
    EXPECT_EQ(frontEnd.ShowMessage("Update?", MessageButtons::YesNo), MessageAnswer::Yes);
    EXPECT_EQ(frontEnd.ShowMessage("Delete?", MessageButtons::OkCancel), MessageAnswer::Ok);
    EXPECT_EQ(m_in.tellg(), 0);
}

} // namespace
} // namespace kelvarin::cli
