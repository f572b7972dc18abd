#include "ui/form/FormFrontEnd.h"

#include "ui/form/MessageBoxes.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

namespace kelvarin::gui {

namespace {

constexpr qint64 PaintIntervalMs = 33;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

StatusLabel::StatusLabel(QLabel& label) : m_label(label) {
    m_heldBackTimer.setSingleShot(true);
    m_heldBackTimer.callOnTimeout([this] { Paint(m_heldBack); });
}

void StatusLabel::SetText(std::string_view text) {
    Paint(FromUtf8(text));
}

void StatusLabel::SetThinnedText(std::string_view text) {
    const qint64 since = m_sincePaint.isValid() ? m_sincePaint.elapsed() : PaintIntervalMs;
    if (since >= PaintIntervalMs) {
        Paint(FromUtf8(text));
        return;
    }
    m_heldBack = FromUtf8(text);
    if (!m_heldBackTimer.isActive())
        m_heldBackTimer.start(static_cast<int>(std::max<qint64>(PaintIntervalMs - since, 1)));
}

// A text held back is older than the one painted now: it must never come after it.
void StatusLabel::Paint(QString text) {
    m_heldBackTimer.stop();
    m_heldBack.clear();
    m_label.setText(text);
    m_label.repaint();
    m_sincePaint.start();
}

FormFrontEnd::FormFrontEnd(QLabel& statusLabel, QProgressBar& progress, MessageBoxes& messages,
                           CauseHandler showCause)
    : m_statusLabel(statusLabel), m_progress(progress), m_messages(messages),
      m_showCause(std::move(showCause)) {}

void FormFrontEnd::SetProgressRange(int lower, int upper) {
    m_progress.setRange(lower, upper);
}

void FormFrontEnd::SetProgress(int position) {
    m_progress.setValue(position);
}

MessageAnswer FormFrontEnd::ShowMessage(const std::string& text, MessageButtons buttons) {
    return m_messages.Ask(text, buttons);
}

// Qt offers no way to take exactly one event off the queue; processEvents
// handles the events waiting at this moment (a click's press and release come
// together) and returns without waiting for more. The stages pump before each
// item and their transfers while they wait, so a Pause click lands at once.
void FormFrontEnd::PumpOneMessage() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A manual run moves the marker to the last day it fetched, past the gap.
std::string FormFrontEnd::HowToLetGo(const std::string& item) {
    return "To go on without " + item +
           ", untick Auto beside Download, choose the days after it in the remote list and click "
           "Download.";
}

} // namespace kelvarin::gui
