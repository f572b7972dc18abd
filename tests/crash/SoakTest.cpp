#include "SoakRun.h"

#include <gtest/gtest.h>
#include <sstream>

namespace kelvarin::test {
namespace {

// Twenty evenings hold every kind of fault once and a few more; a year of
// them is tests/crash/run-soak.
constexpr std::size_t Evenings = 20;
constexpr std::uint64_t Seed = 31;
constexpr std::size_t Stocks = 12;

TEST(SoakTest, EveningsWithFaultsEndInTheLibraryOfOneCleanRun) {
    const std::vector<SoakEvening> plan = SoakPlan(Evenings, Seed, 0.3);
    std::ostringstream log;
    const SoakResult result = PlaySoak(plan, Stocks, Seed, log);

    std::string faults;
    for (const std::string& fault : result.faults)
        faults += fault + "\n";
    EXPECT_EQ(faults, "") << log.str();
    for (const SoakFault kind : SoakFaults)
        EXPECT_GE(result.injected.count(kind), 1u) << FaultName(kind) << " never came";
    // Each 404, 500 or cut day must have been held at least one evening, or
    // the faults were never met. A stalled transfer holds nothing: it says
    // nothing about the day.
    long daysFailing = 0;
    for (const SoakEvening& evening : plan)
        daysFailing += evening.faulty &&
                       (evening.fault == SoakFault::Missing ||
                        evening.fault == SoakFault::Error500 || evening.fault == SoakFault::Cut);
    EXPECT_GE(static_cast<long>(result.heldEvenings.size()), daysFailing) << log.str();
}

TEST(SoakTest, TheSameSeedGivesTheSamePlan) {
    const auto text = [](const std::vector<SoakEvening>& plan) {
        std::string shown;
        for (const SoakEvening& evening : plan)
            shown += evening.faulty ? std::string(FaultName(evening.fault)) + ":" +
                                          std::to_string(evening.detail) + " "
                                    : "- ";
        return shown;
    };
    EXPECT_EQ(text(SoakPlan(260, 7, 0.2)), text(SoakPlan(260, 7, 0.2)));
    EXPECT_NE(text(SoakPlan(260, 7, 0.2)), text(SoakPlan(260, 8, 0.2)));
}

} // namespace
} // namespace kelvarin::test
