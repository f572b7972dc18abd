#include "cli/DailyRunUnits.h"

#include <algorithm>
#include <cstdio>

namespace kelvarin::cli {

namespace {

constexpr std::string_view WrittenBy =
    "# Written by kelvarin-cli schedule; \"kelvarin-cli schedule --off\" removes it.\n";

bool IsDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int NumberOf(std::string_view digits) {
    int number = 0;
    for (const char digit : digits)
        number = number * 10 + (digit - '0');
    return number;
}

// Words that mean the same to systemd and to the shell as they stand.
bool IsPlain(std::string_view word) {
    constexpr std::string_view Punctuation = "_-./:,+=@";
    return !word.empty() && std::all_of(word.begin(), word.end(), [&](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               Punctuation.find(c) != std::string_view::npos;
    });
}

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7f;
}

// A word as systemd reads it back. "%" starts a specifier everywhere, and "$"
// a variable in a command's arguments (not in its program, nor in an
// Environment= line), so those are doubled where they would be expanded.
std::string UnitWord(std::string_view word, bool expandsVariables) {
    if (IsPlain(word))
        return std::string(word);
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '%' || (c == '$' && expandsVariables)) {
            quoted += c;
            quoted += c;
        } else if (IsControl(static_cast<unsigned char>(c))) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string ShellWord(std::string_view word) {
    if (IsPlain(word))
        return std::string(word);
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + '\'';
}

} // namespace

std::optional<ClockTime> ParseClockTime(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon < 1 || colon > 2 || text.size() != colon + 3)
        return std::nullopt;
    const std::string_view hour = text.substr(0, colon);
    const std::string_view minute = text.substr(colon + 1);
    if (!IsDigits(hour) || !IsDigits(minute))
        return std::nullopt;
    const ClockTime time{NumberOf(hour), NumberOf(minute)};
    if (time.hour > 23 || time.minute > 59)
        return std::nullopt;
    return time;
}

std::string ClockText(ClockTime time) {
    char text[6];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

std::optional<std::string> UnitProgramProblem(const std::string& program) {
    if (!program.starts_with('/'))
        return "cannot tell where kelvarin-cli is installed";
    const bool unsafe = std::any_of(program.begin(), program.end(), [](char c) {
        return c == '"' || c == '\'' || c == '\\' || IsControl(static_cast<unsigned char>(c));
    });
    if (unsafe)
        return "systemd cannot start " + program +
               ", as its path holds a quote, a backslash or a control character";
    return std::nullopt;
}

std::string ServiceUnitText(const DailyRun& run) {
    std::string text(WrittenBy);
    text += "[Unit]\nDescription=Kelvarin Downloader daily run\n\n[Service]\nType=oneshot\n";
    for (const auto& [name, value] : run.environment)
        text += "Environment=" + UnitWord(name + "=" + value, false) + "\n";
    text += "ExecStart=" + UnitWord(run.program, false);
    for (const std::string& argument : run.arguments)
        text += " " + UnitWord(argument, true);
    return text + "\n";
}

std::string TimerUnitText(const DailyRun& run) {
    const std::string at = ClockText(run.at);
    std::string text(WrittenBy);
    text += "[Unit]\nDescription=Kelvarin Downloader daily run at " + at + "\n\n";
    text += "[Timer]\nOnCalendar=*-*-* " + at + ":00\nPersistent=true\n\n";
    text += "[Install]\nWantedBy=timers.target\n";
    return text;
}

std::string CrontabLine(const DailyRun& run) {
    std::string command;
    for (const auto& [name, value] : run.environment)
        command += name + "=" + ShellWord(value) + " ";
    command += ShellWord(run.program);
    for (const std::string& argument : run.arguments)
        command += " " + ShellWord(argument);
    // cron turns a bare "%" into a new line.
    std::string line =
        std::to_string(run.at.minute) + " " + std::to_string(run.at.hour) + " * * * ";
    for (const char c : command) {
        if (c == '%')
            line += '\\';
        line += c;
    }
    return line;
}

std::optional<std::string> UnitSetting(std::string_view unitText, std::string_view key) {
    while (!unitText.empty()) {
        const std::size_t end = std::min(unitText.find('\n'), unitText.size());
        const std::string_view line = unitText.substr(0, end);
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
        unitText.remove_prefix(std::min(end + 1, unitText.size()));
    }
    return std::nullopt;
}

} // namespace kelvarin::cli
