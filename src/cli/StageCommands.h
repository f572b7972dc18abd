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
    explicit DownloadCommand(RunScope scope = RunScope::SingleStage) : m_scope(scope) {}
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    RunScope m_scope;
    std::vector<std::string> m_items;
};

// Extracts the daily price files of the new archives (Auto), or of the named ones.
class UnzipCommand : public Command {
public:
    explicit UnzipCommand(RunScope scope = RunScope::SingleStage) : m_scope(scope) {}
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    RunScope m_scope;
    std::vector<std::string> m_names;
};

// Appends the new daily price files (Auto), or the named ones, to the stock
// history files.
class UpdateCommand : public Command {
public:
    explicit UpdateCommand(RunScope scope = RunScope::SingleStage) : m_scope(scope) {}
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    RunScope m_scope;
    std::vector<std::string> m_names;
    bool m_yes = false;
};

// The whole pipeline unattended: Connect, then Auto Download, Unzip and Update.
// A failed stage does not end the run: the stages after it take only the days
// the stages before them completed. Pause ends it.
class RunCommand : public Command {
public:
    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    DownloadCommand m_download{RunScope::Unattended};
    UnzipCommand m_unzip{RunScope::Unattended};
    UpdateCommand m_update{RunScope::Unattended};
};

} // namespace kelvarin::cli
