#pragma once

#include "app/WorkingFolders.h"
#include "pipeline/DayLists.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

class FrontEnd;

// What one Download run changes in the list of held days. Each day that
// failed by itself in an Auto run (the exchange refused it or sent no whole
// archive) is held, since its first failure; a day stored or passed is held
// no more, nor is any the marker has passed. A transfer that got no answer
// holds nothing: the fault is the connection's, not the day's. The list is
// bookkeeping for the user and for `status`: the marker alone decides what
// the next Auto run fetches.
class HeldDayUpdate {
public:
    // An item of an Auto run that was not fetched; `dayFailed` when the day
    // itself failed.
    void Failed(const std::string& item, const std::string& cause, bool dayFailed);
    void Settled(const std::string& localName);

    // Brings the list in the base folder up to date, `marker` being the
    // Download marker as the run left it. False, with `error` naming the file
    // and the cause, when the list cannot be written.
    bool Apply(const WorkingFolders& folders, std::string_view marker, std::string* error);

    // After an Auto run with failures: where the next Auto run starts and,
    // when the first failure was a held day, that the days after it wait for
    // it, since when, and how the program lets such a day go. Empty when
    // nothing failed.
    std::string Advice(std::string_view marker, std::string_view initialMarker,
                       FrontEnd& frontEnd) const;

private:
    std::optional<std::string> m_firstFailure;
    bool m_firstFailureHeld = false;
    std::vector<DayRecord> m_failed;
    std::vector<std::string> m_settled;
    DayList m_held;
};

} // namespace kelvarin
