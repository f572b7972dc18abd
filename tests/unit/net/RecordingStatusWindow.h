#pragma once

#include "net/StatusWindow.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin::test {

// Keeps every text it was given, in order.
class RecordingStatusWindow : public StatusWindow {
public:
    void SetText(std::string_view text) override { texts.emplace_back(text); }

    std::vector<std::string> texts;
};

} // namespace kelvarin::test
