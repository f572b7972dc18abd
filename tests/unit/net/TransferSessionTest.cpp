#include "net/TransferSession.h"

#include "support/FakeFrontEnd.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace kelvarin {
namespace {

using test::RecordingStatusWindow;

class TransferSessionTest : public ::testing::Test {
protected:
    // The text the status window shows after one notification, or "(kept)"
    // when the notification leaves the previous text standing.
    std::string ShownFor(std::uint32_t code, const void* information = nullptr,
                         std::uint32_t length = 0) {
        m_window.Clear();
        m_session.OnStatusCallback(1, code, information, length);
        return m_window.Texts().empty() ? "(kept)" : m_window.Texts().back();
    }

    RecordingStatusWindow m_window;
    TransferSession m_session{"agent", &m_window, TransferSettings{}};
};

TEST_F(TransferSessionTest, NamesTheHostBeingResolvedAndItsAddress) {
    EXPECT_EQ(ShownFor(10, "exchange.example", 17), "Resolving name for exchange.example");
    EXPECT_EQ(ShownFor(11, "192.0.2.7", 10), "Resolved name for 192.0.2.7");
}

TEST_F(TransferSessionTest, ShowsTheFixedTextOfEachStep) {
    EXPECT_EQ(ShownFor(20), "Connecting to socket address ");
    EXPECT_EQ(ShownFor(21), "Connected to socket address");
    EXPECT_EQ(ShownFor(30), "Sending request...");
    EXPECT_EQ(ShownFor(31), "Request sent");
    EXPECT_EQ(ShownFor(41), "Response received");
    EXPECT_EQ(ShownFor(50), "Closing the connection to the server");
    EXPECT_EQ(ShownFor(51), "Connection to the server closed");
}

TEST_F(TransferSessionTest, HandleCreatedClearsTheWindow) {
    EXPECT_EQ(ShownFor(60), "");
}

TEST_F(TransferSessionTest, ReceivingAndHandleClosingLeaveTheTextAlone) {
    EXPECT_EQ(ShownFor(40), "(kept)");
    EXPECT_EQ(ShownFor(70), "(kept)");
}

TEST_F(TransferSessionTest, RequestCompleteShowsAResultBlockOfEightBytesInHex) {
    const std::uint32_t block[2] = {0x1, 0xABC12};
    EXPECT_EQ(ShownFor(100, block, 8), "Request complete, dwResult = 00000001, dwError = 000ABC12");
    const std::uint32_t high[2] = {0xFFFFFFFF, 0x80000000};
    EXPECT_EQ(ShownFor(100, high, 8), "Request complete, dwResult = FFFFFFFF, dwError = 80000000");
}

TEST_F(TransferSessionTest, RequestCompleteOfAnyOtherLengthHasNoNumbers) {
    const std::uint32_t block[3] = {1, 2, 3};
    EXPECT_EQ(ShownFor(100), "Request complete");
    EXPECT_EQ(ShownFor(100, block, 4), "Request complete");
    EXPECT_EQ(ShownFor(100, block, 12), "Request complete");
}

TEST_F(TransferSessionTest, UnlistedCodesAreUnknown) {
    EXPECT_EQ(ShownFor(0), "Unknown status: 0");
    EXPECT_EQ(ShownFor(9), "Unknown status: 9");
    EXPECT_EQ(ShownFor(12), "Unknown status: 12");
    EXPECT_EQ(ShownFor(42), "Unknown status: 42");
    EXPECT_EQ(ShownFor(99), "Unknown status: 99");
    EXPECT_EQ(ShownFor(110), "Unknown status: 110");
    EXPECT_EQ(ShownFor(120), "Unknown status: 120");
}

TEST_F(TransferSessionTest, WithoutAStatusWindowNothingIsShown) {
    m_session.SetStatusWindow(nullptr);
    m_session.OnStatusCallback(1, 30, nullptr, 0);
    m_session.SetStatusText("Read %d bytes", 5);
    EXPECT_TRUE(m_window.Texts().empty());
}

TEST_F(TransferSessionTest, StatusTextIsCutToFiveHundredElevenCharacters) {
    const std::string longText(600, 'x');
    m_session.SetStatusText("%s", longText.c_str());
    ASSERT_EQ(m_window.Texts().size(), 1u);
    EXPECT_EQ(m_window.Texts().back(), std::string(511, 'x'));
}

TEST_F(TransferSessionTest, ClosingShowsNothingMore) {
    m_session.Close();
    m_session.SetStatusText("after close");
    EXPECT_TRUE(m_window.Texts().empty());
}

TEST_F(TransferSessionTest, ReadProgressHasNoRateWithinTheFirstSecond) {
    m_session.ShowReadProgress(4095, std::chrono::seconds(0));
    ASSERT_EQ(m_window.Texts().size(), 1u);
    EXPECT_EQ(m_window.Texts().back(), "Read 4095 bytes");
}

TEST_F(TransferSessionTest, ReadProgressShowsKilobytesPerWholeSecond) {
    m_session.ShowReadProgress(30720, std::chrono::seconds(3));
    m_session.ShowReadProgress(1000, std::chrono::seconds(7));
    ASSERT_EQ(m_window.Texts().size(), 2u);
    EXPECT_EQ(m_window.Texts()[0], "Read 30720 bytes (10.0 Kb/s)");
    EXPECT_EQ(m_window.Texts()[1], "Read 1000 bytes (0.1 Kb/s)");
}

} // namespace
} // namespace kelvarin
