#include "UnzipCommand.h"

#include "StageSteps.h"

namespace kelvarin::cli {

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

} // namespace kelvarin::cli
