#include "cli/StatusCommand.h"

#include "pipeline/LibraryStatus.h"
#include "pipeline/MemoryList.h"

#include <array>
#include <cstdio>
#include <ostream>

namespace kelvarin::cli {

namespace {

constexpr std::array<const char*, 3> StageKeys = {"download", "unzip", "update"};

// A JSON string; bytes that are not ASCII pass as they are, as the names in
// the folders do.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string OrNull(const std::string& text) {
    return text.empty() ? "null" : Quoted(text);
}

std::string SpanJson(const NameSpan& span) {
    return "{\"count\": " + std::to_string(span.count) + ", \"first\": " + OrNull(span.first) +
           ", \"last\": " + OrNull(span.last) + "}";
}

std::string DaysJson(const std::vector<DayRecord>& days, const char* timeKey) {
    std::string json = "[";
    for (std::size_t at = 0; at < days.size(); ++at) {
        const DayRecord& day = days[at];
        json += (at == 0 ? "" : ", ");
        json += "{\"item\": " + Quoted(day.item) + ", \"" + timeKey + "\": " + Quoted(day.since) +
                ", \"cause\": " + Quoted(day.cause) + "}";
    }
    return json + "]";
}

std::string FolderJson(const StageFolderStatus& folder) {
    return "{\"stage\": " + Quoted(StageKeys[static_cast<std::size_t>(folder.stage)]) +
           ", \"folder\": " + Quoted(folder.path) +
           ", \"exists\": " + (folder.exists ? "true" : "false") +
           ", \"marker\": " + (folder.marker ? Quoted(*folder.marker) : "null") +
           ", \"files\": " + std::to_string(folder.files) +
           ", \"next\": " + (folder.next ? SpanJson(*folder.next) : "null") +
           ", \"waiting\": " + SpanJson(folder.waiting) + "}";
}

std::string LastRunJson(const std::optional<LastRun>& run) {
    if (!run)
        return "null";
    std::string steps = "{";
    for (std::size_t at = 0; at < run->steps.size(); ++at)
        steps += (at == 0 ? "" : ", ") + Quoted(run->steps[at].first) + ": " +
                 Quoted(run->steps[at].second);
    return "{\"started\": " + Quoted(run->started) + ", \"finished\": " + Quoted(run->finished) +
           ", \"outcome\": " + Quoted(run->outcome) +
           ", \"exit\": " + std::to_string(run->exitStatus) + ", \"steps\": " + steps + "}}";
}

std::string StatusJson(const LibraryStatus& status) {
    std::string json = "{\"folders\": [";
    for (std::size_t at = 0; at < status.folders.size(); ++at)
        json += (at == 0 ? "" : ", ") + FolderJson(status.folders[at]);
    const LibrarySummary& library = status.library;
    json += "],\n \"held\": " + DaysJson(status.held, "since") +
            ",\n \"skipped\": " + DaysJson(status.skipped, "skipped") +
            ",\n \"library\": {\"stock_files\": " + std::to_string(library.stockFiles) +
            ", \"rows\": " + std::to_string(library.rows) +
            ", \"first_date\": " + OrNull(library.firstDate) +
            ", \"last_date\": " + OrNull(library.lastDate) + "}" +
            ",\n \"last_run\": " + LastRunJson(status.lastRun) +
            ",\n \"pending\": " + (status.Pending() ? "true" : "false") + "}\n";
    return json;
}

} // namespace

CLI::App* StatusCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "status", "Where the library stands and what the next run takes; exit status 1 while "
                  "a day is held or work is pending");
    command->add_flag("--remote", m_remote,
                      "Connect first, to tell what the next Download would fetch");
    command->add_flag("--json", m_json, "Print one JSON object (fields in the README)");
    return command;
}

int StatusCommand::Run(CliContext& context) {
    MemoryList remote;
    bool connected = false;
    if (m_remote) {
        // Only the cause of a failed Connect is of use here; its status line
        // would mix with the status itself on stdout.
        context.frontEnd.BeginStage();
        connected = RunConnect(context.stage, remote) == StageOutcome::Succeeded;
        context.frontEnd.EndStage();
    }
    const LibraryStatus status = ReadLibraryStatus(context.folders, connected ? &remote : nullptr);
    context.streams.out << (m_json ? StatusJson(status) : StatusText(status)) << std::flush;
    return (m_remote && !connected) || status.Pending() ? ExitFailure : 0;
}

} // namespace kelvarin::cli
