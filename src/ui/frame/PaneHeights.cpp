#include "ui/frame/PaneHeights.h"

#include <algorithm>

namespace kelvarin::gui {

PaneHeights SplitPaneHeights(int frameHeight) {
    const int bottom = std::min(frameHeight * 7 / 100, 100);
    const int top = std::max(frameHeight - bottom, 200);
    return {top, bottom};
}

} // namespace kelvarin::gui
