#include "LocalServer.h"
#include "StageFixture.h"

#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

// The server sees the index address without its query "?openview".
const std::string IndexPath = "/webprices.nsf/new+historical+stock+prices";

std::string Link(const std::string& id) {
    return "<a href=\"/webprices.nsf/stkprices/" + id + "/$File/SESprice.zip\">" + id + "</a>\n";
}

class ConnectTest : public StageTest {
protected:
    ConnectTest() { context.server = server.Url(); }
    LocalServer server;
};

TEST_F(ConnectTest, ListsTheLinksSortedAndReportsTheTotal) {
    server.Serve(IndexPath,
                 Link("20040123") + Link("20040121") + Link("20040122") + Link("20040122"));
    remoteList.Add("SGXold");

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);

    EXPECT_EQ(Rows(remoteList), (std::vector<std::string>{"SGX20040121", "SGX20040122",
                                                          "SGX20040122", "SGX20040123"}));
    EXPECT_EQ(frontEnd.StatusTexts().front(), "Connecting to site...");
    EXPECT_EQ(frontEnd.LastStatus(), "Connection OK - Total stock files available: 4");
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{20, 70, 100}));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{IndexPath});
}

TEST_F(ConnectTest, ClearsALeftOverStopRequestBeforeTheParse) {
    server.Serve(IndexPath, Link("20040123"));
    StopRequested = 1;

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);

    EXPECT_EQ(StopRequested, 0);
    EXPECT_EQ(Rows(remoteList), std::vector<std::string>{"SGX20040123"});
}

TEST_F(ConnectTest, PageWithoutLinksEmptiesTheList) {
    server.Serve(IndexPath, "<html>nothing today</html>");
    remoteList.Add("SGX20040101");

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);

    EXPECT_EQ(remoteList.Count(), 0);
    EXPECT_EQ(frontEnd.LastStatus(), "Connection OK - Total stock files available: 0");
}

TEST_F(ConnectTest, ErrorStatusIsAFailedConnectionThatKeepsTheOldList) {
    // The error page holds a link, so a parse of it would show.
    server.Serve(IndexPath, Link("20049999"), 500);
    remoteList.Add("SGX20040101");

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Failed);

    EXPECT_EQ(Rows(remoteList), std::vector<std::string>{"SGX20040101"});
    EXPECT_EQ(frontEnd.LastStatus(), "Connection failed");
    EXPECT_EQ(frontEnd.Positions(), (std::vector<int>{20, 0}));
}

TEST_F(ConnectTest, MissingIndexPageIsAFailedConnection) {
    remoteList.Add("SGX20040101");

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Failed);

    EXPECT_EQ(Rows(remoteList), std::vector<std::string>{"SGX20040101"});
    EXPECT_EQ(frontEnd.LastStatus(), "Connection failed");
}

TEST_F(ConnectTest, ServerThatIsNotThereIsAFailedConnection) {
    context.server = "http://127.0.0.1:1";

    EXPECT_EQ(RunConnect(context, remoteList), StageOutcome::Failed);

    EXPECT_EQ(frontEnd.LastStatus(), "Connection failed");
    EXPECT_EQ(frontEnd.Positions().back(), 0);
}

} // namespace
} // namespace kelvarin::test
