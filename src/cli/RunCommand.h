#pragma once

#include "Command.h"
#include "DownloadCommand.h"
#include "UnzipCommand.h"
#include "UpdateCommand.h"

namespace kelvarin::cli {

// The whole pipeline unattended: Connect, then Auto Download, Unzip and Update,
// up to the first stage that fails or is paused.
class RunCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    DownloadCommand m_download;
    UnzipCommand m_unzip;
    UpdateCommand m_update;
};

} // namespace kelvarin::cli
