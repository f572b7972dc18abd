// Daily price files that are not what the exchange sends: binary junk, names
// and codes that hold path separators or control characters. Update reads
// what the format gives and never writes outside the stock folder.
#include "StageFixture.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

std::string Junk(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::vector<std::string> AllFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(HostileDailyBytesTest, JunkGivesOnlyRecordsCutFromItsLines) {
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        const std::string junk = Junk(20000, seed);
        std::size_t records = 0;
        std::size_t consumed = 0;
        ReadDailyPrices(junk, [&](const DailyPriceRecord& record) {
            EXPECT_LE(record.date.size(), 10u);
            EXPECT_LE(record.name.size(), 30u);
            EXPECT_LE(record.code.size(), 4u);
            ++records;
        });
        // Each record is the bytes before a CR that lies within 500 bytes of
        // the previous line's end, with no NUL among them.
        for (std::size_t line = 0; line < records; ++line) {
            const std::size_t cr = junk.find('\r', consumed);
            ASSERT_NE(cr, std::string::npos);
            ASSERT_LT(cr - consumed, 500u);
            ASSERT_EQ(junk.substr(consumed, cr - consumed).find('\0'), std::string::npos);
            consumed = cr + 2;
        }
    }
}

class HostileDailyFileTest : public StageTest {};

TEST_F(HostileDailyFileTest, SlashesInNamesAndCodesStayInsideTheStockFolder) {
    WriteBytes(folders.UnzipFolder + "SGX20040123.dat",
               DailyLine("2004-01-23", "../../ESCAPED", "../", "1", "1", "1", "1", "5") +
                   DailyLine("2004-01-23", "A/B CORP", "A/B", "2", "2", "2", "2", "6") +
                   DailyLine("2004-01-23", "/ROOTED", "R1", "3", "3", "3", "3", "7"));
    RefreshUnzipList();

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);

    EXPECT_EQ(AllFiles(folders.StockFolder),
              (std::vector<std::string>{".._.._ESCAPED (.._).txt", "A_B CORP (A_B).txt",
                                        "_ROOTED (R1).txt", "log_auto_update"}));
    std::vector<std::string> top;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        top.push_back(entry.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"stocks", "unzip", "zip"}));
}

TEST_F(HostileDailyFileTest, ControlCharactersInANameAreKeptInItsFileName) {
    const std::string name = std::string("BELL\a TAB\tESC\x1b", 14);
    WriteBytes(folders.UnzipFolder + "SGX20040123.dat",
               DailyLine("2004-01-23", name, "C\x01", "1", "1", "1", "1", "5"));
    RefreshUnzipList();

    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);

    const std::string history = HistoryPath(folders.StockFolder, name, "C\x01");
    EXPECT_EQ(history, folders.StockFolder + name + " (C\x01).txt");
    EXPECT_EQ(ReadBytes(history),
              "date\topen\thigh\tlow\tclose\tvolume\r\n2004-01-23\t 1.000\t 1.000\t 1.000\t "
              "1.000\t5");
}

TEST_F(HostileDailyFileTest, JunkDailyFileNeverWritesOutsideTheStockFolder) {
    WriteBytes(folders.UnzipFolder + "SGX20040123.dat", Junk(100000, 99));
    RefreshUnzipList();

    RunUpdate(context, true, unzipList, stockList);

    for (const std::string& name : AllFiles(folders.StockFolder))
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(entry.is_directory()) << entry.path();
}

} // namespace
} // namespace kelvarin::test
