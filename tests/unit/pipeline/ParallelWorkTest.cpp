#include "pipeline/ParallelWork.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace kelvarin::test {
namespace {

TEST(ParallelWorkTest, EveryIndexIsWorkedOnExactlyOnce) {
    for (const std::size_t count : {0u, 1u, 2u, 1000u}) {
        std::vector<std::atomic<int>> calls(count);
        RunInParallel(count, [&calls](std::size_t index) { ++calls[index]; });
        for (std::size_t index = 0; index < count; ++index)
            EXPECT_EQ(calls[index], 1) << "index " << index << " of " << count;
    }
}

TEST(ParallelWorkTest, AFailingCallIsThrownAgainAfterTheOthersEnded) {
    std::atomic<int> running{0};
    const auto work = [&](std::size_t index) {
        ++running;
        if (index == 3)
            throw std::runtime_error("index 3 failed");
        --running;
    };

    try {
        RunInParallel(100, work);
        FAIL() << "the failure was swallowed";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "index 3 failed");
    }
    // Only the failed call is left counted as running: no other call was
    // still under way when the failure reached the caller.
    EXPECT_EQ(running, 1);
}

} // namespace
} // namespace kelvarin::test
