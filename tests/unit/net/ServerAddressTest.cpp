#include "net/ServerAddress.h"

#include <gtest/gtest.h>

namespace kelvarin {
namespace {

TEST(ServerAddressTest, TrailingSlashesGoSoNoPathIsDoubled) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
        {"https://prices.example//", "https://prices.example"},
        {"http://host/exchange/", "http://host/exchange"},
        {"HTTP://host", "HTTP://host"},
        {"http://[::1]:8080", "http://[::1]:8080"},
    };
    for (const auto& [given, expected] : cases) {
        std::string error;
        const std::optional<std::string> checked = CheckServerAddress(given, error);
        ASSERT_TRUE(checked.has_value()) << given << ": " << error;
        EXPECT_EQ(*checked, expected);
    }
}

TEST(ServerAddressTest, AnythingButAnHttpOrHttpsAddressIsRefusedByName) {
    for (const char* given : {"ftp://host", "file:///etc/passwd", "127.0.0.1:8080", "host", "",
                              "http:/host", "http://", "https:///", "http://host:99999",
                              "http://host/?page=1", "http://host#top", "http://ho st"}) {
        std::string error;
        EXPECT_FALSE(CheckServerAddress(given, error).has_value()) << given;
        EXPECT_NE(error.find("\"" + std::string(given) + "\""), std::string::npos) << error;
    }
}

} // namespace
} // namespace kelvarin
