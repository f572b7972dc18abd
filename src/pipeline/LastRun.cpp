#include "pipeline/LastRun.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"

#include <charconv>

namespace kelvarin {

namespace {

constexpr std::string_view StartedKey = "started";
constexpr std::string_view FinishedKey = "finished";
constexpr std::string_view OutcomeKey = "outcome";
constexpr std::string_view ExitKey = "exit";

std::string PathIn(const WorkingFolders& folders) {
    return folders.BaseFolder + std::string(LastRun::FileName);
}

} // namespace

std::optional<LastRun> LastRun::Read(const WorkingFolders& folders) {
    WholeFile file;
    if (!file.Read(PathIn(folders)))
        return std::nullopt;
    LastRun run;
    std::string_view text = file.View();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        const std::string value(line.substr(equals + 1));
        if (key == StartedKey)
            run.started = value;
        else if (key == FinishedKey)
            run.finished = value;
        else if (key == OutcomeKey)
            run.outcome = value;
        else if (key == ExitKey)
            std::from_chars(value.data(), value.data() + value.size(), run.exitStatus);
        else
            run.steps.emplace_back(key, value);
    }
    return run;
}

bool LastRun::Write(const WorkingFolders& folders, std::string* error) const {
    std::string text;
    const auto put = [&text](std::string_view key, std::string_view value) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    };
    put(StartedKey, started);
    put(FinishedKey, finished);
    put(OutcomeKey, outcome);
    put(ExitKey, std::to_string(exitStatus));
    for (const auto& [step, result] : steps)
        put(step, result);
    return WriteFileAtomically(PathIn(folders), text, error);
}

} // namespace kelvarin
