#pragma once

#include "cli/Command.h"

#include <string>
#include <vector>

namespace kelvarin::cli {

// Lets held days go for good: each named day, one Auto Download failed on,
// goes into the list of skipped days with the date and the cause of its last
// failure, and Auto Download passes it from then on. Only a held day can be
// skipped, so a mistyped name cannot pass over a day that would have come.
class SkipCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_items;
};

} // namespace kelvarin::cli
