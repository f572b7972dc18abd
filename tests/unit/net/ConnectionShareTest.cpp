#include "net/ConnectionShare.h"

#include "net/HttpTransfer.h"
#include "support/FakeFrontEnd.h"
#include "support/LoopbackHttpServer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace kelvarin {
namespace {

using test::LoopbackHttpServer;
using test::RecordingStatusWindow;

const std::string Agent = "KelvarinTest/1.0";

long CountOf(const RecordingStatusWindow& window, const std::string& text) {
    return std::count(window.Texts().begin(), window.Texts().end(), text);
}

class ConnectionShareTest : public ::testing::Test {
protected:
    void SetUp() override {
        httplib::Server& routes = m_server.Routes();
        // The client's port names the connection a request came on.
        routes.Get("/port", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(std::to_string(request.remote_port), "text/plain");
        });
        routes.Get("/closing", [](const httplib::Request& request, httplib::Response& response) {
            response.set_header("Connection", "close");
            response.set_content(std::to_string(request.remote_port), "text/plain");
        });
        m_server.Start();
    }
    void TearDown() override { m_server.Stop(); }

    // One fetch by a transfer of its own, as the Download stage makes them.
    std::string FetchWithOwnTransfer(ConnectionShare* share, const std::string& path,
                                     RecordingStatusWindow& window) {
        HttpTransfer transfer({}, share);
        std::string body;
        EXPECT_TRUE(transfer.FetchUrl(m_server.Url(path), body, Agent, &window));
        return body;
    }

    LoopbackHttpServer m_server;
};

TEST_F(ConnectionShareTest, TransfersOfOneShareUseOneConnection) {
    ConnectionShare share;
    ASSERT_NE(share.Handle(), nullptr);
    std::vector<RecordingStatusWindow> windows(3);
    std::vector<std::string> ports;
    for (RecordingStatusWindow& window : windows)
        ports.push_back(FetchWithOwnTransfer(&share, "/port", window));

    EXPECT_EQ(ports[1], ports[0]);
    EXPECT_EQ(ports[2], ports[0]);
    EXPECT_EQ(CountOf(windows[0], "Connecting to socket address "), 1);
    for (const RecordingStatusWindow* later : {&windows[1], &windows[2]}) {
        EXPECT_EQ(CountOf(*later, "Connecting to socket address "), 0);
        EXPECT_EQ(CountOf(*later, "Resolved name for 127.0.0.1"), 1);
        EXPECT_EQ(later->Texts().back(), "");
    }
}

TEST_F(ConnectionShareTest, TransfersWithoutAShareEachOpenTheirOwn) {
    RecordingStatusWindow first;
    RecordingStatusWindow second;
    const std::string firstPort = FetchWithOwnTransfer(nullptr, "/port", first);
    const std::string secondPort = FetchWithOwnTransfer(nullptr, "/port", second);

    EXPECT_NE(firstPort, secondPort);
    EXPECT_EQ(CountOf(second, "Connecting to socket address "), 1);
}

TEST_F(ConnectionShareTest, ConnectionClosedDuringALaterFetchShowsOnThatFetch) {
    ConnectionShare share;
    RecordingStatusWindow opener;
    RecordingStatusWindow reuser;
    const std::string openedOn = FetchWithOwnTransfer(&share, "/port", opener);
    const std::size_t openerTexts = opener.Texts().size();
    const std::string closedOn = FetchWithOwnTransfer(&share, "/closing", reuser);

    EXPECT_EQ(closedOn, openedOn);
    EXPECT_EQ(opener.Texts().size(), openerTexts);
    EXPECT_EQ(CountOf(reuser, "Closing the connection to the server"), 1);
    EXPECT_EQ(CountOf(reuser, "Connection to the server closed"), 1);
}

TEST_F(ConnectionShareTest, ShareOutlivingItsTransfersClosesTheirConnectionSilently) {
    auto share = std::make_unique<ConnectionShare>();
    RecordingStatusWindow window;
    {
        // The session and its window go first; the connection stays in the share.
        auto gone = std::make_unique<RecordingStatusWindow>();
        FetchWithOwnTransfer(share.get(), "/port", *gone);
    }
    FetchWithOwnTransfer(share.get(), "/port", window);
    const std::size_t shown = window.Texts().size();
    share.reset();

    EXPECT_EQ(window.Texts().size(), shown);
}

TEST_F(ConnectionShareTest, AfterTheShareANewOneConnectsAfresh) {
    RecordingStatusWindow first;
    RecordingStatusWindow second;
    std::string firstPort;
    {
        ConnectionShare share;
        firstPort = FetchWithOwnTransfer(&share, "/port", first);
    }
    ConnectionShare share;
    const std::string secondPort = FetchWithOwnTransfer(&share, "/port", second);

    EXPECT_NE(secondPort, firstPort);
    EXPECT_EQ(CountOf(second, "Connecting to socket address "), 1);
}

} // namespace
} // namespace kelvarin
