#include "cli/FolderCommands.h"

#include "app/Settings.h"
#include "cli/StageSteps.h"

#include <map>

namespace kelvarin::cli {

namespace {

// The settings file is read from whatever directory the program starts in
// next time, so a relative folder is pinned to the directory it was given in.
// Files are named by appending to the folder, hence the final "/".
std::string AsStageFolder(const std::string& folder) {
    std::string result = folder.starts_with('/') ? folder : CurrentDirectory() + "/" + folder;
    if (!result.ends_with('/'))
        result += '/';
    return result;
}

} // namespace

CLI::App* FoldersCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "folders", "Print the zip, unzip and stock folders; with options, set and save them");
    m_zipOption = command->add_option("--zip", m_zip, "Zip folder (downloaded archives)");
    m_unzipOption = command->add_option("--unzip", m_unzip, "Unzip folder (daily price files)");
    m_stocksOption = command->add_option("--stocks", m_stocks, "Stock folder (history files)");
    command->add_flag("--reset", m_reset,
                      "Back to the base folder's zip/, unzip/ and stocks/ (before the options "
                      "above apply)");
    return command;
}

bool FoldersCommand::ChangesFolders() const {
    return m_reset || m_zipOption->count() > 0 || m_unzipOption->count() > 0 ||
           m_stocksOption->count() > 0;
}

int FoldersCommand::Run(CliContext& context) {
    WorkingFolders& folders = context.folders;
    if (ChangesFolders()) {
        if (m_reset)
            folders.ResetToBaseDefaults();
        if (m_zipOption->count() > 0)
            folders.ZipFolder = AsStageFolder(m_zip);
        if (m_unzipOption->count() > 0)
            folders.UnzipFolder = AsStageFolder(m_unzip);
        if (m_stocksOption->count() > 0)
            folders.StockFolder = AsStageFolder(m_stocks);
        std::string error;
        if (!WriteSettings(folders.SettingsPath(), folders, &error)) {
            context.streams.err << error << '\n';
            return ExitFailure;
        }
    }
    context.streams.out << folders.ZipFolder << '\n'
                        << folders.UnzipFolder << '\n'
                        << folders.StockFolder << '\n';
    return 0;
}

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
    return RunStage(context, [&] { return ClearStageFiles(context.stage, m_stage, list); });
}

} // namespace kelvarin::cli
