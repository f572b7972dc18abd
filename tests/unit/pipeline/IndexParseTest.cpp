#include "pipeline/IndexParse.h"

#include "pipeline/FrontEnd.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kelvarin {
namespace {

using Items = std::vector<std::string>;

std::string Link(const std::string& id) {
    return "<a href=\"/webprices.nsf/stkprices/" + id + "/$File/SESprice.zip\">" + id + "</a>";
}

class IndexParseTest : public ::testing::Test {
protected:
    void SetUp() override { StopRequested = 0; }
    void TearDown() override { StopRequested = 0; }
};

TEST_F(IndexParseTest, TakesEveryArchiveLinkInPageOrder) {
    const std::string page =
        "<html><body>\r\n" + Link("20040123") + "<br>" + Link("20040122") + "\r\n</body></html>";
    EXPECT_EQ(ParseIndexPage(page), (Items{"SGX20040123", "SGX20040122"}));
}

TEST_F(IndexParseTest, PageStartingWithThePrefixYieldsItsLink) {
    EXPECT_EQ(ParseIndexPage(Link("20040123")), Items{"SGX20040123"});
}

TEST_F(IndexParseTest, PageWithoutLinksYieldsNothing) {
    EXPECT_TRUE(ParseIndexPage("").empty());
    EXPECT_TRUE(ParseIndexPage("<html>Not Found</html>").empty());
}

TEST_F(IndexParseTest, PrefixIsCaseSensitive) {
    EXPECT_TRUE(
        ParseIndexPage("<A HREF=\"/webprices.nsf/stkprices/20040123/$File/SESprice.zip\">x</A>")
            .empty());
    EXPECT_TRUE(
        ParseIndexPage("<a href=\"/WebPrices.nsf/stkprices/20040123/$File/SESprice.zip\">x</a>")
            .empty());
}

TEST_F(IndexParseTest, PageEndsAtItsFirstNul) {
    std::string page = Link("20040122");
    page += '\0';
    page += Link("20040123");
    EXPECT_EQ(ParseIndexPage(page), Items{"SGX20040122"});
}

TEST_F(IndexParseTest, LinkWithoutZipIsSkippedAndTheSearchGoesOnAfterIt) {
    const std::string page =
        "<a href=\"/webprices.nsf/stkprices/20040121/$File/readme.txt\">r</a>" + Link("20040122");
    EXPECT_EQ(ParseIndexPage(page), Items{"SGX20040122"});
}

TEST_F(IndexParseTest, LinkWithoutClosingBracketEndsTheParse) {
    const std::string page =
        Link("20040122") + "<a href=\"/webprices.nsf/stkprices/20040123/$File/SESprice.zip\"";
    EXPECT_EQ(ParseIndexPage(page), Items{"SGX20040122"});
}

TEST_F(IndexParseTest, AttributeAfterTheHrefStaysLessItsLastCharacter) {
    const std::string page =
        "<a href=\"/webprices.nsf/stkprices/20040123/$File/SESprice.zip\" target=\"_blank\">x</a>";
    EXPECT_EQ(ParseIndexPage(page), Items{"SGX20040123\" target=\"_blank"});
}

TEST_F(IndexParseTest, OtherArchiveFileNameStaysInTheId) {
    const std::string page =
        "<a href=\"/webprices.nsf/stkprices/20040123/$File/SESprice2.zip\">x</a>";
    EXPECT_EQ(ParseIndexPage(page), Items{"SGX20040123/$File/SESprice2.zip"});
}

TEST_F(IndexParseTest, EmptyIdGivesBareSgx) {
    EXPECT_EQ(ParseIndexPage(Link("")), Items{"SGX"});
}

TEST_F(IndexParseTest, DuplicateLinksAreAllKept) {
    EXPECT_EQ(ParseIndexPage(Link("20040123") + Link("20040123")),
              (Items{"SGX20040123", "SGX20040123"}));
}

TEST_F(IndexParseTest, DashesAndOddCharactersOfTheIdAreKept) {
    EXPECT_EQ(ParseIndexPage(Link("2004-01-23")), Items{"SGX2004-01-23"});
}

TEST_F(IndexParseTest, EveryOccurrenceOfTheFixedPartsIsRemoved) {
    const std::string page = "<a href=\"/webprices.nsf/stkprices/A/webprices.nsf/stkprices/B"
                             "/$File/SESprice.zip/$File/SESprice.zip\">x</a>";
    EXPECT_EQ(ParseIndexPage(page), Items{"SGXA/B"});
}

TEST_F(IndexParseTest, SetStopRequestReturnsNothingMore) {
    StopRequested = 1;
    EXPECT_TRUE(ParseIndexPage(Link("20040123")).empty());
}

// Keeps every row in the order it was added, so a test sees what a list
// control would be asked to do.
class AddOrderList : public RemoteList {
public:
    int Count() const override { return static_cast<int>(rows.size()); }
    std::string Text(int row) const override { return rows.at(static_cast<std::size_t>(row)); }
    int SelectedCount() const override { return 0; }
    int NextSelected(int) const override { return -1; }
    void Clear() override {
        rows.clear();
        ++clears;
    }
    void Add(const std::string& text) override { rows.push_back(text); }

    Items rows;
    int clears = 0;
};

TEST_F(IndexParseTest, FillingTheListAddsItemsInByteWiseOrderDuplicatesKept) {
    AddOrderList list;
    list.Add("SGX19990101");
    FillRemoteList(
        list, {"SGX20040123", "SGX2004-01-22", "SGX20040122", "SGX", "SGX20040123", "sgx20040101"});

    EXPECT_EQ(list.clears, 1);
    EXPECT_EQ(list.rows, (Items{"SGX", "SGX2004-01-22", "SGX20040122", "SGX20040123", "SGX20040123",
                                "sgx20040101"}));
}

TEST_F(IndexParseTest, FillingTheListWithNothingEmptiesIt) {
    AddOrderList list;
    list.Add("SGX19990101");
    FillRemoteList(list, {});
    EXPECT_TRUE(list.rows.empty());
}

} // namespace
} // namespace kelvarin
