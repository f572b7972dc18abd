#include "pipeline/FailureReport.h"

#include "pipeline/FrontEnd.h"

#include <algorithm>

namespace kelvarin {

namespace {

// More lines than this would push the box off the screen.
constexpr std::size_t ShownLines = 10;

} // namespace

void FailureReport::Add(const std::string& where, const std::string& cause) {
    m_lines.push_back(where + ": " + cause);
}

void FailureReport::Show(FrontEnd& frontEnd, std::string_view heading) const {
    if (m_lines.empty())
        return;
    std::string text(heading);
    const std::size_t shown = std::min(m_lines.size(), ShownLines);
    for (std::size_t line = 0; line < shown; ++line)
        text += "\n" + m_lines[line];
    if (m_lines.size() > shown)
        text += "\n... and " + std::to_string(m_lines.size() - shown) + " more";
    frontEnd.ShowMessage(text, MessageButtons::Ok);
}

} // namespace kelvarin
