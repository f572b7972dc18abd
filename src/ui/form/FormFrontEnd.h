#pragma once

#include "pipeline/FrontEnd.h"
#include "ui/form/StatusLine.h"

#include <functional>

class MessageBoxes;
class QLabel;
class QProgressBar;

// The control form as the stages' front end.
class FormFrontEnd : public kelvarin::FrontEnd {
public:
    using CauseHandler = std::function<void(const std::string& text)>;

    // `showCause` puts a failed stage's cause where it outlasts the status line.
    FormFrontEnd(QLabel& statusLabel, QProgressBar& progress, MessageBoxes& messages,
                 CauseHandler showCause);

    kelvarin::StatusWindow& StatusLine() override { return m_statusLine; }
    kelvarin::StatusWindow& TransferStatus() override { return m_statusLine.Thinned(); }
    void SetProgressRange(int lower, int upper) override;
    void SetProgress(int position) override;
    kelvarin::MessageAnswer ShowMessage(const std::string& text,
                                        kelvarin::MessageButtons buttons) override;
    void PumpOneMessage() override;
    void ShowCause(const std::string& text) override { m_showCause(text); }

private:
    ::StatusLine m_statusLine;
    QProgressBar& m_progress;
    MessageBoxes& m_messages;
    CauseHandler m_showCause;
};
