#include "ui/form/StatusLine.h"

#include <QLabel>
#include <algorithm>

namespace {

constexpr qint64 PaintIntervalMs = 33;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

StatusLine::StatusLine(QLabel& label) : m_label(label) {
    m_heldBackTimer.setSingleShot(true);
    m_heldBackTimer.callOnTimeout([this] { Paint(m_heldBack); });
}

void StatusLine::SetText(std::string_view text) {
    Paint(FromUtf8(text));
}

void StatusLine::SetThinnedText(std::string_view text) {
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
void StatusLine::Paint(QString text) {
    m_heldBackTimer.stop();
    m_heldBack.clear();
    m_label.setText(text);
    m_label.repaint();
    m_sincePaint.start();
}
