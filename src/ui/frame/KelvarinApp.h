#pragma once

#include "app/WorkingFolders.h"
#include "net/TransferSettings.h"
#include "ui/form/MessageBoxes.h"

#include <memory>
#include <string>

namespace kelvarin::gui {

class MainFrame;

// Start-up and exit of the desktop program around Qt's event loop.
class KelvarinApp {
public:
    // With `userLibrary` the base folder is the user's data folder for the
    // program instead of the current directory. `transfer` says which
    // certificate authorities https:// servers are checked against and how
    // many transfers Download keeps under way.
    KelvarinApp(std::string server, MessageBoxes::Mode mode, bool userLibrary = false,
                TransferSettings transfer = {});
    ~KelvarinApp();

    // The names Qt derives the user's data folder and the message box titles
    // from; set once, right after the QApplication is made.
    static void NameApplication();
    // The user's library as Qt names it, absolute and clean like
    // UserLibraryFolder(), which kelvarin-cli uses.
    static std::string UserLibraryFolder();

    // Fixes the base folder, reads the settings, opens the main window
    // maximised with both panes initialised, then shows the About box.
    // Returns false, after telling why, when the user's library cannot be
    // made; the program then ends without Exit().
    bool Start();
    // Closes the window and writes the settings file; a failure to write is
    // told on stderr and the program still ends normally. Returns the exit code.
    int Exit();

    MainFrame& Frame() { return *m_frame; }
    MessageBoxes& Messages() { return m_messages; }
    const WorkingFolders& Folders() const { return m_folders; }

private:
    bool PrepareBaseFolder();

    std::string m_server;
    TransferSettings m_transfer;
    bool m_userLibrary;
    WorkingFolders m_folders;
    MessageBoxes m_messages;
    std::unique_ptr<MainFrame> m_frame;
};

} // namespace kelvarin::gui
