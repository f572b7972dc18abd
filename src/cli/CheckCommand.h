#pragma once

#include "cli/Command.h"

namespace kelvarin::cli {

// Checks the history files on their own and against the daily files the
// Update applied, and prints the findings file by file, or as one JSON
// object; with --repair it then mends what can be mended without guessing.
class CheckCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    bool m_json = false;
    bool m_repair = false;
};

} // namespace kelvarin::cli
