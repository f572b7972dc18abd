#pragma once

#include "net/StatusWindow.h"
#include "pipeline/FrontEnd.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>

class QLabel;
class QProgressBar;

namespace kelvarin::gui {

class MessageBoxes;

// The form's status line, a label that paints itself: nothing else repaints
// it while a stage holds the event loop. A stage's own texts say
// where the run stands and come a few per item: each is painted at once. A
// transfer's texts come in bursts and are thinned to one paint per 33 ms; a
// text held back is painted once that time has passed and the event loop runs
// (the stage's pump), unless a newer text has replaced it by then.
class StatusLabel : public StatusWindow {
public:
    explicit StatusLabel(QLabel& label);

    void SetText(std::string_view text) override;
    // Where a transfer writes its running texts.
    StatusWindow& Thinned() { return m_thinned; }

private:
    class ThinnedTexts : public StatusWindow {
    public:
        explicit ThinnedTexts(StatusLabel& label) : m_label(label) {}
        void SetText(std::string_view text) override { m_label.SetThinnedText(text); }

    private:
        StatusLabel& m_label;
    };

    void SetThinnedText(std::string_view text);
    void Paint(QString text);

    QLabel& m_label;
    ThinnedTexts m_thinned{*this};
    QElapsedTimer m_sincePaint;
    QTimer m_heldBackTimer;
    QString m_heldBack;
};

// The control form as the stages' front end.
class FormFrontEnd : public FrontEnd {
public:
    using CauseHandler = std::function<void(const std::string& text)>;

    // `showCause` puts a failed stage's cause where it outlasts the status line.
    FormFrontEnd(QLabel& statusLabel, QProgressBar& progress, MessageBoxes& messages,
                 CauseHandler showCause);

    StatusWindow& StatusLine() override { return m_statusLabel; }
    StatusWindow& TransferStatus() override { return m_statusLabel.Thinned(); }
    void SetProgressRange(int lower, int upper) override;
    void SetProgress(int position) override;
    MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons) override;
    void PumpOneMessage() override;
    void ShowCause(const std::string& text) override { m_showCause(text); }
    std::string HowToLetGo(const std::string& item) override;

private:
    StatusLabel m_statusLabel;
    QProgressBar& m_progress;
    MessageBoxes& m_messages;
    CauseHandler m_showCause;
};

} // namespace kelvarin::gui
