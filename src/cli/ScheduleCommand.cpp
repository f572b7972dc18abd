#include "cli/ScheduleCommand.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "app/WorkingFolders.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <ostream>
#include <unistd.h>

namespace kelvarin::cli {

namespace {

constexpr const char* InstallHint = "kelvarin-cli schedule --at HH:MM installs one";

// The service runs in the user's home folder, so relative paths are pinned
// to the folder this command was given them in.
std::string Absolute(const std::string& path) {
    return path.starts_with('/') ? path : CurrentDirectory() + "/" + path;
}

DailyRun RunOf(const CliContext& context, const std::string& program, ClockTime at) {
    DailyRun run{
        program, {"--base", context.folders.BaseFolder, "--server", context.stage.server}, {}, at};
    // The service does not see this shell's variables, so the authorities
    // they name are passed on by hand.
    const CertificateTrust& trust = context.stage.transfer.trust;
    if (!trust.caFile.empty())
        run.arguments.insert(run.arguments.end(), {"--cacert", Absolute(trust.caFile)});
    if (!trust.caFolder.empty())
        run.environment.emplace_back("SSL_CERT_DIR", Absolute(trust.caFolder));
    if (const auto wait = context.frontEnd.FolderWait(); wait.count() > 0)
        run.arguments.insert(run.arguments.end(), {"--wait", std::to_string(wait.count())});
    run.arguments.emplace_back("run");
    return run;
}

std::optional<std::string> ReadText(const std::string& path) {
    WholeFile file;
    if (!file.Read(path))
        return std::nullopt;
    return std::string(file.View());
}

// "HH:MM" for the timer this command writes, the calendar as it stands for
// one the user has edited.
std::string DailyTimeOf(const std::string& calendar) {
    constexpr std::string_view Daily = "*-*-* ";
    constexpr std::string_view FullMinute = ":00";
    if (calendar.starts_with(Daily) && calendar.ends_with(FullMinute)) {
        const std::string_view time = std::string_view(calendar).substr(
            Daily.size(), calendar.size() - Daily.size() - FullMinute.size());
        if (const std::optional<ClockTime> at = ParseClockTime(time))
            return ClockText(*at);
    }
    return calendar;
}

// systemctl show leaves out, or shows as "n/a", a time that does not apply.
bool IsUnset(const std::string& value) {
    return value.empty() || value == "n/a";
}

std::map<std::string, std::string> Properties(const std::string& showOutput) {
    std::map<std::string, std::string> properties;
    std::string_view rest = showOutput;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        if (const std::size_t equals = line.find('='); equals != std::string_view::npos)
            properties.emplace(line.substr(0, equals), line.substr(equals + 1));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return properties;
}

bool RemoveIfThere(const std::string& path, std::ostream& err) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    err << CannotMessage("remove", path, errno) << '\n';
    return false;
}

} // namespace

CLI::App* ScheduleCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "schedule", "Show the daily run; with --at, have run started every day at that time with "
                    "these global options (a systemd user timer, else a crontab line); with --off, "
                    "remove it");
    const CLI::Validator clockTime(
        [](std::string& text) -> std::string {
            return ParseClockTime(text) ? ""
                                        : text + " is not a time of day from 00:00 to 23:59 "
                                                 "(HH:MM)";
        },
        "");
    CLI::Option* at = command->add_option("--at", m_at, "Time of day of the daily run")
                          ->type_name("HH:MM")
                          ->check(clockTime);
    command->add_flag("--off", m_off, "Stop and remove the daily run")->excludes(at);
    return command;
}

int ScheduleCommand::Run(CliContext& context) {
    if (m_off)
        return Remove(context);
    if (const std::optional<ClockTime> at = ParseClockTime(m_at))
        return Install(context, *at);
    return Show(context);
}

int ScheduleCommand::Install(CliContext& context, ClockTime at) {
    std::ostream& err = context.streams.err;
    if (const std::optional<std::string> problem = UnitProgramProblem(m_setup.program)) {
        err << "No daily run installed: " << *problem << ".\n";
        return ExitFailure;
    }
    const DailyRun run = RunOf(context, m_setup.program, at);
    if (const std::optional<std::string> cause = NoSession()) {
        err << "No systemd user session (" << *cause << "), so no timer is installed. To run at "
            << ClockText(at) << " every day from cron instead, add this line with crontab -e:\n";
        context.streams.out << CrontabLine(run) << '\n';
        return ExitFailure;
    }
    std::error_code code;
    std::filesystem::create_directories(m_setup.unitFolder, code);
    if (code) {
        err << CannotMessage("create", m_setup.unitFolder, code.message()) << '\n';
        return ExitFailure;
    }
    std::string error;
    if (!WriteFileAtomically(UnitPath(DailyRunService), ServiceUnitText(run), &error) ||
        !WriteFileAtomically(UnitPath(DailyRunTimer), TimerUnitText(run), &error)) {
        err << error << '\n';
        return ExitFailure;
    }
    // A restart, not a start: a timer already running would keep its old time.
    const std::string timer(DailyRunTimer);
    if (!Systemctl({"daemon-reload"}, err) || !Systemctl({"enable", timer}, err) ||
        !Systemctl({"restart", timer}, err)) {
        err << "The units are in " << m_setup.unitFolder
            << "; kelvarin-cli schedule --off removes them.\n";
        return ExitFailure;
    }
    return Show(context);
}

