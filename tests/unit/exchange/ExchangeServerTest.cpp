#include "support/ExchangeProcess.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <httplib.h>
#include <string>
#include <sys/wait.h>
#include <unzip.h>
#include <utility>
#include <vector>

using kelvarin::test::ExchangeProcess;
using kelvarin::test::TempDir;

namespace {

const char* const IndexPath = "/webprices.nsf/new+historical+stock+prices?openview";
const std::string LinkPrefix = "<a href=\"/webprices.nsf/stkprices/";

std::string ArchivePath(const std::string& id) {
    return "/webprices.nsf/stkprices/" + id + "/$File/SESprice.zip";
}

httplib::Result Fetch(const ExchangeProcess& exchange, const std::string& path) {
    httplib::Client client(exchange.Url());
    client.set_read_timeout(5, 0);
    return client.Get(path.c_str());
}

// The ids of the archive links, in page order.
std::vector<std::string> LinkedIds(const std::string& page) {
    const std::string tail = "/$File/SESprice.zip\"";
    std::vector<std::string> ids;
    for (auto at = page.find(LinkPrefix); at != std::string::npos;
         at = page.find(LinkPrefix, at + 1)) {
        const auto start = at + LinkPrefix.size();
        const auto end = page.find(tail, start);
        if (end == std::string::npos)
            break;
        ids.push_back(page.substr(start, end - start));
    }
    return ids;
}

using Members = std::vector<std::pair<std::string, std::string>>;

// Members of a zip archive as minizip reads them; empty when it is none.
Members ReadMembers(const std::string& bytes) {
    TempDir folder;
    const std::string path = folder / "archive.zip";
    kelvarin::test::WriteBytes(path, bytes);
    Members members;
    unzFile zip = unzOpen(path.c_str());
    if (zip == nullptr)
        return members;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        char name[256] = {};
        unz_file_info info{};
        unzGetCurrentFileInfo(zip, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0);
        EXPECT_EQ(info.compression_method, static_cast<uLong>(Z_DEFLATED)) << name;
        std::string content(info.uncompressed_size, '\0');
        EXPECT_EQ(unzOpenCurrentFile(zip), UNZ_OK);
        EXPECT_EQ(unzReadCurrentFile(zip, content.data(), static_cast<unsigned>(content.size())),
                  static_cast<int>(content.size()));
        EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK) << "CRC of " << name;
        members.emplace_back(name, std::move(content));
    }
    unzClose(zip);
    return members;
}

} // namespace

TEST(ExchangeIndex, LinksEveryTradingDayOnce) {
    ExchangeProcess exchange({"--days", "4", "--first-date", "2004-01-22", "--stocks", "5"});
    const auto reply = Fetch(exchange, IndexPath);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_NE(reply->get_header_value("Content-Type").find("text/html"), std::string::npos);

    std::vector<std::string> ids = LinkedIds(reply->body);
    std::sort(ids.begin(), ids.end());
    // Thursday and Friday, then Monday and Tuesday: no weekend day.
    EXPECT_EQ(ids,
              (std::vector<std::string>{"2004-01-22", "2004-01-23", "2004-01-26", "2004-01-27"}));
    // Other links of the site are around them.
    EXPECT_NE(reply->body.find("<a href=\"/www/"), std::string::npos);
}

TEST(ExchangeIndex, ExtraIdsAndPaddingKeepTheArchiveLinks) {
    const std::string odd = "x/../y z\"q";
    ExchangeProcess exchange({"--days", "3", "--stocks", "4", "--extra-id", odd, "--extra-id",
                              "../escape", "--index-size-mib", "1"});
    const auto reply = Fetch(exchange, IndexPath);
    ASSERT_TRUE(reply);
    EXPECT_GE(reply->body.size(), std::size_t(1) << 20);
    const std::vector<std::string> ids = LinkedIds(reply->body);
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_NE(std::find(ids.begin(), ids.end(), odd), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), "../escape"), ids.end());

    // An extra id serves a real archive, so a downloader has to decide what to do with it.
    const auto archive = Fetch(exchange, ArchivePath(odd));
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->status, 200);
    EXPECT_EQ(ReadMembers(archive->body).size(), 2u);
}

TEST(ExchangeIndex, RedirectLoopPointsBackAtItself) {
    ExchangeProcess exchange({"--days", "2", "--redirect-loop"});
    for (const std::string path : {IndexPath, "/redirect-loop"}) {
        const auto reply = Fetch(exchange, path);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status / 100, 3) << path;
        EXPECT_EQ(reply->get_header_value("Location"), path);
    }
}

