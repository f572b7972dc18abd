#include "CrashRun.h"

#include "support/TestPaths.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace kelvarin::test {

namespace {

namespace fs = std::filesystem;

constexpr int KilledExitCode = 128 + 9;

bool IsPartialFile(const std::string& relativePath) {
    return fs::path(relativePath).filename().string().starts_with("kelvarin-partial-");
}

std::string Described(const ProcessOutput& output) {
    return "exit " + std::to_string(output.exitCode) + ", stdout: " + output.out +
           " stderr: " + output.err;
}

// The state a stage's sweep starts from; it ends in the next one. Update
// starts from the one in which half the days are in the history files.
std::size_t StartState(CrashStage stage) {
    switch (stage) {
    case CrashStage::Download:
        return 0;
    case CrashStage::Unzip:
        return 1;
    case CrashStage::Update:
        break;
    }
    return 3;
}

// The daily price files of an unzip folder, oldest first.
std::vector<std::string> DailyFiles(const std::string& unzipFolder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(unzipFolder)) {
        if (entry.path().extension() == ".dat")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void CopyFolder(const std::string& from, const std::string& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

const char* StageName(CrashStage stage) {
    switch (stage) {
    case CrashStage::Download:
        return "download";
    case CrashStage::Unzip:
        return "unzip";
    case CrashStage::Update:
        break;
    }
    return "update";
}

CrashSweep::CrashSweep(std::string server) : m_server(std::move(server)) {}

ProcessOutput CrashSweep::Cli(const std::string& base, const std::vector<std::string>& args,
                              long crashAfter) const {
    std::vector<std::string> argv{
        "/usr/bin/env", "KELVARIN_CRASH_AFTER=" + std::to_string(crashAfter),
        CliBinary,      "--base",
        base,           "--server",
        m_server};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

void CrashSweep::Prepare() {
    const std::string empty = m_work / "state-0";
    fs::create_directory(empty);
    m_states = {empty};
    m_snapshots = {SnapshotFolder(empty)};
    AddState({"download"});
    AddState({"unzip"});
    // The Update that is swept then both appends to history files and
    // creates those of the stocks listed since.
    const std::vector<std::string> days = DailyFiles(m_states.back() + "/unzip");
    std::vector<std::string> firstHalf{"update"};
    firstHalf.insert(firstHalf.end(), days.begin(), days.begin() + days.size() / 2);
    AddState(firstHalf);
    AddState({"update"});
}

void CrashSweep::AddState(const std::vector<std::string>& args) {
    const std::string next = m_work / ("state-" + std::to_string(m_states.size()));
    CopyFolder(m_states.back(), next);
    const ProcessOutput output = Cli(next, args);
    if (output.exitCode != 0)
        throw std::runtime_error("uninterrupted " + args.front() + " failed: " + Described(output));
    m_states.push_back(next);
    m_snapshots.push_back(SnapshotFolder(next));
}

const FolderFiles& CrashSweep::Before(CrashStage stage) const {
    return m_snapshots[StartState(stage)];
}

const FolderFiles& CrashSweep::After(CrashStage stage) const {
    return m_snapshots[StartState(stage) + 1];
}

void CrashSweep::CheckOnlyWholeFiles(const FolderFiles& killed, const FolderFiles& before,
                                     const FolderFiles& after, const std::string& what,
                                     std::vector<std::string>& faults) const {
    for (const auto& [name, bytes] : killed) {
        if (IsPartialFile(name))
            continue;
        const auto old = before.find(name);
        const auto whole = after.find(name);
        const bool isOld = old != before.end() && old->second == bytes;
        const bool isWhole = whole != after.end() && whole->second == bytes;
        if (!isOld && !isWhole)
            faults.push_back(what + ": " + name + " is neither its old nor its finished self (" +
                             std::to_string(bytes.size()) + " bytes)");
    }
}

SweepResult CrashSweep::Sweep(CrashStage stage, long first, long last, long step) {
    const std::string command = StageName(stage);
    const FolderFiles& before = Before(stage);
    const FolderFiles& after = After(stage);
    SweepResult result;
    for (long point = first; point <= last; point += step) {
        const std::string what = command + " killed at point " + std::to_string(point);
        TempDir scratch;
        const std::string base = scratch / "base";
        CopyFolder(m_states[StartState(stage)], base);

        const ProcessOutput killed = Cli(base, {command}, point);
        if (killed.exitCode == 0) {
            result.pointsInStage = point - 1;
            break;
        }
        if (killed.exitCode != KilledExitCode) {
            result.faults.push_back(what + ": " + Described(killed));
            continue;
        }
        ++result.pointsKilled;
        // Update appends to history files in place and takes back an
        // unfinished batch on its next run; the others only ever rename
        // finished files into place.
        if (stage != CrashStage::Update)
            CheckOnlyWholeFiles(SnapshotFolder(base), before, after, what, result.faults);

        // Every fifth time the run after the kill is killed too, early on,
        // while it takes back or clears up what the first one left.
        if (point % 5 == 0) {
            const ProcessOutput repair = Cli(base, {command}, 2);
            if (repair.exitCode != 0 && repair.exitCode != KilledExitCode) {
                result.faults.push_back(what + ", the killed run after it: " + Described(repair));
                continue;
            }
        }
        const ProcessOutput rerun = Cli(base, {command});
        if (rerun.exitCode != 0) {
            result.faults.push_back(what + ", the run after it: " + Described(rerun));
            continue;
        }
        // Temporary files included: the rerun must have removed the leftovers.
        const std::string difference = SnapshotDifference(SnapshotFolder(base), after);
        if (!difference.empty())
            result.faults.push_back(what + ", after the run after it:\n" + difference);
    }
    return result;
}

SweepResult CrashSweep::SweepSettings(long last) {
    // The settings file holds the base folder's path, so every run uses the same one.
    const std::string base = m_work / "settings-base";
    const std::vector<std::string> change{"folders", "--zip", "/elsewhere/zip/"};
    const auto fresh = [&] {
        fs::remove_all(base);
        fs::create_directory(base);
        if (Cli(base, {"folders", "--reset"}).exitCode != 0)
            throw std::runtime_error("folders --reset failed in " + base);
    };
    fresh();
    const FolderFiles before = SnapshotFolder(base);
    if (Cli(base, change).exitCode != 0)
        throw std::runtime_error("folders --zip failed in " + base);
    const FolderFiles after = SnapshotFolder(base);

    SweepResult result;
    for (long point = 1; point <= last; ++point) {
        const std::string what = "folders --zip killed at point " + std::to_string(point);
        fresh();
        const ProcessOutput killed = Cli(base, change, point);
        if (killed.exitCode == 0) {
            result.pointsInStage = point - 1;
            break;
        }
        if (killed.exitCode != KilledExitCode) {
            result.faults.push_back(what + ": " + Described(killed));
            continue;
        }
        ++result.pointsKilled;
        CheckOnlyWholeFiles(SnapshotFolder(base), before, after, what, result.faults);
        if (Cli(base, change).exitCode != 0) {
            result.faults.push_back(what + ": the run after it failed");
            continue;
        }
        // The base folder is no stage folder, and only the settings write
        // could clear a temporary file left there: the settings file itself
        // must be right.
        FolderFiles got = SnapshotFolder(base);
        std::erase_if(got, [](const auto& file) { return IsPartialFile(file.first); });
        const std::string difference = SnapshotDifference(got, after);
        if (!difference.empty())
            result.faults.push_back(what + ", after the run after it:\n" + difference);
    }
    return result;
}

} // namespace kelvarin::test
