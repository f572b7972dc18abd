#include "cli/StatusCommand.h"

#include "cli/JsonWriter.h"
#include "pipeline/LibraryStatus.h"
#include "pipeline/MemoryList.h"

#include <array>
#include <ostream>

namespace kelvarin::cli {

namespace {

constexpr std::array<const char*, 3> StageKeys = {"download", "unzip", "update"};

void StringOrNull(JsonWriter& json, const std::string& text) {
    if (text.empty())
        json.Null();
    else
        json.String(text);
}

void Span(JsonWriter& json, const NameSpan& span) {
    json.BeginObject().Key("count").Number(static_cast<long long>(span.count)).Key("first");
    StringOrNull(json, span.first);
    json.Key("last");
    StringOrNull(json, span.last);
    json.EndObject();
}

void Days(JsonWriter& json, const std::vector<DayRecord>& days, const char* timeKey) {
    json.BeginArray();
    for (const DayRecord& day : days) {
        json.BeginObject().Key("item").String(day.item).Key(timeKey).String(day.since);
        json.Key("cause").String(day.cause).EndObject();
    }
    json.EndArray();
}

void Folder(JsonWriter& json, const StageFolderStatus& folder) {
    json.BeginObject().Key("stage").String(StageKeys[static_cast<std::size_t>(folder.stage)]);
    json.Key("folder").String(folder.path).Key("exists").Bool(folder.exists).Key("marker");
    if (folder.marker)
        json.String(*folder.marker);
    else
        json.Null();
    json.Key("files").Number(static_cast<long long>(folder.files)).Key("next");
    if (folder.next)
        Span(json, *folder.next);
    else
        json.Null();
    json.Key("waiting");
    Span(json, folder.waiting);
    json.EndObject();
}

void Run(JsonWriter& json, const std::optional<LastRun>& run) {
    if (!run) {
        json.Null();
        return;
    }
    json.BeginObject().Key("started").String(run->started).Key("finished").String(run->finished);
    json.Key("outcome").String(run->outcome).Key("exit").Number(run->exitStatus);
    json.Key("steps").BeginObject();
    for (const auto& [step, outcome] : run->steps)
        json.Key(step).String(outcome);
    json.EndObject().EndObject();
}

void WriteStatusJson(std::ostream& out, const LibraryStatus& status) {
    JsonWriter json(out);
    json.BeginObject().Key("folders").BeginArray();
    for (const StageFolderStatus& folder : status.folders)
        Folder(json, folder);
    json.EndArray().Key("held");
    Days(json, status.held, "since");
    json.Key("skipped");
    Days(json, status.skipped, "skipped");
    const LibrarySummary& library = status.library;
    json.Key("library").BeginObject();
    json.Key("stock_files").Number(static_cast<long long>(library.stockFiles));
    json.Key("rows").Number(static_cast<long long>(library.rows)).Key("first_date");
    StringOrNull(json, library.firstDate);
    json.Key("last_date");
    StringOrNull(json, library.lastDate);
    json.EndObject().Key("last_run");
    Run(json, status.lastRun);
    json.Key("pending").Bool(status.Pending()).EndObject();
    out << '\n';
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
    if (m_json)
        WriteStatusJson(context.streams.out, status);
    else
        context.streams.out << StatusText(status);
    context.streams.out << std::flush;
    return (m_remote && !connected) || status.Pending() ? ExitFailure : 0;
}

} // namespace kelvarin::cli
