#pragma once

#include "app/WorkingFolders.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace kelvarin::gui {

// A small window, not modal, with where the library stands, in the words of
// `kelvarin-cli status`. The folders and the history files are read on a
// worker thread and no folder is locked, so a stage that runs meanwhile
// goes on undisturbed.
class LibraryStatusWindow : public QDialog {
    Q_OBJECT
public:
    // `remoteItems` gives the remote list as the last Connect filled it.
    LibraryStatusWindow(const WorkingFolders& folders,
                        std::function<std::vector<std::string>()> remoteItems, QWidget* parent);

    // Shows the window and reads the status afresh.
    void Refresh();

private:
    void ShowText(const QString& text, int reading);

    const WorkingFolders& m_folders;
    std::function<std::vector<std::string>()> m_remoteItems;
    QPlainTextEdit* m_text;
    // Counts the readings started, so an older one that ends late never
    // replaces a newer one.
    int m_readings = 0;
};

} // namespace kelvarin::gui
