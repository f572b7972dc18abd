#include "net/HttpTransfer.h"

#include "support/FakeFrontEnd.h"
#include "support/LoopbackHttpServer.h"

#include <algorithm>
#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kelvarin {
namespace {

using test::LoopbackHttpServer;
using test::RecordingStatusWindow;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using namespace std::chrono_literals;

const std::string Agent = "KelvarinTest/1.0";

// Every byte value, repeated past several read chunks.
std::string BinaryBody() {
    std::string body;
    for (int i = 0; i < 20000; ++i) {
        body.push_back(static_cast<char>(i % 256));
    }
    return body;
}

// What arrives in pieces of 1000 bytes a tenth of a second apart.
std::string TrickledBody() {
    return BinaryBody().substr(0, 8000);
}

// A program waiting on its transfers: counts the turns it is given and, if
// told to, asks to stop from the start.
class CountingPump : public TransferPump {
public:
    explicit CountingPump(bool stop) : m_stop(stop) {}
    void Pump() override { ++turns; }
    bool StopAsked() const override { return m_stop; }

    int turns = 0;

private:
    bool m_stop;
};

// A port that refuses connections: bound, so no one else takes it, but never listening.
class RefusingPort {
public:
    RefusingPort() : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(m_socket); }
    int Port() const { return m_port; }

private:
    int m_socket;
    int m_port = 0;
};

class HttpTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        httplib::Server& routes = m_server.Routes();
        routes.Get("/binary", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(BinaryBody(), "application/octet-stream");
        });
        routes.Get("/closing", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Connection", "close");
            response.set_content("hello", "text/plain");
        });
        routes.Get("/empty", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("", "text/plain");
        });
        routes.Get("/agent", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.get_header_value("User-Agent"), "text/plain");
        });
        routes.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("no such page", "text/plain");
        });
        routes.Get("/broken", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content("server trouble", "text/plain");
        });
        routes.Get("/moved", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/closing");
        });
        routes.Get("/loop", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/loop");
        });
        routes.Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("file:///etc/passwd");
        });
        // Declares more than it sends, then waits for the test to end.
        routes.Get("/stall", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(100000, "application/octet-stream",
                                          [this](size_t offset, size_t, httplib::DataSink& sink) {
                                              if (offset == 0) {
                                                  const std::string part =
                                                      BinaryBody().substr(0, 6000);
                                                  sink.write(part.data(), part.size());
                                                  return true;
                                              }
                                              m_server.WaitUntilStopping();
                                              return false;
                                          });
        });
        routes.Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider(
                "application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
                    if (offset >= TrickledBody().size()) {
                        sink.done();
                        return true;
                    }
                    std::this_thread::sleep_for(100ms);
                    sink.write(TrickledBody().data() + offset, 1000);
                    return true;
                });
        });
        // Declares more than it sends, then drops the connection.
        routes.Get("/cut", [](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(10000, "application/octet-stream",
                                          [](size_t offset, size_t, httplib::DataSink& sink) {
                                              if (offset == 0) {
                                                  const std::string part =
                                                      BinaryBody().substr(0, 4000);
                                                  sink.write(part.data(), part.size());
                                                  return true;
                                              }
                                              return false;
                                          });
        });
        m_server.Start();
    }

    void TearDown() override { m_server.Stop(); }

    std::string LastText() const {
        return m_window.Texts().empty() ? "(nothing shown)" : m_window.Texts().back();
    }
    long CountOf(const std::string& text) const {
        return std::count(m_window.Texts().begin(), m_window.Texts().end(), text);
    }

    LoopbackHttpServer m_server;
    RecordingStatusWindow m_window;
};

// --- bodies ---

TEST_F(HttpTransferTest, BinaryBodyArrivesByteForByte) {
    HttpTransfer transfer;
    std::string body = "left over from before";
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, &m_window));
    EXPECT_EQ(body, BinaryBody());
}

TEST_F(HttpTransferTest, EmptyReplyIsASuccessWithAnEmptyBody) {
    HttpTransfer transfer;
    std::string body = "stale";
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/empty"), body, Agent, &m_window));
    EXPECT_EQ(body, "");
    EXPECT_EQ(LastText(), "");
}

TEST_F(HttpTransferTest, AgentNameIsSentAsUserAgent) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/agent"), body, Agent, &m_window));
    EXPECT_EQ(body, Agent);
}

