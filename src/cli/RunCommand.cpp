#include "RunCommand.h"

#include "pipeline/StopRequest.h"

namespace kelvarin::cli {

CLI::App* RunCommand::AddTo(CLI::App& app) {
    return app.add_subcommand("run", "Connect, then Auto download, unzip and update");
}

int RunCommand::Run(CliContext& context) {
    int result = 0;
    for (Command* step : {static_cast<Command*>(&m_download), static_cast<Command*>(&m_unzip),
                          static_cast<Command*>(&m_update)}) {
        const int code = step->Run(context);
        if (result == 0)
            result = code;
        // Ctrl+C pauses the whole run, not just the stage it arrived in.
        if (StopRequested)
            break;
    }
    return result;
}

} // namespace kelvarin::cli
