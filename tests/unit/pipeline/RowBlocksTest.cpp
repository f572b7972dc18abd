#include "pipeline/RowBlocks.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace kelvarin::test {
namespace {

// Bytes `from` to `to` of a chain, as written to a file.
std::string Written(const RowBlocks& blocks, std::size_t chain, std::size_t from, std::size_t to) {
    const TempDir folder;
    const std::string path = folder / "rows";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    EXPECT_TRUE(blocks.Write(fd, chain, from, to));
    ::close(fd);
    return ReadBytes(path);
}

TEST(RowBlocksTest, ChainsGiveBackWhatWasAppendedInAnyRangeAndBatch) {
    RowBlocks blocks;
    std::mt19937 random(20040123);
    for (int batch = 0; batch < 2; ++batch) {
        // Rows of every size up to several blocks, spread over chains by turns.
        std::vector<std::string> expected(5);
        for (std::size_t chain = 0; chain < expected.size(); ++chain)
            EXPECT_EQ(blocks.AddChain(), chain);
        for (int row = 0; row < 3000; ++row) {
            const std::size_t chain = random() % expected.size();
            std::string bytes(random() % (row % 100 == 0 ? 70000 : 90), 'a');
            for (char& c : bytes)
                c = static_cast<char>('a' + random() % 26);
            blocks.Append(chain, bytes);
            expected[chain] += bytes;
        }
        for (std::size_t chain = 0; chain < expected.size(); ++chain) {
            const std::string& rows = expected[chain];
            ASSERT_EQ(blocks.Size(chain), rows.size());
            EXPECT_EQ(Written(blocks, chain, 0, rows.size()), rows);
            const std::size_t half = rows.size() / 2;
            EXPECT_EQ(Written(blocks, chain, 0, half) + Written(blocks, chain, half, rows.size()),
                      rows);
            EXPECT_EQ(Written(blocks, chain, 300, 301), rows.substr(300, 1));
        }
        EXPECT_GE(blocks.BytesHeld(), expected[0].size() + expected[1].size());
        blocks.Clear();
        EXPECT_EQ(blocks.BytesHeld(), 0u);
    }
}

TEST(RowBlocksTest, AChainOfMoreBlocksThanOneWriteTakesIsWrittenWhole) {
    RowBlocks blocks;
    const std::size_t chain = blocks.AddChain();
    std::string rows;
    for (int row = 0; rows.size() < (std::size_t{17} << 20); ++row) {
        const std::string bytes = "\r\n" + std::to_string(row) + "\t1.000";
        blocks.Append(chain, bytes);
        rows += bytes;
    }
    EXPECT_EQ(Written(blocks, chain, 0, rows.size()), rows);
    EXPECT_EQ(Written(blocks, chain, 5, rows.size() - 5), rows.substr(5, rows.size() - 10));
}

} // namespace
} // namespace kelvarin::test
