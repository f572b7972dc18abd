#pragma once

#include "support/FolderSnapshot.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace kelvarin::test {

// A whole folder tree, symbolic links kept as links.
void CopyFolder(const std::string& from, const std::string& to);

// The pipeline steps a crash sweep kills, each a kelvarin-cli command that
// runs on the folders the step before left.
enum class CrashStage { Download, Unzip, Update };
const char* StageName(CrashStage stage);

struct SweepResult {
    // Crash points the stage passed in one uninterrupted run, when the sweep
    // got past the last of them; else 0.
    long pointsInStage = 0;
    long pointsKilled = 0;
    // Each a description of a kill that left the folders wrong.
    std::vector<std::string> faults;
};

// Kills kelvarin-cli at its crash points (KELVARIN_CRASH_AFTER) and checks
// that the folders a killed run leaves hold no half-written file under a real
// name, and that one more run of the same command leaves them byte for byte
// as a run that was never interrupted.
class CrashSweep {
public:
    explicit CrashSweep(std::string server);

    // Runs the whole pipeline once without a kill and keeps the base folder as
    // it stands after each step: the reference for every sweep. Update runs
    // twice, on the first half of the days and then on the rest.
    void Prepare();

    // The base folder as an uninterrupted run of `stage` finds it and leaves it.
    const FolderFiles& Before(CrashStage stage) const;
    const FolderFiles& After(CrashStage stage) const;

    // Kills `stage` at points first, first + step, ... up to last, or until a
    // run passes fewer points than asked and ends by itself.
    SweepResult Sweep(CrashStage stage, long first, long last, long step = 1);

    // The same for `folders --zip`, which replaces the settings file.
    SweepResult SweepSettings(long last);

    // Runs kelvarin-cli on `base`; crashAfter 0 runs it without a kill.
    ProcessOutput Cli(const std::string& base, const std::vector<std::string>& args,
                      long crashAfter = 0) const;

private:
    // Runs `args` on a copy of the last state, which becomes the next one.
    void AddState(const std::vector<std::string>& args);
    // The check after a kill, for the stages that never write in place.
    void CheckOnlyWholeFiles(const FolderFiles& killed, const FolderFiles& before,
                             const FolderFiles& after, const std::string& what,
                             std::vector<std::string>& faults) const;

    std::string m_server;
    TempDir m_work;
    // The base folder before any stage, after Download, after Unzip, after
    // Update of the first half of the days, after Update of the rest.
    std::vector<std::string> m_states;
    std::vector<FolderFiles> m_snapshots;
};

} // namespace kelvarin::test
