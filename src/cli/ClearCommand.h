#pragma once

#include "Command.h"
#include "pipeline/Stages.h"

namespace kelvarin::cli {

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
