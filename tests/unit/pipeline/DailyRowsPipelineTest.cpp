#include "pipeline/DailyRowsPipeline.h"

#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kelvarin::test {
namespace {

// Daily price bytes of `lines` records whose stocks and prices differ from
// day to day, so a day's rows can never pass for another's.
std::string DayBytes(int day, int lines) {
    std::string bytes;
    for (int line = 0; line < lines; ++line) {
        std::string text(135, ' ');
        text.replace(0, 10, "2004-01-" + std::to_string(10 + day % 90));
        const std::string name = "S" + std::to_string((line * 7 + day) % lines);
        text.replace(11, name.size(), name);
        const std::string price = std::to_string(day) + "." + std::to_string(line % 10);
        text.replace(63 - price.size(), price.size(), price);
        bytes += text + "\r\n";
    }
    return bytes;
}

// The rows and stocks the record path gives for the same bytes.
void ExpectRowsOf(const DailyRows& day, const std::string& bytes) {
    std::string rows;
    std::vector<std::string> names;
    std::vector<std::size_t> ends;
    ReadDailyPrices(bytes, [&](const DailyPriceRecord& record) {
        AppendHistoryRow(rows, record);
        names.push_back(record.name);
        ends.push_back(rows.size());
    });
    ASSERT_EQ(day.rows, rows);
    ASSERT_EQ(day.ends, ends);
    ASSERT_EQ(day.stocks.size(), names.size());
    for (std::size_t row = 0; row < names.size(); ++row) {
        EXPECT_EQ(day.stocks[row].name, names[row]);
    }
}

TEST(DailyRowsPipelineTest, DaysComeBackInTheOrderGivenWithTheirOwnRows) {
    const TempDir folder;
    std::vector<std::string> days;
    for (int day = 0; day < 60; ++day) {
        days.push_back(DayBytes(day, 1 + day * 13 % 200));
        WriteBytes(folder / std::to_string(day), days.back());
    }
    DailyRowsPipeline pipeline;
    std::size_t given = 0;
    std::size_t taken = 0;
    // Given in bursts of one to seven and taken back in between, so days are
    // formed by the helpers and by the caller, and reused spares are read into.
    while (taken < days.size()) {
        for (std::size_t burst = 1 + given % 7; burst > 0 && given < days.size(); --burst) {
            std::unique_ptr<DailyRows> day = pipeline.Spare();
            ASSERT_TRUE(day->bytes.Read(folder / std::to_string(given)));
            pipeline.Give(std::move(day));
            ++given;
        }
        for (std::size_t keep = given % 3; pipeline.Queued() > keep;) {
            std::unique_ptr<DailyRows> day = pipeline.TakeOldest();
            ExpectRowsOf(*day, days[taken]);
            if (::testing::Test::HasFatalFailure())
                FAIL() << "day " << taken;
            ++taken;
            pipeline.HandBack(std::move(day));
        }
    }
    EXPECT_EQ(pipeline.Queued(), 0u);
}

} // namespace
} // namespace kelvarin::test
