#include "ClearCommand.h"

#include "StageSteps.h"

#include <map>

namespace kelvarin::cli {

CLI::App* ClearCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "clear", "Delete the files of one stage folder and its marker, so Auto rebuilds them");
    const std::map<std::string, StageFolder> stages{
        {"zip", StageFolder::Zip}, {"unzip", StageFolder::Unzip}, {"stocks", StageFolder::Stock}};
    command->add_option("FOLDER", m_stage, "zip, unzip or stocks")
        ->required()
        ->transform(CLI::CheckedTransformer(stages));
    command->add_flag("--yes,-y", m_yes, "Delete without asking");
    return command;
}

int ClearCommand::Run(CliContext& context) {
    MemoryList list;
    RefreshStageList(context, m_stage, list);
    context.frontEnd.SetAssumeYes(m_yes);
    return RunStage(context, [&] { return ClearStageFiles(context.stage, m_stage, list); });
}

} // namespace kelvarin::cli
