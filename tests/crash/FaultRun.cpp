#include "FaultRun.h"

#include "app/FileAccess.h"
#include "pipeline/LastRun.h"
#include "support/TestPaths.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace kelvarin::test {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t SettingsStart = 4;
constexpr std::size_t GapStart = 5;

std::vector<std::string> ExchangeArgs(const exchange::MarketSettings& market) {
    return {"--days", std::to_string(market.days), "--stocks", std::to_string(market.stocks),
            "--seed", std::to_string(market.seed)};
}

// The day in the middle, so that days on both sides of it wait or go on.
std::string GapDay(const exchange::MarketSettings& market) {
    return exchange::MarketGenerator(market).IdOf(market.days / 2);
}

std::vector<std::string> GapExchangeArgs(const exchange::MarketSettings& market) {
    std::vector<std::string> args = ExchangeArgs(market);
    args.insert(args.end(), {"--missing", GapDay(market)});
    return args;
}

// What the program writes on stderr when it fails a step on purpose.
constexpr std::string_view FaultNote = "kelvarin: write step ";

bool IsTemporaryFile(const std::string& relativePath) {
    return fs::path(relativePath).filename().string().starts_with("kelvarin-partial-");
}

// The markers and the update journal are replaced whole by a rename, and may
// name any point a run reached before it failed; the next run's result is
// what counts for them.
bool IsStageRecord(const std::string& relativePath) {
    return fs::path(relativePath).filename().string().starts_with("log_");
}

// The records of the base folder that say what runs did, each replaced whole:
// the held days, the skipped days, the last run.
bool IsRunRecord(const std::string& relativePath) {
    return relativePath.starts_with("kelvarin-") && relativePath != "kelvarin.ini";
}

// The records carry the local time they were written at; two runs leave the
// same records when all else in them is alike.
FolderFiles Untimed(FolderFiles files) {
    static const std::regex Time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d{4})");
    for (auto& [name, bytes] : files) {
        if (IsRunRecord(name))
            bytes = std::regex_replace(bytes, Time, "<time>");
    }
    return files;
}

std::string Described(const ProcessOutput& output) {
    return "exit " + std::to_string(output.exitCode) + ", stderr: " + output.err;
}

// stderr without the program's note on the step it failed on purpose.
std::string Messages(const std::string& err) {
    std::string messages;
    std::size_t start = 0;
    while (start < err.size()) {
        std::size_t end = err.find('\n', start);
        end = end == std::string::npos ? err.size() : end + 1;
        const std::string_view line(err.data() + start, end - start);
        if (!line.starts_with(FaultNote))
            messages += line;
        start = end;
    }
    return messages;
}

// Whether one line of strace -y output is a write step on a path below `base`.
bool IsWriteCallOn(const std::string& line, const std::string& base) {
    if (line.find(base) == std::string::npos || line.find(" resumed>") != std::string::npos)
        return false;
    const std::size_t call = line.find_first_not_of("0123456789 ");
    if (call == std::string::npos)
        return false;
    const std::string_view name(line.data() + call, line.size() - call);
    if (name.starts_with("openat(") || name.starts_with("open("))
        return line.find("O_WRONLY") != std::string::npos ||
               line.find("O_RDWR") != std::string::npos ||
               line.find("O_CREAT") != std::string::npos;
    return true;
}

} // namespace

const std::vector<FaultCommand>& FaultCommands() {
    static const std::vector<FaultCommand> commands{
        {"download", {"download"}, 0},
        {"unzip", {"unzip"}, 1},
        {"update", {"update"}, 2},
        {"clear zip", {"clear", "zip", "--yes"}, 3},
        {"clear unzip", {"clear", "unzip", "--yes"}, 3},
        {"clear stocks", {"clear", "stocks", "--yes"}, 3},
        {"settings", {"folders", "--zip", "/elsewhere/zip/"}, SettingsStart},
        {"run", {"run"}, 0},
        {"skip", {"skip", "<gap>"}, GapStart},
    };
    return commands;
}

