#include "cli/ProgressPainter.h"

#include <algorithm>
#include <ostream>

namespace kelvarin::cli {

namespace {

constexpr auto RepaintInterval = std::chrono::milliseconds(33);
constexpr int BarCells = 20;
// "[" + cells + "] " + "100% "
constexpr int BarColumns = BarCells + 8;

} // namespace

ProgressPainter::ProgressPainter(std::ostream& out, int width, Clock clock)
    : m_out(out), m_width(width), m_clock(std::move(clock)) {}

void ProgressPainter::SetText(std::string_view text) {
    m_text = text;
    Changed();
}

void ProgressPainter::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    Changed();
}

void ProgressPainter::SetPosition(int position) {
    m_position = position;
    Changed();
}

void ProgressPainter::Finish() {
    if (m_pending)
        Draw(m_clock());
    if (m_lineOpen)
        m_out << '\n' << std::flush;
    m_lineOpen = false;
}

void ProgressPainter::Changed() {
    const auto now = m_clock();
    if (!m_lastDraw || now - *m_lastDraw >= RepaintInterval)
        Draw(now);
    else
        m_pending = true;
}

int ProgressPainter::Percent() const {
    if (m_upper <= m_lower)
        return 0;
    // The stages may set positions past the upper end; the bar shows them full.
    const long long percent = 100LL * (m_position - m_lower) / (m_upper - m_lower);
    return static_cast<int>(std::clamp<long long>(percent, 0, 100));
}

void ProgressPainter::Draw(std::chrono::steady_clock::time_point now) {
    const int percent = Percent();
    const int filled = percent * BarCells / 100;
    // A text wider than the terminal would wrap, and "\r" would then only
    // return to the start of its last row.
    const auto textRoom = static_cast<std::size_t>(std::max(0, m_width - BarColumns - 1));
    m_out << "\r[" << std::string(filled, '#') << std::string(BarCells - filled, '.') << "] ";
    m_out.width(3);
    m_out << percent << "% " << std::string_view(m_text).substr(0, textRoom) << "\033[K"
          << std::flush;
    m_lastDraw = now;
    m_pending = false;
    m_lineOpen = true;
}

} // namespace kelvarin::cli
