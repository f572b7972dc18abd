#include "CrashRun.h"

#include "support/TestPaths.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelvarin::test {

namespace {

namespace fs = std::filesystem;

constexpr int KilledExitCode = 128 + 9;

bool IsPartialFile(const std::string& relativePath) {
    return fs::path(relativePath).filename().string().starts_with("kelvarin-partial-");
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// What differs between two snapshots, one line per file.
std::string Difference(const FolderFiles& got, const FolderFiles& expected) {
    std::string text;
    for (const auto& [name, bytes] : got) {
        const auto found = expected.find(name);
        if (found == expected.end())
            text += "  extra file " + name + "\n";
        else if (found->second != bytes)
            text += "  " + name + " differs (" + std::to_string(bytes.size()) + " bytes, " +
                    std::to_string(found->second.size()) + " expected)\n";
    }
    for (const auto& [name, bytes] : expected) {
        if (!got.contains(name))
            text += "  missing file " + name + "\n";
    }
    return text;
}

void CopyFolder(const std::string& from, const std::string& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

std::string Described(const ProcessOutput& output) {
    return "exit " + std::to_string(output.exitCode) + ", stdout: " + output.out +
           " stderr: " + output.err;
}

} // namespace

FolderFiles SnapshotFolder(const std::string& folder) {
    FolderFiles files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = ReadWhole(entry.path());
    }
    return files;
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
    for (const CrashStage stage : {CrashStage::Download, CrashStage::Unzip, CrashStage::Update}) {
        const std::string next = m_work / ("state-" + std::to_string(m_states.size()));
        CopyFolder(m_states.back(), next);
        const ProcessOutput output = Cli(next, {StageName(stage)});
        if (output.exitCode != 0)
            throw std::runtime_error(std::string("clean ") + StageName(stage) +
                                     " failed: " + Described(output));
        m_states.push_back(next);
        m_snapshots.push_back(SnapshotFolder(next));
    }
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
    const auto index = static_cast<std::size_t>(stage);
    const std::string command = StageName(stage);
    const FolderFiles& before = m_snapshots[index];
    const FolderFiles& after = m_snapshots[index + 1];
    SweepResult result;
    for (long point = first; point <= last; point += step) {
        const std::string what = command + " killed at point " + std::to_string(point);
        TempDir scratch;
        const std::string base = scratch / "base";
        CopyFolder(m_states[index], base);

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

        const ProcessOutput rerun = Cli(base, {command});
        if (rerun.exitCode != 0) {
            result.faults.push_back(what + ", the run after it: " + Described(rerun));
            continue;
        }
        // Temporary files included: the rerun must have removed the leftovers.
        const std::string difference = Difference(SnapshotFolder(base), after);
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
        const std::string difference = Difference(got, after);
        if (!difference.empty())
            result.faults.push_back(what + ", after the run after it:\n" + difference);
    }
    return result;
}

} // namespace kelvarin::test
