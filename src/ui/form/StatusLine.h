#pragma once

#include "net/StatusWindow.h"

#include <QElapsedTimer>

class QLabel;

// The form's status line. A transfer sets texts while it blocks the event
// loop, so each text is painted at once; a burst of texts is thinned to about
// 30 paints a second, and a text set between paints is still shown by the
// next paint or, at the latest, when the event loop runs again.
class StatusLine : public kelvarin::StatusWindow {
public:
    explicit StatusLine(QLabel& label) : m_label(label) {}

    void SetText(std::string_view text) override;

private:
    QLabel& m_label;
    QElapsedTimer m_sinceRepaint;
};