TEST_F(HttpTransferTest, OneTransferServesSeveralFetches) {
    HttpTransfer transfer;
    std::string first;
    std::string second;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), first, Agent, &m_window));
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/agent"), second, "ignored later", &m_window));
    EXPECT_EQ(first, BinaryBody());
    EXPECT_EQ(second, Agent); // the session keeps the name it was opened with
}

TEST_F(HttpTransferTest, BodyOverTheLimitIsRefused) {
    HttpTransfer transfer(TransferSettings{.limits{.maxBodyBytes = 10000}});
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, &m_window));
    EXPECT_LE(body.size(), 10000u);
    EXPECT_EQ(body, BinaryBody().substr(0, body.size()));
    EXPECT_THAT(LastText(), HasSubstr("10000"));
    EXPECT_THAT(LastText(), HasSubstr("larger"));
}

// --- status texts ---

TEST_F(HttpTransferTest, SimpleFetchShowsEveryStepInOrder) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/closing"), body, Agent, &m_window));
    EXPECT_THAT(m_window.Texts(),
                ElementsAre("", "Resolving name for 127.0.0.1", "Resolved name for 127.0.0.1",
                            "Connecting to socket address ", "Connected to socket address",
                            "Sending request...", "Request sent", "Response received",
                            "Read 5 bytes", "Closing the connection to the server",
                            "Connection to the server closed",
                            "Request complete, dwResult = 00000001, dwError = 00000000", ""));
}

TEST_F(HttpTransferTest, EachReadOfAtMost4095BytesIsCountedUpToTheWholeBody) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, &m_window));
    std::vector<std::string> reads;
    std::copy_if(m_window.Texts().begin(), m_window.Texts().end(), std::back_inserter(reads),
                 [](const std::string& text) { return text.starts_with("Read "); });
    ASSERT_FALSE(reads.empty());
    EXPECT_THAT(reads.back(), MatchesRegex("Read 20000 bytes( \\([0-9]+\\.[0-9] Kb/s\\))?"));
    std::size_t previous = 0;
    for (const std::string& read : reads) {
        const std::size_t total = std::stoul(read.substr(5));
        EXPECT_GT(total, previous) << read;
        EXPECT_LE(total - previous, 4095u) << read;
        previous = total;
    }
    EXPECT_EQ(LastText(), "");
}

TEST_F(HttpTransferTest, ReusedConnectionSkipsConnecting) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, &m_window));
    m_window.Clear();
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, &m_window));
    EXPECT_EQ(CountOf("Connecting to socket address "), 0);
    EXPECT_THAT(std::vector<std::string>(m_window.Texts().begin(), m_window.Texts().begin() + 6),
                ElementsAre("", "Resolving name for 127.0.0.1", "Resolved name for 127.0.0.1",
                            "Sending request...", "Request sent", "Response received"));
}

TEST_F(HttpTransferTest, WithoutStatusWindowFetchesAsUsual) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, nullptr));
    EXPECT_EQ(body, BinaryBody());
}

TEST_F(HttpTransferTest, FetchWithoutStatusWindowKeepsTheEarlierOne) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/empty"), body, Agent, &m_window));
    m_window.Clear();
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/missing"), body, Agent, nullptr) == false);
    EXPECT_EQ(LastText(), "HTTP 404 Not Found");
}

TEST_F(HttpTransferTest, ClosingTheSessionShowsNothing) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/binary"), body, Agent, &m_window));
    const size_t shown = m_window.Texts().size();
    transfer.CloseSession();
    EXPECT_EQ(m_window.Texts().size(), shown);
}

// --- redirects ---

TEST_F(HttpTransferTest, FollowedRedirectIsAnUnknownStatus) {
    HttpTransfer transfer;
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/moved"), body, Agent, &m_window));
    EXPECT_EQ(body, "hello");
    const auto redirect =
        std::find(m_window.Texts().begin(), m_window.Texts().end(), "Unknown status: 110");
    const auto received =
        std::find(m_window.Texts().begin(), m_window.Texts().end(), "Response received");
    ASSERT_NE(redirect, m_window.Texts().end());
    EXPECT_LT(redirect, received);
    EXPECT_EQ(CountOf("Sending request..."), 2);
    EXPECT_EQ(LastText(), "");
}