// An evening before the last shows the days so far of the same market, so a
// library built evening by evening can be compared with one built at once.
TEST(ExchangeIndex, OfferedDaysAreThoseOfTheWholeMarketUpToTheEvening) {
    const std::vector<std::string> market{"--days", "12", "--stocks", "5", "--seed", "3"};
    ExchangeProcess whole(market);
    std::vector<std::string> eveningArgs = market;
    eveningArgs.insert(eveningArgs.end(), {"--offered", "11"});
    ExchangeProcess evening(eveningArgs);

    std::vector<std::string> all = LinkedIds(Fetch(whole, IndexPath)->body);
    std::vector<std::string> offered = LinkedIds(Fetch(evening, IndexPath)->body);
    std::sort(all.begin(), all.end());
    std::sort(offered.begin(), offered.end());
    ASSERT_EQ(all.size(), 12u);
    EXPECT_EQ(offered, std::vector<std::string>(all.begin(), all.end() - 1));
    EXPECT_EQ(Fetch(evening, ArchivePath(all.back()))->status, 404);
    for (const std::string& id : {all.front(), all[10]})
        EXPECT_EQ(Fetch(evening, ArchivePath(id))->body, Fetch(whole, ArchivePath(id))->body) << id;
}

TEST(ExchangeArchive, HoldsBothDailyFilesAsDeflatedMembers) {
    ExchangeProcess exchange(
        {"--days", "3", "--first-date", "2004-01-22", "--stocks", "5", "--slow-ms", "20"});
    const auto reply = Fetch(exchange, ArchivePath("2004-01-23"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->get_header_value("Content-Type"), "application/zip");

    const Members members = ReadMembers(reply->body);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].first, "SESPRICE.DAT");
    EXPECT_EQ(members[1].first, "SESPRIFD.DAT");
    const std::string& prices = members[0].second;
    // Too short a run for a change of listing: one line per stock.
    ASSERT_EQ(prices.size(), 5u * 137);
    for (std::size_t line = 0; line < 5; ++line) {
        EXPECT_EQ(prices.substr(line * 137, 10), "2004-01-23");
        EXPECT_EQ(prices.substr(line * 137 + 135, 2), "\r\n");
    }
    EXPECT_FALSE(members[1].second.empty());
}

TEST(ExchangeArchive, UnknownIdIsNotFound) {
    ExchangeProcess exchange({"--days", "2", "--first-date", "2004-01-22"});
    for (const std::string id : {"2004-01-24", "2004-01-21", "SGX20040122", "20040122"}) {
        const auto reply = Fetch(exchange, ArchivePath(id));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 404) << id;
    }
}

TEST(ExchangeFaults, MissingAndServerErrorAffectOnlyTheirIds) {
    ExchangeProcess exchange({"--days", "4", "--first-date", "2004-01-22", "--missing",
                              "2004-01-22", "--missing", "2004-01-26", "--error500", "2004-01-23"});
    EXPECT_EQ(Fetch(exchange, ArchivePath("2004-01-22"))->status, 404);
    EXPECT_EQ(Fetch(exchange, ArchivePath("2004-01-26"))->status, 404);
    EXPECT_EQ(Fetch(exchange, ArchivePath("2004-01-23"))->status, 500);
    const auto healthy = Fetch(exchange, ArchivePath("2004-01-27"));
    EXPECT_EQ(healthy->status, 200);
    EXPECT_EQ(ReadMembers(healthy->body).size(), 2u);
    // A missing archive is still listed: the index does not know.
    EXPECT_EQ(LinkedIds(Fetch(exchange, IndexPath)->body).size(), 4u);
}

TEST(ExchangeFaults, CorruptAndCutBodiesAreNoArchive) {
    ExchangeProcess exchange({"--days", "3", "--first-date", "2004-01-22", "--corrupt",
                              "2004-01-22", "--cut", "2004-01-23"});
    const auto corrupt = Fetch(exchange, ArchivePath("2004-01-22"));
    ASSERT_TRUE(corrupt);
    EXPECT_EQ(corrupt->status, 200);
    EXPECT_FALSE(corrupt->body.empty());
    EXPECT_TRUE(ReadMembers(corrupt->body).empty());

    // The cut reply carries no length, so only the missing directory tells.
    const auto cut = Fetch(exchange, ArchivePath("2004-01-23"));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->status, 200);
    EXPECT_FALSE(cut->has_header("Content-Length"));
    EXPECT_FALSE(cut->body.empty());
    EXPECT_TRUE(ReadMembers(cut->body).empty());
}

TEST(ExchangeFaults, StalledReplyHoldsTheClientButNotTheShutdown) {
    ExchangeProcess exchange(
        {"--days", "2", "--first-date", "2004-01-22", "--stall", "2004-01-22"});
    httplib::Client client(exchange.Url());
    client.set_read_timeout(0, 300000);
    const auto stalled = client.Get(ArchivePath("2004-01-22").c_str());
    EXPECT_FALSE(stalled);
    EXPECT_EQ(stalled.error(), httplib::Error::Read);

    const int status = exchange.Stop();
    ASSERT_NE(status, -1) << "had to be killed";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ExchangeProcess, StopsCleanlyOnTerm) {
    ExchangeProcess exchange({"--days", "1"});
    EXPECT_GT(exchange.Port(), 0);
    ASSERT_TRUE(Fetch(exchange, IndexPath));
    const int status = exchange.Stop();
    ASSERT_NE(status, -1) << "had to be killed";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ExchangeProcess, RefusesABadDate) {
    EXPECT_THROW(ExchangeProcess({"--first-date", "2004-02-30"}), std::runtime_error);
}
