// The whole fault sweep, run by tests/crash/run-faults: every write step of
// every command of a bigger market failed once with each error in turn.
#include "FaultRun.h"

#include <cstdlib>
#include <iostream>
#include <set>
#include <string>

using namespace kelvarin::test;

int main(int argc, char** argv) {
    const std::string usage =
        "usage: kelvarin-fault-sweep DAYS STOCKS SEED [--strace] [COMMAND...]\n";
    if (argc < 4) {
        std::cerr << usage;
        return 2;
    }
    const bool traced = argc > 4 && std::string(argv[4]) == "--strace";
    // Commands by name, such as "run" or "clear zip"; every command when none.
    const std::set<std::string> chosen(argv + (traced ? 5 : 4), argv + argc);
    FaultSweep sweep(
        {.seed = std::stoull(argv[3]), .days = std::stoul(argv[1]), .stocks = std::stoul(argv[2])});
    sweep.Prepare();
    bool allRecovered = true;
    for (const FaultCommand& command : FaultCommands()) {
        if (!chosen.empty() && !chosen.contains(command.name))
            continue;
        long steps = 0;
        long runs = 0;
        std::size_t faults = 0;
        std::string errors;
        for (const int error : SweptErrors) {
            const FaultSweepResult result = sweep.Sweep(command, error, 1, 1'000'000);
            for (const std::string& fault : result.faults)
                std::cout << fault << "\n";
            if (result.endedAt == 0 || (steps != 0 && result.lastFailed != steps))
                std::cout << command.name << " with " << ErrorName(error)
                          << ": the steps did not end where they did with the other errors\n";
            steps = result.lastFailed;
            runs += result.runsFailed;
            faults += result.faults.size();
            errors += std::string(errors.empty() ? "" : " ") + ErrorName(error);
        }
        const bool recovered = faults == 0;
        allRecovered = allRecovered && recovered;
        std::cout << command.name << ": " << steps << " steps, errors " << errors << ", " << runs
                  << " failed runs, "
                  << (recovered ? "all recovered" : std::to_string(faults) + " faults");
        if (traced) {
            const long calls = sweep.TracedWriteCalls(command);
            std::cout << ", strace: " << calls << " write calls on the base folder";
            if (calls != steps) {
                std::cout << " (not one per step)";
                allRecovered = false;
            }
        }
        std::cout << std::endl;
    }
    return allRecovered ? 0 : 1;
}
