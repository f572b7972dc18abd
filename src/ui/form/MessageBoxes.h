#pragma once

#include "pipeline/FrontEnd.h"

#include <QStringList>
#include <deque>
#include <string>

class QDialog;
class QWidget;

namespace kelvarin::gui {

// Every message box and modal dialog of the program goes through here, so a
// test can answer them in advance and read what was shown. Scripted, nothing
// ever blocks: a question without a prepared answer is refused (Cancel or
// No), a plain message is acknowledged, a dialog is dismissed.
class MessageBoxes {
public:
    enum class Mode { Interactive, Scripted };

    explicit MessageBoxes(Mode mode = Mode::Interactive) : m_mode(mode) {}

    void SetParent(QWidget* parent) { m_parent = parent; }

    MessageAnswer Ask(const std::string& text, MessageButtons buttons);
    // Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    int Exec(QDialog& dialog);

    void PrepareAnswer(MessageAnswer answer) { m_answers.push_back(answer); }
    // Texts of the message boxes and titles of the dialogs, in order shown.
    const QStringList& Shown() const { return m_shown; }
    void ForgetShown() { m_shown.clear(); }

private:
    MessageAnswer Scripted(MessageButtons buttons);

    Mode m_mode;
    QWidget* m_parent = nullptr;
    std::deque<MessageAnswer> m_answers;
    QStringList m_shown;
};

} // namespace kelvarin::gui
