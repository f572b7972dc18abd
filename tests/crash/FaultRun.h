#pragma once

#include "CrashRun.h"
#include "exchange/MarketGenerator.h"
#include "support/ExchangeProcess.h"

#include <cerrno>
#include <map>
#include <string>
#include <vector>

namespace kelvarin::test {

// The kelvarin-cli commands whose write steps a fault sweep fails: the three
// stages that store files, Clear of each folder, the settings write, `run`
// with the record of the run it leaves, and `skip` with its list of days.
struct FaultCommand {
    std::string name;
    std::vector<std::string> args;
    // The folders it starts on: 0 empty, 1 downloaded, 2 unzipped, 3 updated,
    // 4 a base folder with a settings file, 5 a run that met a day answering
    // 404, which `skip` lets go.
    std::size_t start;
};
const std::vector<FaultCommand>& FaultCommands();

// The errors a sweep fails steps with.
inline constexpr int SweptErrors[] = {EIO, ENOSPC, EACCES};
const char* ErrorName(int error);

struct FaultSweepResult {
    // The last step that was failed, and the first a run no longer reached
    // (0 when the sweep stopped before it).
    long lastFailed = 0;
    long endedAt = 0;
    long runsFailed = 0;
    // Each a description of a failed step that was not handled as it must be.
    std::vector<std::string> faults;
};

// Fails the write steps of kelvarin-cli commands one at a time
// (KELVARIN_FAIL_WRITE) and checks each time that the command ends with exit
// status 1 and a message naming a file of the base folder and the cause, that
// no temporary file is left and no file stands under its real name unless
// whole, and that one more run without the fault leaves the folders byte for
// byte as a run that never met one.
class FaultSweep {
public:
    // Serves the market twice: whole, and with one day answering 404.
    explicit FaultSweep(const exchange::MarketSettings& market);

    // Builds the folders each command starts on, and what a clean run of each
    // command leaves: the references of every sweep.
    void Prepare();

    // Fails step first, first + stride, ... of `command` with `error`, up to
    // `last` or until a run no longer reaches the step.
    FaultSweepResult Sweep(const FaultCommand& command, int error, long first, long last,
                           long stride = 1);

    // The write system calls on the base folder one clean run of `command`
    // makes, as strace sees them; -1 when strace cannot run.
    long TracedWriteCalls(const FaultCommand& command) const;

private:
    ProcessOutput Cli(const std::string& base, const std::vector<std::string>& args,
                      const std::string& fault) const;
    void CheckFailedRun(const FaultCommand& command, const std::string& base,
                        const ProcessOutput& output, int error, const std::string& what,
                        std::vector<std::string>& faults) const;

    ExchangeProcess m_exchange;
    ExchangeProcess m_gapExchange;
    std::string m_server;
    // The held day of the gap exchange, as `skip` takes it.
    std::string m_gapItem;
    TempDir m_work;
    std::vector<std::string> m_starts;
    std::vector<FolderFiles> m_startSnapshots;
    // What a clean run of each command leaves, by its name.
    std::map<std::string, FolderFiles> m_results;
};

} // namespace kelvarin::test