const char* ErrorName(int error) {
    switch (error) {
    case EIO:
        return "EIO";
    case ENOSPC:
        return "ENOSPC";
    case EACCES:
        return "EACCES";
    default:
        return "?";
    }
}

FaultSweep::FaultSweep(const exchange::MarketSettings& market)
    : m_exchange(ExchangeArgs(market)), m_gapExchange(GapExchangeArgs(market)),
      m_server(m_exchange.Url()), m_gapItem("SGX" + GapDay(market)) {}

ProcessOutput FaultSweep::Cli(const std::string& base, const std::vector<std::string>& args,
                              const std::string& fault) const {
    std::vector<std::string> argv{"/usr/bin/env", "-u", "KELVARIN_FAIL_WRITE", "-u",
                                  "KELVARIN_CRASH_AFTER"};
    if (!fault.empty())
        argv.push_back("KELVARIN_FAIL_WRITE=" + fault);
    argv.insert(argv.end(), {CliBinary, "--base", base, "--server", m_server});
    for (const std::string& arg : args)
        argv.push_back(arg == "<gap>" ? m_gapItem : arg);
    return RunProcess(argv);
}

void FaultSweep::Prepare() {
    const auto clean = [&](const std::string& base, const std::vector<std::string>& args) {
        const ProcessOutput output = Cli(base, args, {});
        if (output.exitCode != 0)
            throw std::runtime_error("clean " + args.front() + " failed: " + Described(output));
    };
    const std::string empty = m_work / "start-0";
    fs::create_directory(empty);
    m_starts = {empty};
    for (const char* stage : {"download", "unzip", "update"}) {
        const std::string next = m_work / ("start-" + std::to_string(m_starts.size()));
        CopyFolder(m_starts.back(), next);
        clean(next, {stage});
        m_starts.push_back(next);
    }
    const std::string settings = m_work / "start-settings";
    fs::create_directory(settings);
    clean(settings, {"folders", "--reset"});
    m_starts.push_back(settings);
    const std::string gap = m_work / "start-gap";
    fs::create_directory(gap);
    const ProcessOutput held =
        RunProcess({CliBinary, "--base", gap, "--server", m_gapExchange.Url(), "run"});
    if (held.exitCode != 1 || !fs::exists(gap + "/kelvarin-held-days"))
        throw std::runtime_error("the run over the gap held no day: " + Described(held));
    m_starts.push_back(gap);
    for (const std::string& start : m_starts)
        m_startSnapshots.push_back(Untimed(SnapshotFolder(start)));

    for (const FaultCommand& command : FaultCommands()) {
        const std::string result = m_work / ("result-" + std::to_string(m_results.size()));
        CopyFolder(m_starts[command.start], result);
        clean(result, command.args);
        m_results[command.name] = Untimed(SnapshotFolder(result));
    }
}

void FaultSweep::CheckFailedRun(const FaultCommand& command, const std::string& base,
                                const ProcessOutput& output, int error, const std::string& what,
                                std::vector<std::string>& faults) const {
    const std::string messages = Messages(output.err);
    if (output.exitCode != 1)
        faults.push_back(what + ": not a failure, " + Described(output));
    if (messages.find(ErrnoText(error)) == std::string::npos)
        faults.push_back(what + ": no message gives the cause: " + messages);
    if (messages.find(base) == std::string::npos)
        faults.push_back(what + ": no message names a file: " + messages);
    const FolderFiles& before = m_startSnapshots[command.start];
    const FolderFiles& after = m_results.at(command.name);
    const FolderFiles left = Untimed(SnapshotFolder(base));
    // A monitor must never read tonight's failure as a success.
    const auto record = LastRun::Read({.BaseFolder = base});
    const auto recordBefore = before.find("kelvarin-last-run");
    const bool recordWritten =
        left.contains("kelvarin-last-run") &&
        (recordBefore == before.end() || recordBefore->second != left.at("kelvarin-last-run"));
    if (recordWritten && record &&
        (record->exitStatus != output.exitCode || record->outcome != "failed"))
        faults.push_back(what + ": the record of the run says it ended with " + record->outcome +
                         ", exit " + std::to_string(record->exitStatus));
    for (const auto& [name, bytes] : left) {
        if (IsTemporaryFile(name)) {
            faults.push_back(what + ": the temporary file " + name + " was left");
            continue;
        }
        if (IsRunRecord(name) && !bytes.empty() && bytes.back() != '\n')
            faults.push_back(what + ": the record " + name + " is cut short");
        if (IsStageRecord(name) || IsRunRecord(name))
            continue;
        const auto old = before.find(name);
        const auto whole = after.find(name);
        // `run` goes on past a failed day with the days before it, and an
        // Update keeps the batches written before the failed one, so a
        // history may stand complete up to a day: whole rows of its finished
        // self.
        const bool daysBefore =
            (command.name == "run" || command.name == "update") && whole != after.end() &&
            whole->second.starts_with(bytes) &&
            (whole->second[bytes.size()] == '\r' || whole->second[bytes.size()] == '\n');
        if ((old == before.end() || old->second != bytes) &&
            (whole == after.end() || whole->second != bytes) && !daysBefore)
            faults.push_back(what + ": " + name + " is neither its old nor its finished self (" +
                             std::to_string(bytes.size()) + " bytes)");
    }
}

