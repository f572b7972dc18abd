#pragma once

#include "Command.h"

#include <string>
#include <vector>

namespace kelvarin::cli {

// Connect, then Download: the new archives (Auto), or the named remote items.
class DownloadCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_items;
};

} // namespace kelvarin::cli