TEST_F(HttpTransferTest, RedirectLoopStopsAfterFive) {
    HttpTransfer transfer;
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/loop"), body, Agent, &m_window));
    EXPECT_EQ(CountOf("Unknown status: 110"), 5);
    EXPECT_EQ(CountOf("Sending request..."), 6);
    EXPECT_THAT(LastText(), HasSubstr("redirect"));
}

TEST_F(HttpTransferTest, RedirectToAnotherProtocolIsRefused) {
    HttpTransfer transfer;
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/to-file"), body, Agent, &m_window));
    EXPECT_EQ(body, "");
}

TEST_F(HttpTransferTest, AddressOfAnotherProtocolIsRefused) {
    HttpTransfer transfer;
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl("file:///etc/hostname", body, Agent, &m_window));
    EXPECT_EQ(body, "");
    EXPECT_NE(LastText(), "");
}

// --- failures ---

TEST_F(HttpTransferTest, NotFoundIsAFailureNamingStatusAndReason) {
    HttpTransfer transfer;
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/missing"), body, Agent, &m_window));
    EXPECT_EQ(LastText(), "HTTP 404 Not Found");
    EXPECT_EQ(body, "no such page");
}

TEST_F(HttpTransferTest, ServerErrorIsAFailureNamingStatusAndReason) {
    HttpTransfer transfer;
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/broken"), body, Agent, &m_window));
    EXPECT_EQ(LastText(), "HTTP 500 Internal Server Error");
}

TEST_F(HttpTransferTest, RefusedConnectionShowsLibcurlsMessage) {
    RefusingPort refusing;
    HttpTransfer transfer;
    std::string body = "stale";
    EXPECT_FALSE(transfer.FetchUrl("http://127.0.0.1:" + std::to_string(refusing.Port()) + "/",
                                   body, Agent, &m_window));
    EXPECT_EQ(body, "");
    // libcurl's own detailed message names the port it tried.
    EXPECT_THAT(LastText(), HasSubstr(std::to_string(refusing.Port())));
    EXPECT_EQ(transfer.FailureCause(), LastText());
    EXPECT_EQ(CountOf("Sending request..."), 0);
}

TEST_F(HttpTransferTest, StalledServerIsAbandonedKeepingWhatArrived) {
    HttpTransfer transfer(TransferSettings{.limits{.lowSpeedTime = std::chrono::seconds(2)}});
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/stall"), body, Agent, &m_window));
    EXPECT_EQ(body, BinaryBody().substr(0, 6000));
    EXPECT_NE(LastText(), "");
    EXPECT_FALSE(LastText().starts_with("Read "));
}

// --- the program waiting on a transfer ---

TEST_F(HttpTransferTest, SilentServerGivesTheWaitingProgramItsTurnsAndAStopEndsIt) {
    CountingPump pump(true);
    HttpTransfer transfer(TransferSettings{.limits{.stopAfterIdle = 500ms}}, nullptr, &pump);
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/stall"), body, Agent, &m_window));
    EXPECT_TRUE(transfer.Stopped());
    EXPECT_EQ(body, BinaryBody().substr(0, 6000));
    EXPECT_THAT(LastText(), HasSubstr("stopped by user"));
    EXPECT_EQ(transfer.FailureCause(), LastText());
    // Left to itself, libcurl calls back about once a second while nothing arrives.
    EXPECT_GE(pump.turns, 10);
}

TEST_F(HttpTransferTest, StopLetsATransferThatIsReceivingFinish) {
    CountingPump pump(true);
    HttpTransfer transfer(TransferSettings{.limits{.stopAfterIdle = 400ms}}, nullptr, &pump);
    std::string body;
    ASSERT_TRUE(transfer.FetchUrl(m_server.Url("/trickle"), body, Agent, &m_window)) << LastText();
    EXPECT_FALSE(transfer.Stopped());
    EXPECT_EQ(body, TrickledBody());
}

TEST_F(HttpTransferTest, BodyCutOffMidwayIsAFailureKeepingWhatArrived) {
    HttpTransfer transfer;
    std::string body;
    EXPECT_FALSE(transfer.FetchUrl(m_server.Url("/cut"), body, Agent, &m_window));
    EXPECT_EQ(body, BinaryBody().substr(0, 4000));
    EXPECT_NE(LastText(), "");
    EXPECT_FALSE(LastText().starts_with("Read "));
}

} // namespace
} // namespace kelvarin