FaultSweepResult FaultSweep::Sweep(const FaultCommand& command, int error, long first, long last,
                                   long stride) {
    const FolderFiles& after = m_results.at(command.name);
    FaultSweepResult result;
    for (long step = first; step <= last; step += stride) {
        const std::string what = command.name + " with step " + std::to_string(step) +
                                 " failing (" + ErrorName(error) + ")";
        TempDir scratch;
        const std::string base = scratch / "base";
        CopyFolder(m_starts[command.start], base);

        const ProcessOutput failed =
            Cli(base, command.args, std::to_string(step) + ":" + ErrorName(error));
        if (failed.err.find(FaultNote) == std::string::npos) {
            // The run took fewer steps: it must have been a clean one.
            result.endedAt = step;
            const std::string difference = SnapshotDifference(Untimed(SnapshotFolder(base)), after);
            if (failed.exitCode != 0 || !difference.empty())
                result.faults.push_back(what + ": the run that never reached the step: " +
                                        Described(failed) + difference);
            break;
        }
        ++result.runsFailed;
        result.lastFailed = step;
        CheckFailedRun(command, base, failed, error, what, result.faults);

        const ProcessOutput rerun = Cli(base, command.args, {});
        if (rerun.exitCode != 0) {
            result.faults.push_back(what + ", the run after it: " + Described(rerun));
            continue;
        }
        const std::string difference = SnapshotDifference(Untimed(SnapshotFolder(base)), after);
        if (!difference.empty())
            result.faults.push_back(what + ", after the run after it:\n" + difference);
    }
    return result;
}

long FaultSweep::TracedWriteCalls(const FaultCommand& command) const {
    TempDir scratch;
    const std::string base = scratch / "base";
    CopyFolder(m_starts[command.start], base);
    const std::string trace = scratch / "trace";
    // Every call that can change the base folder, the reading ones left out.
    const std::string calls =
        "trace=open,openat,creat,write,pwrite64,writev,fsync,fdatasync,syncfs,rename,renameat,"
        "renameat2,unlink,unlinkat,mkdir,mkdirat,rmdir,flock,truncate,ftruncate";
    std::vector<std::string> argv{"/usr/bin/env", "strace",       "-f",  "-y",
                                  "-qq",          "-o",           trace, "-e",
                                  calls,          "/usr/bin/env", "-u",  "KELVARIN_FAIL_WRITE"};
    argv.insert(argv.end(), {CliBinary, "--base", base, "--server", m_server});
    for (const std::string& arg : command.args)
        argv.push_back(arg == "<gap>" ? m_gapItem : arg);
    if (RunProcess(argv).exitCode != 0)
        return -1;
    std::ifstream lines(trace);
    long found = 0;
    for (std::string line; std::getline(lines, line);)
        found += IsWriteCallOn(line, base) ? 1 : 0;
    return found;
}

} // namespace kelvarin::test
