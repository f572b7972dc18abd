#include "CliContext.h"

namespace kelvarin::cli {

CliContext::CliContext(WorkingFolders startFolders, std::string server, const CliStreams& streams)
    : folders(std::move(startFolders)), streams(streams),
      frontEnd(streams), stage{folders, frontEnd, std::move(server)} {}

} // namespace kelvarin::cli
