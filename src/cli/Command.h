#pragma once

#include "app/WorkingFolders.h"
#include "cli/CliFrontEnd.h"
#include "pipeline/Stages.h"

#include <CLI/CLI.hpp>
#include <string>
#include <utility>

namespace kelvarin::cli {

// Exit statuses: a stage that reported a failure, and a usage error or a
// missing selection.
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// What one run of the program works on: the working folders as start-up left
// them, the exchange's address, the streams and the stages' front end.
class CliContext {
public:
    CliContext(WorkingFolders startFolders, std::string server, const CliStreams& streams)
        : folders(std::move(startFolders)), streams(streams),
          frontEnd(streams), stage{folders, frontEnd, std::move(server)} {}
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    WorkingFolders folders;
    CliStreams streams;
    CliFrontEnd frontEnd;
    StageContext stage;
};

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
