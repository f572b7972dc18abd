#include "pipeline/StageRun.h"

#include <algorithm>

namespace kelvarin {

namespace {

// More lines than this would push the box off the screen.
constexpr std::size_t ShownLines = 10;

} // namespace

StageWalk::StageWalk(const StageList& list, bool autoMode, int skippedRows)
    : m_list(list), m_autoMode(autoMode), m_rows(list.Count()), m_row(skippedRows - 1) {}

int StageWalk::Next() {
    m_row = m_autoMode ? m_row + 1 : m_list.NextSelected(m_row);
    if (m_row < 0 || m_row >= m_rows) {
        m_row = m_rows;
        return -1;
    }
    return m_row;
}

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
