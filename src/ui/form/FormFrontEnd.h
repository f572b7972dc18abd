#pragma once

#include "pipeline/FrontEnd.h"
#include "ui/form/StatusLine.h"

class MessageBoxes;
class QLabel;
class QProgressBar;

// The control form as the stages' front end.
class FormFrontEnd : public kelvarin::FrontEnd {
public:
    FormFrontEnd(QLabel& statusLabel, QProgressBar& progress, MessageBoxes& messages);

    kelvarin::StatusWindow& StatusLine() override { return m_statusLine; }
    kelvarin::StatusWindow& TransferStatus() override { return m_statusLine.Thinned(); }
    void SetProgressRange(int lower, int upper) override;
    void SetProgress(int position) override;
    kelvarin::MessageAnswer ShowMessage(const std::string& text,
                                        kelvarin::MessageButtons buttons) override;
    void PumpOneMessage() override;

private:
    ::StatusLine m_statusLine;
    QProgressBar& m_progress;
    MessageBoxes& m_messages;
};
