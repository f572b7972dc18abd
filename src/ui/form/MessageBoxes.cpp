#include "ui/form/MessageBoxes.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace kelvarin::gui {

namespace {

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MessageAnswer AnswerOf(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

} // namespace

MessageAnswer MessageBoxes::Ask(const std::string& text, MessageButtons buttons) {
    const QString shown = QString::fromStdString(text);
    m_shown.append(shown);
    if (m_mode == Mode::Scripted)
        return Scripted(buttons);
    QMessageBox box(buttons == MessageButtons::Ok ? QMessageBox::Information
                                                  : QMessageBox::Question,
                    QApplication::applicationDisplayName(), shown, ButtonsOf(buttons), m_parent);
    return AnswerOf(box.exec());
}

int MessageBoxes::Exec(QDialog& dialog) {
    m_shown.append(dialog.windowTitle());
    if (m_mode == Mode::Scripted)
        return QDialog::Rejected;
    return dialog.exec();
}

MessageAnswer MessageBoxes::Scripted(MessageButtons buttons) {
    if (!m_answers.empty()) {
        const MessageAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (buttons) {
    case MessageButtons::OkCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

} // namespace kelvarin::gui
