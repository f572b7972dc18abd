#include "SoakRun.h"

#include "app/FolderLock.h"
#include "exchange/MarketGenerator.h"
#include "pipeline/DayLists.h"
#include "support/ExchangeProcess.h"
#include "support/FolderSnapshot.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <set>

namespace kelvarin::test {

namespace {

constexpr const char* Folders[] = {"zip", "unzip", "stocks"};
// Crash points and write steps are drawn up to these; a run of one new day
// passes fewer of them when it has little to do, and then ends by itself.
constexpr long MostCrashPoint = 60;
constexpr long MostWriteStep = 100;
constexpr long MostFailingEvenings = 3;
constexpr std::size_t CleanEvenings = 2;
// What a killed kelvarin-cli's exit status is, as the shell gives it.
constexpr int Killed = 128 + 9;
constexpr std::string_view FaultNote = "kelvarin: write step ";

long Between(std::mt19937_64& random, long low, long high) {
    return std::uniform_int_distribution<long>(low, high)(random);
}

SoakEvening Draw(std::mt19937_64& random, SoakFault fault, std::size_t evening,
                 std::size_t lastFaulty) {
    SoakEvening drawn{.faulty = true, .fault = fault};
    switch (fault) {
    case SoakFault::Missing:
    case SoakFault::Error500:
        // The day must come back while a clean evening can still fetch it.
        drawn.detail = std::min<long>(Between(random, 1, MostFailingEvenings),
                                      static_cast<long>(lastFaulty - evening) + 1);
        break;
    case SoakFault::Kill:
        drawn.detail = Between(random, 1, MostCrashPoint);
        break;
    case SoakFault::DiskFull:
        drawn.detail = Between(random, 1, MostWriteStep);
        break;
    case SoakFault::Held:
    case SoakFault::Clear:
        drawn.detail = Between(random, 0, 2);
        break;
    case SoakFault::Cut:
    case SoakFault::Stall:
        break;
    }
    return drawn;
}

std::string FaultText(const SoakEvening& evening) {
    const std::string name = FaultName(evening.fault);
    switch (evening.fault) {
    case SoakFault::Missing:
    case SoakFault::Error500:
        return name + " for " + std::to_string(evening.detail) + " evening(s)";
    case SoakFault::Kill:
        return name + " at crash point " + std::to_string(evening.detail);
    case SoakFault::DiskFull:
        return name + " at write step " + std::to_string(evening.detail);
    case SoakFault::Held:
    case SoakFault::Clear:
        return name + " " + Folders[evening.detail];
    default:
        return name;
    }
}

ProcessOutput Cli(const std::string& base, const std::string& server,
                  const std::vector<std::string>& args, const std::string& fault = {}) {
    std::vector<std::string> argv{"/usr/bin/env",         "-u",
                                  "KELVARIN_FAIL_WRITE",  "-u",
                                  "KELVARIN_CRASH_AFTER", "KELVARIN_STALL_SECONDS=1"};
    if (!fault.empty())
        argv.push_back(fault);
    argv.insert(argv.end(), {CliBinary, "--base", base, "--server", server});
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

std::vector<std::string> MarketArgs(std::size_t days, std::size_t stocks, std::uint64_t seed) {
    return {"--days", std::to_string(days), "--stocks", std::to_string(stocks),
            "--seed", std::to_string(seed)};
}

std::set<std::string> HeldNow(const std::string& base) {
    std::set<std::string> held;
    const DayList list = DayList::Read(base + std::string(HeldDays.name));
    for (const DayRecord& day : list.Days())
        held.insert(day.item);
    return held;
}

} // namespace

const char* FaultName(SoakFault fault) {
    switch (fault) {
    case SoakFault::Missing:
        return "404";
    case SoakFault::Error500:
        return "500";
    case SoakFault::Cut:
        return "cut body";
    case SoakFault::Stall:
        return "stalled body";
    case SoakFault::Kill:
        return "kill";
    case SoakFault::DiskFull:
        return "disk full";
    case SoakFault::Held:
        return "folder held";
    case SoakFault::Clear:
        return "clear";
    }
    return "?";
}

std::vector<SoakEvening> SoakPlan(std::size_t evenings, std::uint64_t seed, double faultShare) {
    const std::size_t kinds = std::size(SoakFaults);
    if (evenings < kinds + 1 + CleanEvenings + 1)
        throw std::invalid_argument("too few evenings for every kind of fault");
    std::mt19937_64 random(seed);
    // The first evening builds the library; faults come after it.
    const std::size_t lastFaulty = evenings - 1 - CleanEvenings;
    std::vector<std::size_t> candidates;
    for (std::size_t evening = 1; evening <= lastFaulty; ++evening)
        candidates.push_back(evening);
    std::shuffle(candidates.begin(), candidates.end(), random);

    std::vector<SoakEvening> plan(evenings);
    for (std::size_t kind = 0; kind < kinds; ++kind)
        plan[candidates[kind]] = Draw(random, SoakFaults[kind], candidates[kind], lastFaulty);
    std::bernoulli_distribution faulty(faultShare);
    for (std::size_t evening = 1; evening <= lastFaulty; ++evening) {
        if (!plan[evening].faulty && faulty(random))
            plan[evening] =
                Draw(random, SoakFaults[Between(random, 0, long(kinds) - 1)], evening, lastFaulty);
    }
    return plan;
}

SoakResult PlaySoak(const std::vector<SoakEvening>& plan, std::size_t stocks, std::uint64_t seed,
                    std::ostream& log) {
    const std::size_t days = plan.size();
    const exchange::MarketGenerator market({.seed = seed, .days = days, .stocks = stocks});
    SoakResult result;
    TempDir work;
    const std::string base = work / "base";
    std::filesystem::create_directory(base);
    std::set<std::string> heldBefore;
    int lastExit = 0;

    for (std::size_t evening = 0; evening < days; ++evening) {
        const SoakEvening& tonight = plan[evening];
        const std::string day = market.IdOf(evening);
        std::vector<std::string> exchangeArgs = MarketArgs(days, stocks, seed);
        exchangeArgs.insert(exchangeArgs.end(), {"--offered", std::to_string(evening + 1)});
        for (std::size_t earlier = 0; earlier <= evening; ++earlier) {
            const SoakEvening& then = plan[earlier];
            const bool failing =
                then.faulty &&
                (then.fault == SoakFault::Missing || then.fault == SoakFault::Error500) &&
                evening < earlier + static_cast<std::size_t>(then.detail);
            if (failing)
                exchangeArgs.insert(exchangeArgs.end(),
                                    {then.fault == SoakFault::Missing ? "--missing" : "--error500",
                                     market.IdOf(earlier)});
        }
        if (tonight.faulty && tonight.fault == SoakFault::Cut)
            exchangeArgs.insert(exchangeArgs.end(), {"--cut", day});
        if (tonight.faulty && tonight.fault == SoakFault::Stall)
            exchangeArgs.insert(exchangeArgs.end(), {"--stall", day});
        ExchangeProcess exchange(exchangeArgs);

        std::string what = "evening " + std::to_string(evening + 1) + " (" + day + ")";
        if (tonight.faulty) {
            what += ": " + FaultText(tonight);
            ++result.injected[tonight.fault];
        }
        // Written before the run, so a run that hangs shows where.
        log << what << std::flush;
        std::string fault;
        std::unique_ptr<FolderLock> held;
        if (tonight.faulty) {
            if (tonight.fault == SoakFault::Kill)
                fault = "KELVARIN_CRASH_AFTER=" + std::to_string(tonight.detail);
            if (tonight.fault == SoakFault::DiskFull)
                fault = "KELVARIN_FAIL_WRITE=" + std::to_string(tonight.detail) + ":ENOSPC";
            if (tonight.fault == SoakFault::Held) {
                std::string error;
                held = FolderLock::Acquire(base + "/" + Folders[tonight.detail] + "/", &error);
                if (!held)
                    result.faults.push_back(what +
                                            ": the test could not hold the folder: " + error);
            }
            if (tonight.fault == SoakFault::Clear) {
                const ProcessOutput clear =
                    Cli(base, exchange.Url(), {"clear", Folders[tonight.detail], "--yes"});
                if (clear.exitCode != 0)
                    result.faults.push_back(what + ": clear failed, exit " +
                                            std::to_string(clear.exitCode) + ": " + clear.err);
            }
        }

        const ProcessOutput run = Cli(base, exchange.Url(), {"run"}, fault);
        held.reset();
        lastExit = run.exitCode;
        bool reached = true;
        if (tonight.faulty && tonight.fault == SoakFault::Kill)
            reached = run.exitCode == Killed;
        if (tonight.faulty && tonight.fault == SoakFault::DiskFull)
            reached = run.err.find(FaultNote) != std::string::npos;
        result.notReached += reached ? 0 : 1;
        const bool killed = reached && tonight.faulty && tonight.fault == SoakFault::Kill;
        if (!killed && run.exitCode != 0 && (run.exitCode != 1 || run.err.empty()))
            result.faults.push_back(what + ": run ended with exit " + std::to_string(run.exitCode) +
                                    ": " + run.err);

        const std::set<std::string> heldNow = HeldNow(base);
        for (const std::string& item : heldNow)
            ++result.heldEvenings[item];
        log << (reached ? "" : " (not reached)") << ": exit " << run.exitCode;
        if (!heldNow.empty()) {
            log << ", held:";
            for (const std::string& item : heldNow)
                log << " " << item;
        }
        log << std::endl;
        heldBefore = heldNow;
    }
    if (lastExit != 0 || !heldBefore.empty())
        result.faults.push_back("the last evening did not end clean: exit " +
                                std::to_string(lastExit) + ", " +
                                std::to_string(heldBefore.size()) + " day(s) held");

    TempDir clean;
    {
        ExchangeProcess exchange(MarketArgs(days, stocks, seed));
        const ProcessOutput run = Cli(clean.Path(), exchange.Url(), {"run"});
        if (run.exitCode != 0)
            result.faults.push_back("the clean run failed: " + run.err);
    }
    for (const char* folder : Folders) {
        const std::string difference = FolderDifference(base + "/" + folder, clean / folder);
        if (!difference.empty())
            result.faults.push_back(std::string(folder) + "/ differs from a clean run's:\n" +
                                    difference);
    }
    return result;
}

} // namespace kelvarin::test
