#include "cli/StageSteps.h"

#include <exception>

namespace kelvarin::cli {

namespace {

int ExitCodeOf(StageOutcome outcome) {
    switch (outcome) {
    case StageOutcome::Succeeded:
        return 0;
    case StageOutcome::Failed:
        return ExitFailure;
    case StageOutcome::NoSelection:
        return ExitUsage;
    }
    return ExitFailure;
}

} // namespace

// As in the desktop program, a stage that throws ends its command with the
// cause; the status it left mid-way is no final status, so stdout stays quiet.
int RunStage(CliContext& context, const std::function<StageOutcome()>& stage,
             const std::function<void()>& printResults) {
    context.frontEnd.BeginStage();
    StageOutcome outcome = StageOutcome::Failed;
    try {
        outcome = stage();
    } catch (const std::exception& error) {
        context.frontEnd.EndStage();
        context.frontEnd.ShowCause(error.what());
        return ExitFailure;
    }
    const auto status = context.frontEnd.EndStage();
    if (printResults)
        printResults();
    if (status)
        context.streams.out << *status << '\n' << std::flush;
    return ExitCodeOf(outcome);
}

bool SelectNames(MemoryList& list, const std::vector<std::string>& names, std::string_view listName,
                 std::ostream& err) {
    for (const std::string& name : names) {
        if (!list.Select(name)) {
            err << "\"" << name << "\" is not in the " << listName << ".\n";
            return false;
        }
    }
    return true;
}

} // namespace kelvarin::cli
