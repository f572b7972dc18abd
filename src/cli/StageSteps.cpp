#include "StageSteps.h"

namespace kelvarin::cli {

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

int RunStage(CliContext& context, const std::function<StageOutcome()>& stage,
             const std::function<void()>& printResults) {
    context.frontEnd.BeginStage();
    const StageOutcome outcome = stage();
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
