#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace kelvarin::cli {

// Draws the running status text and a progress bar on one terminal line,
// overwritten in place. A transfer reports every chunk, so repaints are
// coalesced to about 30 a second; whatever was held back is drawn before the
// line is finished, so the last text on screen is always the true one.
class ProgressPainter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    ProgressPainter(std::ostream& out, int width, Clock clock = std::chrono::steady_clock::now);

    void SetText(std::string_view text);
    void SetRange(int lower, int upper);
    void SetPosition(int position);
    // Draws what was held back and ends the line, so the next output starts on
    // a line of its own.
    void Finish();

private:
    void Changed();
    void Draw(std::chrono::steady_clock::time_point now);
    int Percent() const;

    std::ostream& m_out;
    int m_width;
    Clock m_clock;
    std::string m_text;
    int m_lower = 0;
    int m_upper = 100;
    int m_position = 0;
    std::optional<std::chrono::steady_clock::time_point> m_lastDraw;
    bool m_pending = false;
    bool m_lineOpen = false;
};

} // namespace kelvarin::cli
