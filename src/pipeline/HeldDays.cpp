#include "pipeline/HeldDays.h"

#include "pipeline/DailyArchiveNames.h"
#include "pipeline/FrontEnd.h"

namespace kelvarin {

void HeldDayUpdate::Failed(const std::string& item, const std::string& cause, bool dayFailed) {
    if (!m_firstFailure) {
        m_firstFailure = item;
        m_firstFailureHeld = dayFailed;
    }
    if (dayFailed)
        m_failed.push_back({item, {}, cause});
}

void HeldDayUpdate::Settled(const std::string& localName) {
    m_settled.push_back(localName);
}

bool HeldDayUpdate::Apply(const WorkingFolders& folders, std::string_view marker,
                          std::string* error) {
    const std::string path = HeldDays.PathIn(folders);
    m_held = DayList::Read(path);
    const DayList before = m_held;
    for (const std::string& localName : m_settled)
        m_held.Remove(localName);
    m_held.RemoveUpTo(marker);
    for (const DayRecord& failed : m_failed) {
        const DayRecord* known = m_held.Find(LocalName(failed.item));
        // The first failure is what the user needs: how long the days after
        // it have been waiting.
        std::string since = known ? known->since : LocalTimeNow();
        m_held.Put({failed.item, std::move(since), failed.cause});
    }
    if (m_held.Days() == before.Days())
        return true;
    return m_held.Write(path, HeldDays.heading, error);
}

std::string HeldDayUpdate::Advice(std::string_view marker, std::string_view initialMarker,
                                  FrontEnd& frontEnd) const {
    if (!m_firstFailure)
        return {};
    const std::string start = marker == initialMarker
                                  ? "the next Auto run starts again with the first item."
                                  : "the next Auto run starts after " + std::string(marker) + ".";
    const std::string& item = *m_firstFailure;
    if (!m_firstFailureHeld)
        return "The marker stays before " + item + ": " + start;
    std::string advice = "Later days wait for " + item;
    if (const DayRecord* held = m_held.Find(LocalName(item)))
        advice += ", which has failed since " + held->since;
    advice += ": " + start;
    const std::string letGo = frontEnd.HowToLetGo(item);
    if (!letGo.empty())
        advice += "\n" + letGo;
    return advice;
}

} // namespace kelvarin
