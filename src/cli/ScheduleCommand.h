#pragma once

#include "cli/Command.h"
#include "cli/DailyRunUnits.h"
#include "cli/UserSystemctl.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin::cli {

// What schedule needs of the machine: this program's own file, which the
// units name; the folder of the user's own units; the user's service manager.
struct ScheduleSetup {
    std::string program;
    std::string unitFolder;
    UserSystemctl& systemctl;
};

// Installs, shows or removes the user's systemd timer that starts `run` every
// day with this invocation's base folder, server, certificate authorities and
// --wait. Without a systemd session it writes nothing and prints the crontab
// line that does the same instead.
class ScheduleCommand : public Command {
public:
    explicit ScheduleCommand(const ScheduleSetup& setup) : m_setup(setup) {}

    CLI::App* AddTo(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    int Install(CliContext& context, ClockTime at);
    int Remove(CliContext& context);
    int Show(CliContext& context);
    // Why systemctl --user cannot reach a service manager, or nothing.
    std::optional<std::string> NoSession();
    // Runs systemctl; a failure is reported on `err` with its cause.
    bool Systemctl(const std::vector<std::string>& args, std::ostream& err);
    std::string UnitPath(std::string_view name) const;
    std::string WantsLinkPath() const;

    ScheduleSetup m_setup;
    std::string m_at;
    bool m_off = false;
};

} // namespace kelvarin::cli
