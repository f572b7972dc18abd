#pragma once

#include <string_view>

namespace kelvarin {

// Where a transfer shows its running texts: the control form's status line in
// the desktop program, stderr in the command-line program.
class StatusWindow {
public:
    virtual ~StatusWindow() = default;
    // Replaces the whole text and shows it at once (the caller is blocked in a
    // transfer, so nothing else would repaint it).
    virtual void SetText(std::string_view text) = 0;
};

} // namespace kelvarin
