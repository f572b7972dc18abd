#include "DownloadCommand.h"

#include "StageSteps.h"
#include "pipeline/FrontEnd.h"

namespace kelvarin::cli {

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

} // namespace kelvarin::cli
