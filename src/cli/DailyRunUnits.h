#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvarin::cli {

// One daily run per user: a second schedule replaces the first.
inline constexpr std::string_view DailyRunService = "kelvarin-daily.service";
inline constexpr std::string_view DailyRunTimer = "kelvarin-daily.timer";

struct ClockTime {
    int hour = 0;
    int minute = 0;
};

// "H:MM" or "HH:MM", from 00:00 to 23:59; nothing else.
std::optional<ClockTime> ParseClockTime(std::string_view text);
// "HH:MM".
std::string ClockText(ClockTime time);

// The command a daily run starts, the variables it needs set, and when.
struct DailyRun {
    std::string program;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment;
    ClockTime at;
};

// Why systemd could not start `program` from a unit, or nothing: a unit can
// name no program whose path holds a quote, a backslash or a control character.
std::optional<std::string> UnitProgramProblem(const std::string& program);

// The oneshot service that runs the command, and the timer that starts it
// every day at the time, and at the next start after a missed one.
std::string ServiceUnitText(const DailyRun& run);
std::string TimerUnitText(const DailyRun& run);

// The same run as a line of a crontab, for a user without a systemd session.
std::string CrontabLine(const DailyRun& run);

// The value of the first `key=` line of a unit file's text, or nothing.
std::optional<std::string> UnitSetting(std::string_view unitText, std::string_view key);

} // namespace kelvarin::cli
