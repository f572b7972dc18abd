#pragma once

#include "CliContext.h"

#include <CLI/CLI.hpp>

namespace kelvarin::cli {

// One subcommand of kelvarin-cli: it declares its own arguments and runs once
// they are parsed.
class Command {
public:
    virtual ~Command() = default;
    // Adds the subcommand to `app`, its options bound to this object.
    virtual CLI::App* AddTo(CLI::App& app) = 0;
    // Returns the program's exit status.
    virtual int Run(CliContext& context) = 0;
};

} // namespace kelvarin::cli
