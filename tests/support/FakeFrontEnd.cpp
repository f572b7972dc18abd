#include "support/FakeFrontEnd.h"

namespace kelvarin::test {

void FakeFrontEnd::SetProgressRange(int lower, int upper) {
    m_ranges.emplace_back(lower, upper);
}

void FakeFrontEnd::SetProgress(int position) {
    m_positions.push_back(position);
}

MessageAnswer FakeFrontEnd::ShowMessage(const std::string& text, MessageButtons buttons) {
    m_messages.push_back({text, buttons});
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (m_answers.empty())
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    const MessageAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void FakeFrontEnd::PumpOneMessage() {
    ++m_pumps;
    const auto action = m_pumpActions.find(m_pumps);
    if (action != m_pumpActions.end())
        action->second();
    if (m_everyPump)
        m_everyPump();
}

void FakeFrontEnd::OnPump(int pass, std::function<void()> action) {
    m_pumpActions[pass] = std::move(action);
}

} // namespace kelvarin::test
