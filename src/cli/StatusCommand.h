#pragma once

#include "cli/Command.h"

namespace kelvarin::cli {

// Where the library stands: per stage folder its marker, files and what the
// next run takes, the held and skipped days, the history files and the last
// run. Reads only; with --remote it connects first, so it can also tell what
// the next Download fetches. Exit status 0 when nothing is held or pending.
class StatusCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    bool m_remote = false;
    bool m_json = false;
};

} // namespace kelvarin::cli
