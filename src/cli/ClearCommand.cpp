#include "ClearCommand.h"

#include "StageSteps.h"

#include <map>

namespace kelvarin::cli {

CLI::App* ClearCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "clear", "Delete the files of one stage folder and its marker, so Auto rebuilds them");
    std::map<std::string, StageFolder> stages;
    std::string names;
    for (const StageFolderFacts& facts : StageFolderTable) {
        stages.emplace(facts.commandName, facts.stage);
        if (!names.empty())
            names += facts.stage == StageFolderTable.back().stage ? " or " : ", ";
        names += facts.commandName;
    }
    command->add_option("FOLDER", m_stage, names)
        ->required()
        ->transform(CLI::CheckedTransformer(stages));
    command->add_flag("--yes,-y", m_yes, "Delete without asking");
    return command;
}

int ClearCommand::Run(CliContext& context) {
    MemoryList list;
    RefreshFileList(context.stage, m_stage, list);
    context.frontEnd.SetAssumeYes(m_yes);
    return ExitCodeOf(ClearStageFiles(context.stage, m_stage, list));
}

} // namespace kelvarin::cli
