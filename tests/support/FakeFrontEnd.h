#pragma once

#include "pipeline/FrontEnd.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kelvarin::test {

// Keeps every status text it is shown, in order: a transfer's own texts, or
// all a stage shows through its front end.
class RecordingStatusWindow : public StatusWindow {
public:
    void SetText(std::string_view text) override { m_texts.emplace_back(text); }
    const std::vector<std::string>& Texts() const { return m_texts; }
    // The text shown last, empty when none was.
    std::string Last() const { return m_texts.empty() ? std::string() : m_texts.back(); }
    void Clear() { m_texts.clear(); }

private:
    std::vector<std::string> m_texts;
};

// A front end for tests: it records what a stage shows, answers questions
// from a queue and runs an action on a chosen pump, as a click dispatched by
// the desktop program's pump would.
class FakeFrontEnd : public FrontEnd {
public:
    struct Message {
        std::string text;
        MessageButtons buttons;
    };

    StatusWindow& StatusLine() override { return m_status; }
    void SetProgressRange(int lower, int upper) override;
    void SetProgress(int position) override;
    MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons) override;
    void PumpOneMessage() override;
    void ShowCause(const std::string& text) override { m_causes.push_back(text); }

    // Answers the next questions in order; with none left, a question gets
    // Cancel or No and an OK box gets OK.
    void QueueAnswer(MessageAnswer answer) { m_answers.push_back(answer); }
    // Runs `action` inside the `pass`-th pump of the stage (counted from 1).
    void OnPump(int pass, std::function<void()> action);
    // Runs `action` inside every pump, after any action of that pass.
    void OnEveryPump(std::function<void()> action) { m_everyPump = std::move(action); }

    const std::vector<std::string>& StatusTexts() const { return m_status.Texts(); }
    std::string LastStatus() const { return m_status.Last(); }
    const std::vector<int>& Positions() const { return m_positions; }
    const std::vector<std::pair<int, int>>& Ranges() const { return m_ranges; }
    const std::vector<Message>& Messages() const { return m_messages; }
    const std::vector<std::string>& Causes() const { return m_causes; }
    int Pumps() const { return m_pumps; }

private:
    RecordingStatusWindow m_status;
    std::vector<int> m_positions;
    std::vector<std::pair<int, int>> m_ranges;
    std::vector<Message> m_messages;
    std::deque<MessageAnswer> m_answers;
    std::map<int, std::function<void()>> m_pumpActions;
    std::function<void()> m_everyPump;
    std::vector<std::string> m_causes;
    int m_pumps = 0;
};

} // namespace kelvarin::test
