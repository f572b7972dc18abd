// The long kill test, run by tests/crash/run-long: one stage of a bigger
// market, killed at every point or every STEP-th one.
#include "CrashRun.h"
#include "support/ExchangeProcess.h"

#include <cstdlib>
#include <iostream>
#include <string>

using namespace kelvarin::test;

int main(int argc, char** argv) {
    if (argc != 8) {
        std::cerr << "usage: kelvarin-crash-sweep download|unzip|update|settings DAYS STOCKS "
                     "SEED FIRST LAST STEP\n";
        return 2;
    }
    const std::string stage = argv[1];
    const long first = std::atol(argv[5]);
    const long last = std::atol(argv[6]);
    const long step = std::atol(argv[7]);
    ExchangeProcess exchange({"--days", argv[2], "--stocks", argv[3], "--seed", argv[4]});
    CrashSweep sweep(exchange.Url());
    SweepResult result;
    if (stage == "settings") {
        result = sweep.SweepSettings(last);
    } else {
        sweep.Prepare();
        const CrashStage which = stage == "download" ? CrashStage::Download
                                 : stage == "unzip"  ? CrashStage::Unzip
                                                     : CrashStage::Update;
        result = sweep.Sweep(which, first, last, step);
    }
    for (const std::string& fault : result.faults)
        std::cout << fault << "\n";
    std::cout << stage << ": " << result.pointsKilled << " kills, "
              << (result.pointsInStage > 0
                      ? std::to_string(result.pointsInStage) + " points in the stage"
                      : "the stage has more points than swept")
              << ", " << result.faults.size() << " faults\n";
    return result.faults.empty() ? 0 : 1;
}
