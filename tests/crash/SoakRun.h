#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace kelvarin::test {

// What can go wrong on one evening of daily use.
enum class SoakFault {
    Missing,  // the evening's new day answers 404 for one to three evenings
    Error500, // the same with 500
    Cut,      // the new day's body ends half way, without a length
    Stall,    // the new day's body stops half way on an open connection
    Kill,     // the run is killed at one of its crash points
    DiskFull, // one write step of the run fails with ENOSPC
    Held,     // another Kelvarin process holds one of the folders
    Clear,    // the user clears one folder before the run, which rebuilds it
};
inline constexpr SoakFault SoakFaults[] = {
    SoakFault::Missing, SoakFault::Error500, SoakFault::Cut,  SoakFault::Stall,
    SoakFault::Kill,    SoakFault::DiskFull, SoakFault::Held, SoakFault::Clear,
};
const char* FaultName(SoakFault fault);

struct SoakEvening {
    bool faulty = false;
    SoakFault fault = SoakFault::Missing;
    // Evenings a Missing or Error500 day keeps failing; the crash point or
    // write step of a Kill or DiskFull; 0, 1, 2 for zip, unzip, stocks.
    long detail = 0;
};

// Which evening meets which fault, drawn from a seed: the same seed gives the
// same plan. Every kind comes at least once, and the last two evenings, and
// every evening a failing day could still reach, are left clean so that the
// library can be whole at the end.
std::vector<SoakEvening> SoakPlan(std::size_t evenings, std::uint64_t seed, double faultShare);

struct SoakResult {
    std::map<SoakFault, long> injected;
    // Kills and failed write steps the run never reached, as it ended first.
    long notReached = 0;
    // For each day ever held, the evenings it was.
    std::map<std::string, long> heldEvenings;
    // Each a run that ended unlike a run may end, or the library at the end
    // unlike a clean one.
    std::vector<std::string> faults;
};

// Plays the plan: a market of plan.size() trading days, of which the exchange
// publishes one more each evening, after which kelvarin-cli run works on one
// base folder, meeting the evening's fault. The zip, unzip and stocks folders
// are then compared byte for byte with those of a single clean run over all
// the days. Each evening is described on `log` as it goes.
SoakResult PlaySoak(const std::vector<SoakEvening>& plan, std::size_t stocks, std::uint64_t seed,
                    std::ostream& log);

} // namespace kelvarin::test
