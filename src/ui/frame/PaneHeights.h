#pragma once

namespace kelvarin::gui {

// The heights the main window's two panes start with, for a window `frameHeight`
// pixels high: the start page gets 7 % but never more than 100 pixels, the
// control form the rest but never less than 200.
struct PaneHeights {
    int top;
    int bottom;
};

PaneHeights SplitPaneHeights(int frameHeight);

} // namespace kelvarin::gui
