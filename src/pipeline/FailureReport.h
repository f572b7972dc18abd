#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

class FrontEnd;

// What went wrong with the items of one stage run, each with the file or
// address it concerns and the cause, shown in one message at the end of the
// run so a long run is not held up by a box per item.
class FailureReport {
public:
    void Add(const std::string& where, const std::string& cause);
    bool Empty() const { return m_lines.empty(); }
    // Shows `heading` and the failures, the first few of a long list only.
    void Show(FrontEnd& frontEnd, std::string_view heading) const;

private:
    std::vector<std::string> m_lines;
};

} // namespace kelvarin
