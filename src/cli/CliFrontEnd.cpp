#include "cli/CliFrontEnd.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace kelvarin::cli {

namespace {

bool IsAgreement(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" || answer == "ok";
}

} // namespace

CliFrontEnd::CliFrontEnd(const CliStreams& streams) : m_streams(streams) {
    if (m_streams.errIsTerminal)
        m_progress.emplace(m_streams.err, m_streams.terminalWidth);
}

void CliFrontEnd::SetProgressRange(int lower, int upper) {
    if (m_progress)
        m_progress->SetRange(lower, upper);
}

void CliFrontEnd::SetProgress(int position) {
    if (m_progress)
        m_progress->SetPosition(position);
}

void CliFrontEnd::SetText(std::string_view text) {
    m_status = std::string(text);
    if (m_progress)
        m_progress->SetText(text);
}

MessageAnswer CliFrontEnd::ShowMessage(const std::string& text, MessageButtons buttons) {
    ShowCause(text);
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return Ask(buttons);
}

void CliFrontEnd::ShowCause(const std::string& text) {
    if (m_progress)
        m_progress->Finish();
    m_streams.err << text << '\n' << std::flush;
}

std::string CliFrontEnd::HowToLetGo(const std::string& item) {
    return "If " + item + " will never come, let it go with: " + m_commandPrefix + " skip " + item;
}

MessageAnswer CliFrontEnd::Ask(MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    const MessageAnswer agree = yesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    const MessageAnswer refuse = yesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    if (m_assumeYes)
        return agree;
    if (!m_streams.inputIsTerminal) {
        m_streams.err << "No terminal to ask on: answered " << (yesNo ? "No" : "Cancel")
                      << " (use --yes to agree).\n"
                      << std::flush;
        return refuse;
    }
    m_streams.err << (yesNo ? "Yes or No? [y/N] " : "OK or Cancel? [y/N] ") << std::flush;
    std::string answer;
    if (!std::getline(m_streams.in, answer))
        return refuse;
    return IsAgreement(answer) ? agree : refuse;
}

void CliFrontEnd::BeginStage() {
    m_status.reset();
}

std::optional<std::string> CliFrontEnd::EndStage() {
    if (m_progress)
        m_progress->Finish();
    return m_status;
}

} // namespace kelvarin::cli
