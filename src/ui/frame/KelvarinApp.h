#pragma once

#include "app/WorkingFolders.h"
#include "ui/form/MessageBoxes.h"

#include <memory>
#include <string>

class MainFrame;

// Start-up and exit of the desktop program around Qt's event loop.
class KelvarinApp {
public:
    KelvarinApp(std::string server, MessageBoxes::Mode mode);
    ~KelvarinApp();

    // Fixes the base folder, reads the settings, opens the main window
    // maximised with both panes initialised, then shows the About box.
    void Start();
    // Closes the window and writes the settings file; a failure to write is
    // told on stderr and the program still ends normally. Returns the exit code.
    int Exit();

    MainFrame& Frame() { return *m_frame; }
    MessageBoxes& Messages() { return m_messages; }
    const kelvarin::WorkingFolders& Folders() const { return m_folders; }

private:
    std::string m_server;
    kelvarin::WorkingFolders m_folders;
    MessageBoxes m_messages;
    std::unique_ptr<MainFrame> m_frame;
};
