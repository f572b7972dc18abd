#pragma once

#include "cli/ProgressPainter.h"
#include "pipeline/FrontEnd.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

namespace kelvarin::cli {

// Where a command reads its answers and writes its output. The program hands
// in the standard streams, the tests string streams.
struct CliStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Questions are asked only when someone can answer them.
    bool inputIsTerminal = false;
    // Progress is drawn only where a person watches it; in a log file its
    // repaints would be noise.
    bool errIsTerminal = false;
    int terminalWidth = 80;
};

// The stages' front end on a terminal or in a script: the status line is
// remembered so its final text can be printed once the stage returns, message
// texts go to stderr, and questions are answered on a terminal only.
class CliFrontEnd : public FrontEnd, private StatusWindow {
public:
    explicit CliFrontEnd(const CliStreams& streams);

    StatusWindow& StatusLine() override { return *this; }
    void SetProgressRange(int lower, int upper) override;
    void SetProgress(int position) override;
    MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons) override;
    // Ctrl+C reaches the stages through the signal handler, which sets the stop
    // request by itself; there is no queue to take anything from.
    void PumpOneMessage() override {}
    void ShowCause(const std::string& text) override;
    std::string HowToLetGo(const std::string& item) override;

    // The command that works on the same library as this run, less its
    // subcommand ("kelvarin-cli --base DIR"), for the commands the messages
    // suggest.
    void SetCommandPrefix(std::string prefix) { m_commandPrefix = std::move(prefix); }

    // With --yes every question is answered Yes (or OK) without asking.
    void SetAssumeYes(bool assumeYes) { m_assumeYes = assumeYes; }

    void BeginStage();
    // The last text the stage put on its status line, if it set any.
    std::optional<std::string> EndStage();

private:
    void SetText(std::string_view text) override;
    MessageAnswer Ask(MessageButtons buttons);

    CliStreams m_streams;
    std::optional<ProgressPainter> m_progress;
    std::optional<std::string> m_status;
    bool m_assumeYes = false;
    std::string m_commandPrefix = "kelvarin-cli";
};

} // namespace kelvarin::cli
