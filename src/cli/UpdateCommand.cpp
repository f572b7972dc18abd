#include "UpdateCommand.h"

#include "StageSteps.h"

namespace kelvarin::cli {

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

} // namespace kelvarin::cli
