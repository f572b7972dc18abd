#pragma once

#include "app/WorkingFolders.h"
#include "pipeline/DayLists.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

class FrontEnd;

// What one Download run changes in the list of held days. Each item that
// failed in an Auto run is held, since its first failure; an item stored or
// passed is held no more, nor is any the marker has passed. The list is
// bookkeeping for the user and for `status`: the marker alone decides what
// the next Auto run fetches.
class HeldDayUpdate {
public:
    void Failed(const std::string& item, const std::string& cause);
    void Settled(const std::string& localName);

    // Brings the list in the base folder up to date, `marker` being the
    // Download marker as the run left it. False, with `error` naming the file
    // and the cause, when the list cannot be written.
    bool Apply(const WorkingFolders& folders, std::string_view marker, std::string* error);

    // After an Auto run with failures: that the days after the first failed
    // one wait for it, since when it fails, where the next Auto run starts,
    // and how the program lets such a day go. Empty when nothing failed.
    std::string Advice(std::string_view marker, std::string_view initialMarker,
                       FrontEnd& frontEnd) const;

private:
    std::vector<DayRecord> m_failed;
    std::vector<std::string> m_settled;
    DayList m_held;
};

} // namespace kelvarin
