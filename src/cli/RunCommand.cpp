#include "RunCommand.h"

#include "pipeline/FrontEnd.h"

namespace kelvarin::cli {

CLI::App* RunCommand::AddTo(CLI::App& app) {
    return app.add_subcommand("run", "Connect, then Auto download, unzip and update");
}

int RunCommand::Run(CliContext& context) {
    for (Command* step : {static_cast<Command*>(&m_download), static_cast<Command*>(&m_unzip),
                          static_cast<Command*>(&m_update)}) {
        // A later stage would move its marker past the day that is missing,
        // and its Auto runs would then never pick that day up.
        if (const int code = step->Run(context)) {
            context.streams.err << "The run ends here; the next run goes on from this stage.\n";
            return code;
        }
        // Ctrl+C pauses the whole run, not just the stage it arrived in.
        if (StopRequested)
            return 0;
    }
    return 0;
}

} // namespace kelvarin::cli
