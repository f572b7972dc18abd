#pragma once

#include "Command.h"

#include <string>
#include <vector>

namespace kelvarin::cli {

// Appends the new daily price files (Auto), or the named ones, to the stock
// history files.
class UpdateCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_names;
    bool m_yes = false;
};

} // namespace kelvarin::cli
