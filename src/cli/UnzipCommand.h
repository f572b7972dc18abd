#pragma once

#include "Command.h"

#include <string>
#include <vector>

namespace kelvarin::cli {

// Extracts the daily price files of the new archives (Auto), or of the named ones.
class UnzipCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_names;
};

} // namespace kelvarin::cli
