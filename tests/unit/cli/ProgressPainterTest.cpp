#include "cli/ProgressPainter.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace kelvarin::cli {
namespace {

using namespace std::chrono_literals;

class ProgressPainterTest : public ::testing::Test {
protected:
    ProgressPainter Painter(int width = 80) {
        return ProgressPainter(m_out, width, [this] { return m_now; });
    }
    // What the terminal line shows after the last carriage return.
    std::string Screen() const {
        const std::string text = m_out.str();
        const auto start = text.rfind('\r');
        return start == std::string::npos ? text : text.substr(start + 1);
    }
    int Drawings() const {
        const std::string text = m_out.str();
        return static_cast<int>(std::count(text.begin(), text.end(), '\r'));
    }

    std::chrono::steady_clock::time_point m_now{};
    std::ostringstream m_out;
};

TEST_F(ProgressPainterTest, BarShowsThePositionWithinTheRange) {
    ProgressPainter painter = Painter();
    painter.SetText("Downloading SGX20040123.zip...");
    m_now += 1s;
    painter.SetRange(0, 200);
    m_now += 1s;
    painter.SetPosition(100);
    EXPECT_EQ(Screen(), "[##########..........]  50% Downloading SGX20040123.zip...\033[K");
}

TEST_F(ProgressPainterTest, PositionsPastTheRangeShowAFullBar) {
    ProgressPainter painter = Painter();
    painter.SetPosition(166);
    EXPECT_EQ(Screen(), "[####################] 100% \033[K");
    m_now += 1s;
    painter.SetPosition(-5);
    EXPECT_EQ(Screen(), "[....................]   0% \033[K");
    m_now += 1s;
    painter.SetRange(0, 0);
    EXPECT_EQ(Screen(), "[....................]   0% \033[K");
}

TEST_F(ProgressPainterTest, QuickChangesAreHeldBackUntilTheLineIsFinished) {
    ProgressPainter painter = Painter();
    painter.SetText("Read 1 bytes");
    for (int bytes = 2; bytes <= 50; ++bytes) {
        m_now += 1ms;
        painter.SetText("Read " + std::to_string(bytes) + " bytes");
    }
    EXPECT_EQ(Drawings(), 2);
    painter.Finish();
    EXPECT_EQ(Screen(), "[....................]   0% Read 50 bytes\033[K\n");
    EXPECT_EQ(Drawings(), 3);
}

TEST_F(ProgressPainterTest, FinishOnlyEndsTheLineWhenNothingIsHeldBack) {
    ProgressPainter painter = Painter();
    painter.SetText("Updating stock files...");
    painter.Finish();
    EXPECT_EQ(Drawings(), 1);
    EXPECT_TRUE(m_out.str().ends_with("Updating stock files...\033[K\n"));
    painter.Finish();
    EXPECT_TRUE(m_out.str().ends_with("\033[K\n"));
}

TEST_F(ProgressPainterTest, NothingDrawnLeavesTheTerminalAlone) {
    ProgressPainter painter = Painter();
    painter.Finish();
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(ProgressPainterTest, TextIsCutToTheTerminalWidth) {
    ProgressPainter painter = Painter(40);
    painter.SetText("Total files downloaded: 5, last:SGX20040129.zip");
    EXPECT_EQ(Screen(), "[....................]   0% Total files\033[K");
}

} // namespace
} // namespace kelvarin::cli
