#include "ui/form/FormFrontEnd.h"

#include "ui/form/MessageBoxes.h"

#include <QCoreApplication>
#include <QProgressBar>

FormFrontEnd::FormFrontEnd(QLabel& statusLabel, QProgressBar& progress, MessageBoxes& messages,
                           CauseHandler showCause)
    : m_statusLine(statusLabel), m_progress(progress), m_messages(messages),
      m_showCause(std::move(showCause)) {}

void FormFrontEnd::SetProgressRange(int lower, int upper) {
    m_progress.setRange(lower, upper);
}

void FormFrontEnd::SetProgress(int position) {
    m_progress.setValue(position);
}

kelvarin::MessageAnswer FormFrontEnd::ShowMessage(const std::string& text,
                                                  kelvarin::MessageButtons buttons) {
    return m_messages.Ask(text, buttons);
}

// Qt offers no way to take exactly one event off the queue; processEvents
// handles the events waiting at this moment (a click's press and release come
// together) and returns without waiting for more. The stages pump before each
// item and their transfers while they wait, so a Pause click lands at once.
void FormFrontEnd::PumpOneMessage() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
