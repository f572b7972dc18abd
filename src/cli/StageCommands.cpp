#include "cli/StageCommands.h"

#include "cli/StageSteps.h"
#include "pipeline/FrontEnd.h"

namespace kelvarin::cli {

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
    return RunStage(context,
                    [&] { return RunDownload(context.stage, m_items.empty(), remote, zip); });
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
    return RunStage(context, [&] { return RunUnzip(context.stage, m_names.empty(), zip, unzip); });
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
    return RunStage(context,
                    [&] { return RunUpdate(context.stage, m_names.empty(), unzip, stock); });
}

CLI::App* RunCommand::AddTo(CLI::App& app) {
    return app.add_subcommand("run", "Connect, then Auto download, unzip and update");
}

int RunCommand::Run(CliContext& context) {
    for (Command* step : {static_cast<Command*>(&m_download), static_cast<Command*>(&m_unzip),
                          static_cast<Command*>(&m_update)}) {
        // A later stage would move its marker past the day that is missing,
        // and its Auto runs would then never pick that day up.
        if (const int code = step->Run(context)) {
            context.streams.err << "The run ends here; the next run goes on from this stage.\n";
            return code;
        }
        // Ctrl+C pauses the whole run, not just the stage it arrived in.
        if (StopRequested)
            return 0;
    }
    return 0;
}

} // namespace kelvarin::cli
