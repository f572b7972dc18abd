#include "pipeline/MemoryList.h"

#include <gtest/gtest.h>

namespace kelvarin {
namespace {

using Strings = std::vector<std::string>;

Strings Rows(const MemoryList& list) {
    Strings rows;
    for (int row = 0; row < list.Count(); ++row)
        rows.push_back(list.Text(row));
    return rows;
}

TEST(MemoryListTest, AddKeepsByteWiseOrderWithDuplicates) {
    MemoryList list;
    for (const char* text : {"SGX20040123", "sgx1", "SGX20040122", "..", "SGX20040123", "."})
        list.Add(text);

    EXPECT_EQ(Rows(list),
              (Strings{".", "..", "SGX20040122", "SGX20040123", "SGX20040123", "sgx1"}));
}

TEST(MemoryListTest, SelectionStaysWithItsRowWhenRowsAreAdded) {
    MemoryList list;
    list.Add("SGX3");
    list.Add("SGX5");
    ASSERT_TRUE(list.Select("SGX5"));
    list.Add("SGX1");
    list.Add("SGX9");

    EXPECT_EQ(list.SelectedCount(), 1);
    EXPECT_EQ(list.NextSelected(-1), 2);
    EXPECT_EQ(list.NextSelected(2), -1);
}

TEST(MemoryListTest, SelectByTextTakesEveryEqualRowAndReportsAMissingOne) {
    MemoryList list;
    for (const char* text : {"A", "B", "B", "C"})
        list.Add(text);

    EXPECT_FALSE(list.Select("D"));
    EXPECT_TRUE(list.Select("B"));

    EXPECT_EQ(list.SelectedCount(), 2);
    EXPECT_EQ(list.NextSelected(-1), 1);
    EXPECT_EQ(list.NextSelected(1), 2);
    EXPECT_EQ(list.NextSelected(2), -1);
}

TEST(MemoryListTest, ListingReplacesRowsSelectionAndCount) {
    MemoryList list;
    list.Add("old");
    list.Select("old");
    FolderListing listing;
    listing.entries = {{".", EntryKind::Folder}, {"..", EntryKind::Folder}, {"a.zip"}};
    listing.count = 1;

    list.ShowListing(listing, "/base/zip/*.zip");

    EXPECT_EQ(Rows(list), (Strings{".", "..", "a.zip"}));
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_EQ(list.FileCount(), 1);
    EXPECT_EQ(list.EditText(), "/base/zip/*.zip");
}

} // namespace
} // namespace kelvarin