int ScheduleCommand::Remove(CliContext& context) {
    std::ostream& out = context.streams.out;
    std::ostream& err = context.streams.err;
    const std::optional<std::string> noSession = NoSession();
    const auto there = [](const std::string& path) {
        std::error_code ignored;
        return std::filesystem::symlink_status(path, ignored).type() !=
               std::filesystem::file_type::not_found;
    };
    const std::string timerPath = UnitPath(DailyRunTimer);
    if (!there(timerPath) && !there(UnitPath(DailyRunService)) && !there(WantsLinkPath())) {
        out << "No daily run is installed.\n";
    } else {
        // A run under way is left to finish; only the timer is stopped.
        if (!noSession && there(timerPath) &&
            !Systemctl({"disable", "--now", std::string(DailyRunTimer)}, err))
            return ExitFailure;
        // Without a session there is no manager to disable the timer, so its
        // link in timers.target.wants goes by hand.
        if (!RemoveIfThere(WantsLinkPath(), err) || !RemoveIfThere(timerPath, err) ||
            !RemoveIfThere(UnitPath(DailyRunService), err))
            return ExitFailure;
        if (!noSession && !Systemctl({"daemon-reload"}, err))
            return ExitFailure;
        out << "The daily run is removed.\n";
    }
    if (noSession)
        out << "A crontab line you added for it stays; crontab -e removes it.\n";
    return 0;
}

int ScheduleCommand::Show(CliContext& context) {
    std::ostream& out = context.streams.out;
    const std::optional<std::string> timer = ReadText(UnitPath(DailyRunTimer));
    const std::optional<std::string> service = ReadText(UnitPath(DailyRunService));
    if (!timer || !service) {
        out << "No daily run is installed; " << InstallHint << ".\n";
        return 0;
    }
    const std::optional<std::string> calendar = UnitSetting(*timer, "OnCalendar");
    out << "Daily run at " << DailyTimeOf(calendar.value_or("?")) << ": "
        << UnitSetting(*service, "ExecStart").value_or("?") << '\n'
        << "Units: " << UnitPath(DailyRunTimer) << ", " << UnitPath(DailyRunService) << '\n';
    if (const std::optional<std::string> cause = NoSession()) {
        out << "Next run: unknown, no systemd user session (" << *cause << ")\n";
        return 0;
    }
    const SystemctlAnswer answer = m_setup.systemctl.Run(
        {"show", std::string(DailyRunTimer), "--property=UnitFileState", "--property=ActiveState",
         "--property=NextElapseUSecRealtime", "--property=LastTriggerUSec"});
    std::map<std::string, std::string> properties = Properties(answer.output);
    if (answer.exitCode != 0 || IsUnset(properties["NextElapseUSecRealtime"]))
        out << "Next run: none, the timer is " << properties["UnitFileState"] << " and "
            << properties["ActiveState"] << " (kelvarin-cli schedule --at HH:MM starts it)\n";
    else
        out << "Next run: " << properties["NextElapseUSecRealtime"] << '\n';
    const std::string& last = properties["LastTriggerUSec"];
    out << "Last run: " << (IsUnset(last) ? "never" : last) << " (journalctl --user -u "
        << DailyRunService << " shows its output)\n";
    return 0;
}

std::optional<std::string> ScheduleCommand::NoSession() {
    const SystemctlAnswer answer = m_setup.systemctl.Run({"show-environment"});
    if (answer.exitCode == 0)
        return std::nullopt;
    std::string cause = answer.output.substr(0, answer.output.find('\n'));
    if (cause.empty())
        cause = "systemctl --user ended with status " + std::to_string(answer.exitCode);
    return cause;
}

bool ScheduleCommand::Systemctl(const std::vector<std::string>& args, std::ostream& err) {
    const SystemctlAnswer answer = m_setup.systemctl.Run(args);
    if (answer.exitCode == 0)
        return true;
    err << "systemctl --user";
    for (const std::string& arg : args)
        err << ' ' << arg;
    err << " failed: " << answer.output;
    if (!answer.output.ends_with('\n'))
        err << '\n';
    return false;
}

std::string ScheduleCommand::UnitPath(std::string_view name) const {
    return m_setup.unitFolder + "/" + std::string(name);
}

std::string ScheduleCommand::WantsLinkPath() const {
    return m_setup.unitFolder + "/timers.target.wants/" + std::string(DailyRunTimer);
}

} // namespace kelvarin::cli
