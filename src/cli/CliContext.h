#pragma once

#include "CliFrontEnd.h"
#include "CliStreams.h"
#include "app/WorkingFolders.h"
#include "pipeline/Stages.h"

#include <string>

namespace kelvarin::cli {

// What one run of the program works on: the working folders as start-up left
// them, the exchange's address, the streams and the stages' front end.
class CliContext {
public:
    CliContext(WorkingFolders startFolders, std::string server, const CliStreams& streams);
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    WorkingFolders folders;
    CliStreams streams;
    CliFrontEnd frontEnd;
    StageContext stage;
};

} // namespace kelvarin::cli
