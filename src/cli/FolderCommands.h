#pragma once

#include "cli/Command.h"
#include "pipeline/Stages.h"

#include <string>

namespace kelvarin::cli {

// Prints the three stage folders; with new folders or --reset it sets them and
// writes the settings file, the one command that does.
class FoldersCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    bool ChangesFolders() const;

    std::string m_zip;
    std::string m_unzip;
    std::string m_stocks;
    bool m_reset = false;
    CLI::Option* m_zipOption = nullptr;
    CLI::Option* m_unzipOption = nullptr;
    CLI::Option* m_stocksOption = nullptr;
};

// Clear All of one stage folder: its files and its marker, after confirmation.
class ClearCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    StageFolder m_stage = StageFolder::Zip;
    bool m_yes = false;
};

} // namespace kelvarin::cli
