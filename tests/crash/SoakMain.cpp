// The long soak, run by tests/crash/run-soak: a year of evenings of daily
// use, each described as it goes, then a summary.
#include "SoakRun.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

using namespace kelvarin::test;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: kelvarin-soak EVENINGS STOCKS SEED FAULT_SHARE\n";
        return 2;
    }
    const std::size_t evenings = std::stoul(argv[1]);
    const std::size_t stocks = std::stoul(argv[2]);
    const std::uint64_t seed = std::stoull(argv[3]);
    std::cout << "seed " << seed << ", " << evenings << " evenings, " << stocks << " stocks"
              << std::endl;
    const std::vector<SoakEvening> plan = SoakPlan(evenings, seed, std::stod(argv[4]));
    const SoakResult result = PlaySoak(plan, stocks, seed, std::cout);

    long injected = 0;
    std::cout << "\nevenings: " << evenings << "\nfaults:";
    for (const SoakFault kind : SoakFaults) {
        const auto found = result.injected.find(kind);
        const long count = found == result.injected.end() ? 0 : found->second;
        injected += count;
        std::cout << " " << FaultName(kind) << " " << count << ",";
    }
    std::cout << " in all " << injected << " (" << result.notReached
              << " kills or write faults not reached: the run ended first)\n";
    long longest = 0;
    long total = 0;
    for (const auto& [day, held] : result.heldEvenings) {
        longest = std::max(longest, held);
        total += held;
    }
    std::cout << "days held: " << result.heldEvenings.size() << ", " << total
              << " day-evenings, the longest " << longest << " evening(s)\n";
    for (const std::string& fault : result.faults)
        std::cout << "FAULT: " << fault << "\n";
    std::cout << "result: "
              << (result.faults.empty() ? "the library matches one clean run byte for byte"
                                        : std::to_string(result.faults.size()) + " fault(s)")
              << std::endl;
    return result.faults.empty() ? 0 : 1;
}
