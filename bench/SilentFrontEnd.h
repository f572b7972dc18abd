#pragma once

#include "pipeline/FrontEnd.h"

namespace kelvarin::bench {

// A front end that shows nothing and answers every question with its first
// button, so a benchmark times the stage and not a display. It remembers the
// last status text and the messages, which the benchmark prints.
class SilentFrontEnd : public FrontEnd {
public:
    StatusWindow& StatusLine() override { return m_status; }
    void SetProgressRange(int, int) override {}
    void SetProgress(int) override {}
    MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons) override {
        m_messages += text + "\n";
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void PumpOneMessage() override {}
    void ShowCause(const std::string& text) override { m_messages += text + "\n"; }

    const std::string& LastStatus() const { return m_status.last; }
    const std::string& Messages() const { return m_messages; }

private:
    struct LastText : StatusWindow {
        void SetText(std::string_view text) override { last = text; }
        std::string last;
    };
    LastText m_status;
    std::string m_messages;
};

} // namespace kelvarin::bench
