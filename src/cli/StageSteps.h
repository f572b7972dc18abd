#pragma once

#include "cli/Command.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin::cli {

// Runs one stage, then what `printResults` prints, then the stage's final
// status line on stdout, so the status is the last line of every command. A
// stage that throws prints only its cause, on stderr, and fails.
int RunStage(CliContext& context, const std::function<StageOutcome()>& stage,
             const std::function<void()>& printResults = {});

// Selects the rows named on the command line. A name that is not in the list
// is reported on stderr; false then.
bool SelectNames(MemoryList& list, const std::vector<std::string>& names, std::string_view listName,
                 std::ostream& err);

} // namespace kelvarin::cli
