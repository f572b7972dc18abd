#include "ConnectCommand.h"

#include "StageSteps.h"

namespace kelvarin::cli {

CLI::App* ConnectCommand::AddTo(CLI::App& app) {
    return app.add_subcommand("connect", "List the daily archives the exchange offers");
}

int ConnectCommand::Run(CliContext& context) {
    MemoryList remote;
    return RunStage(
        context, [&] { return RunConnect(context.stage, remote); },
        [&] {
            for (int row = 0; row < remote.Count(); ++row)
                context.streams.out << remote.Text(row) << '\n';
        });
}

} // namespace kelvarin::cli
