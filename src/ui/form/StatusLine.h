#pragma once

#include "net/StatusWindow.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class QLabel;

// The form's status line. Nothing repaints it while a stage holds the event
// loop, so every text is painted by the line itself. A stage's own texts say
// where the run stands and come a few per item: each is painted at once. A
// transfer's texts come in bursts and are thinned to one paint per 33 ms; a
// text held back is painted once that time has passed and the event loop runs
// (the stage's pump), unless a newer text has replaced it by then.
class StatusLine : public kelvarin::StatusWindow {
public:
    explicit StatusLine(QLabel& label);

    void SetText(std::string_view text) override;
    // Where a transfer writes its running texts.
    kelvarin::StatusWindow& Thinned() { return m_thinned; }

private:
    class ThinnedTexts : public kelvarin::StatusWindow {
    public:
        explicit ThinnedTexts(StatusLine& line) : m_line(line) {}
        void SetText(std::string_view text) override { m_line.SetThinnedText(text); }

    private:
        StatusLine& m_line;
    };

    void SetThinnedText(std::string_view text);
    void Paint(QString text);

    QLabel& m_label;
    ThinnedTexts m_thinned{*this};
    QElapsedTimer m_sincePaint;
    QTimer m_heldBackTimer;
    QString m_heldBack;
};
