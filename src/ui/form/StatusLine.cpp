#include "ui/form/StatusLine.h"

#include <QLabel>

namespace {
constexpr qint64 RepaintIntervalMs = 33;
}

void StatusLine::SetText(std::string_view text) {
    m_label.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    if (m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() < RepaintIntervalMs)
        return;
    m_label.repaint();
    m_sinceRepaint.start();
}
