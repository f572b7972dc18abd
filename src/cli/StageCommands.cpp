#include "cli/StageCommands.h"

#include "cli/StageSteps.h"
#include "pipeline/DayLists.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/LastRun.h"
#include "pipeline/Marker.h"

#include <algorithm>

namespace kelvarin::cli {

namespace {

// What the user reads after a stage of the run failed, beside the stage's own
// message: how far the stages after it went, and what the next run does.
std::string AfterFailedStep(const WorkingFolders& folders, StageFolder output) {
    switch (output) {
    case StageFolder::Zip: {
        const StageFolderFacts& zip = FactsOf(StageFolder::Zip);
        const std::string marker =
            ReadMarker(zip.FolderIn(folders) + std::string(zip.marker), zip.initialName);
        if (marker == zip.initialName)
            return "Unzip and Update wait until Download completes a day; the next run "
                   "downloads again.";
        return "Unzip and Update went on only up to " + marker +
               ", the last day Download completed; the next run downloads again after it.";
    }
    case StageFolder::Unzip:
        // The stage moves past a broken archive but waits before one whose
        // daily file the disk refused; which it was is in the message above.
        return "Update went on only up to the last archive Unzip handled. A broken archive "
               "is not tried again by Auto Unzip: once it is mended, unzip it by name "
               "(kelvarin-cli unzip NAME). An archive whose daily file could not be written "
               "is unzipped again by the next run.";
    case StageFolder::Stock:
        break;
    }
    return "The next run applies the daily files again from the one that failed, once the "
           "cause is mended.";
}

} // namespace

CLI::App* ConnectCommand::AddTo(CLI::App& app) {
    return app.add_subcommand("connect", "List the daily archives the exchange offers");
}

int ConnectCommand::Run(CliContext& context) {
    MemoryList remote;
    return RunStage(
        context, [&] { return RunConnect(context.stage, remote); },
        [&] {
            for (int row = 0; row < remote.Count(); ++row)
                context.streams.out << remote.Text(row) << '\n';
        });
}

CLI::App* DownloadCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "download", "Connect, then fetch the new archives, or only the items named");
    command->add_option("ITEM", m_items, "Remote items as connect lists them (SGX2004-01-23)");
    return command;
}

int DownloadCommand::Run(CliContext& context) {
    MemoryList zip;
    RefreshFileList(context.stage, StageFolder::Zip, zip);
    MemoryList remote;
    if (const int code = RunStage(context, [&] { return RunConnect(context.stage, remote); }))
        return code;
    // Ctrl+C during Connect would otherwise be lost: Download clears the
    // request as it begins.
    if (StopRequested)
        return 0;
    if (!SelectNames(remote, m_items, "remote list", context.streams.err))
        return ExitUsage;
    return RunStage(
        context, [&] { return RunDownload(context.stage, m_items.empty(), remote, zip, m_scope); });
}

CLI::App* UnzipCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "unzip", "Extract the daily price files of the new archives, or of those named");
    command->add_option("NAME", m_names, "Archives of the zip folder (SGX20040123.zip)");
    return command;
}

int UnzipCommand::Run(CliContext& context) {
    MemoryList zip;
    RefreshFileList(context.stage, StageFolder::Zip, zip);
    MemoryList unzip;
    RefreshFileList(context.stage, StageFolder::Unzip, unzip);
    if (!SelectNames(zip, m_names, FactsOf(StageFolder::Zip).listName, context.streams.err))
        return ExitUsage;
    return RunStage(context,
                    [&] { return RunUnzip(context.stage, m_names.empty(), zip, unzip, m_scope); });
}

CLI::App* UpdateCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "update", "Append the new daily price files, or those named, to the stock files");
    command->add_flag("--yes,-y", m_yes, "Apply a named file older than the last update");
    command->add_option("NAME", m_names, "Daily price files of the unzip folder (SGX20040123.dat)");
    return command;
}

int UpdateCommand::Run(CliContext& context) {
    MemoryList unzip;
    RefreshFileList(context.stage, StageFolder::Unzip, unzip);
    MemoryList stock;
    RefreshFileList(context.stage, StageFolder::Stock, stock);
    if (!SelectNames(unzip, m_names, FactsOf(StageFolder::Unzip).listName, context.streams.err))
        return ExitUsage;
    context.frontEnd.SetAssumeYes(m_yes);
    return RunStage(
        context, [&] { return RunUpdate(context.stage, m_names.empty(), unzip, stock, m_scope); });
}

CLI::App* RunCommand::AddTo(CLI::App& app) {
    return app.add_subcommand("run", "Connect, then Auto download, unzip and update");
}

int RunCommand::Run(CliContext& context) {
    struct Step {
        Command* command;
        StageFolder output;
        const char* name;
    };
    const Step steps[] = {
        {&m_download, StageFolder::Zip, "download"},
        {&m_unzip, StageFolder::Unzip, "unzip"},
        {&m_update, StageFolder::Stock, "update"},
    };
    LastRun record{.started = LocalTimeNow()};
    int exitCode = 0;
    for (const Step& step : steps) {
        // Ctrl+C pauses the whole run, not just the stage it arrived in.
        if (StopRequested) {
            record.steps.emplace_back(step.name, "not run");
            continue;
        }
        const int code = step.command->Run(context);
        if (code != 0) {
            context.streams.err << AfterFailedStep(context.folders, step.output) << '\n';
            exitCode = std::max(exitCode, code);
        }
        record.steps.emplace_back(step.name, code != 0       ? "failed"
                                             : StopRequested ? "stopped"
                                                             : "succeeded");
    }
    record.finished = LocalTimeNow();
    record.exitStatus = exitCode;
    record.outcome = StopRequested ? "stopped" : exitCode == 0 ? "succeeded" : "failed";
    // A monitor reading a stale record would take an old success for tonight's.
    std::string error;
    if (!record.Write(context.folders, &error)) {
        context.streams.err << error << '\n';
        exitCode = std::max(exitCode, ExitFailure);
    }
    return exitCode;
}

} // namespace kelvarin::cli
