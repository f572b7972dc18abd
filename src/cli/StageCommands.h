#pragma once

#include "cli/Command.h"

#include <string>
#include <vector>

namespace kelvarin::cli {

// Reads the exchange's index; prints the final status line, then the remote
// items one per line in list order.
class ConnectCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;
};

// Connect, then Download: the new archives (Auto), or the named remote items.
class DownloadCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_items;
};

// Extracts the daily price files of the new archives (Auto), or of the named ones.
class UnzipCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_names;
};

// Appends the new daily price files (Auto), or the named ones, to the stock
// history files.
class UpdateCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::vector<std::string> m_names;
    bool m_yes = false;
};

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
