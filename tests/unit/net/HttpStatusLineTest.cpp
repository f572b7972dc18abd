#include "net/HttpStatusLine.h"

#include <gtest/gtest.h>

namespace kelvarin {
namespace {

TEST(HttpStatusLineTest, ReadsCodeAndReasonWithoutTheLineEnd) {
    const auto status = ParseHttpStatusLine("HTTP/1.1 404 Not Found\r\n");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->code, 404);
    EXPECT_EQ(status->reason, "Not Found");
}

TEST(HttpStatusLineTest, KeepsSpacesInsideTheReason) {
    const auto status = ParseHttpStatusLine("HTTP/1.0 500 Internal Server Error\n");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->code, 500);
    EXPECT_EQ(status->reason, "Internal Server Error");
}

TEST(HttpStatusLineTest, AReplyWithoutReasonHasAnEmptyOne) {
    for (const char* line : {"HTTP/2 200 \r\n", "HTTP/2 200\r\n", "HTTP/1.1 204"}) {
        const auto status = ParseHttpStatusLine(line);
        ASSERT_TRUE(status.has_value()) << line;
        EXPECT_EQ(status->reason, "") << line;
    }
    EXPECT_EQ(ParseHttpStatusLine("HTTP/2 200 \r\n")->code, 200);
}

TEST(HttpStatusLineTest, OtherHeaderLinesAreNotStatusLines) {
    EXPECT_FALSE(ParseHttpStatusLine("Location: /next\r\n").has_value());
    EXPECT_FALSE(ParseHttpStatusLine("\r\n").has_value());
    EXPECT_FALSE(ParseHttpStatusLine("").has_value());
    EXPECT_FALSE(ParseHttpStatusLine("HTTP/1.1\r\n").has_value());
    EXPECT_FALSE(ParseHttpStatusLine("HTTP/1.1 2x0 OK\r\n").has_value());
    EXPECT_FALSE(ParseHttpStatusLine("HTTP/1.1 2000 OK\r\n").has_value());
}

} // namespace
} // namespace kelvarin
