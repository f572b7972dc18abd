#include "pipeline/StageRun.h"

#include "pipeline/DailyArchiveNames.h"
#include "pipeline/Marker.h"
#include "pipeline/Stages.h"

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

DayBound::DayBound(RunScope scope, const WorkingFolders& folders, StageFolder input) {
    if (scope != RunScope::Unattended)
        return;
    const StageFolderFacts& facts = FactsOf(input);
    const std::string marker =
        ReadMarker(facts.FolderIn(folders) + std::string(facts.marker), facts.initialName);
    m_lastDate = std::string(TradingDateOf(marker).value_or(""));
}

bool DayBound::Admits(std::string_view name) const {
    if (!m_lastDate)
        return true;
    const std::optional<std::string_view> date = TradingDateOf(name);
    return date && *date <= *m_lastDate;
}

void FailureReport::Add(const std::string& where, const std::string& cause) {
    m_lines.push_back(where + ": " + cause);
}

void FailureReport::Show(FrontEnd& frontEnd, std::string_view heading,
                         std::string_view advice) const {
    if (m_lines.empty())
        return;
    std::string text(heading);
    const std::size_t shown = std::min(m_lines.size(), ShownLines);
    for (std::size_t line = 0; line < shown; ++line)
        text += "\n" + m_lines[line];
    if (m_lines.size() > shown)
        text += "\n... and " + std::to_string(m_lines.size() - shown) + " more";
    if (!advice.empty()) {
        text += "\n";
        text += advice;
    }
    frontEnd.ShowMessage(text, MessageButtons::Ok);
}

} // namespace kelvarin
