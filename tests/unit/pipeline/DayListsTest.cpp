#include "pipeline/DayLists.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

using Days = std::vector<DayRecord>;

TEST(DayListsTest, AListAPersonEditedStillNamesItsDays) {
    TempDir dir;
    const std::string path = dir / "days";
    WriteBytes(path, "# a note\r\n"
                     "SGX2004-01-09\t2024-05-02T18:00:00+0800\tHTTP 404\tNot Found\r\n"
                     "\n"
                     "SGX20040107\n"
                     "SGX2004-01-08\t2024-05-01T18:00:00+0800");

    const DayList list = DayList::Read(path);

    EXPECT_EQ(list.Days(),
              (Days{{"SGX20040107", "", ""},
                    {"SGX2004-01-08", "2024-05-01T18:00:00+0800", ""},
                    {"SGX2004-01-09", "2024-05-02T18:00:00+0800", "HTTP 404\tNot Found"}}));
    ASSERT_NE(list.Find("SGX20040108.zip"), nullptr);
    EXPECT_EQ(list.Find("SGX20040108.zip")->item, "SGX2004-01-08");
    EXPECT_EQ(list.Find("SGX20040110.zip"), nullptr);
    EXPECT_TRUE(DayList::Read(dir / "missing").Empty());
}

TEST(DayListsTest, SameDayIsReplacedAndWrittenBackOnOneLineEach) {
    TempDir dir;
    const std::string path = dir / "days";
    DayList list;
    list.Put({"SGX2004-01-09", "t1", "first"});
    list.Put({"SGX2004-01-07", "t2", "cause\nover two lines"});
    list.Put({"SGX20040109", "t3", "second"});
    ASSERT_TRUE(list.Write(path, "# heading\n", nullptr));

    EXPECT_EQ(ReadBytes(path), "# heading\n"
                               "SGX2004-01-07\tt2\tcause over two lines\n"
                               "SGX20040109\tt3\tsecond\n");

    // The marker has passed the first day; an empty list leaves no file.
    list.RemoveUpTo("SGX20040107.zip");
    EXPECT_EQ(list.Days(), (Days{{"SGX20040109", "t3", "second"}}));
    list.Remove("SGX20040109.zip");
    ASSERT_TRUE(list.Write(path, "# heading\n", nullptr));
    EXPECT_FALSE(FileExists(path));
}

} // namespace
} // namespace kelvarin::test
