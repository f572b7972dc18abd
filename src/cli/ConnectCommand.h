#pragma once

#include "Command.h"

namespace kelvarin::cli {

// Reads the exchange's index; prints the final status line, then the remote
// items one per line in list order.
class ConnectCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;
};

} // namespace kelvarin::cli
