#pragma once

#include "app/WorkingFolders.h"
#include "net/TransferSettings.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>

class QLabel;
class QSplitter;

namespace kelvarin::gui {

class CheckWindow;
class ControlForm;
class LibraryStatusWindow;
class LockIndicators;
class MessageBoxes;
class StartPage;

// The heights the main window's two panes start with, for a window `frameHeight`
// pixels high: the start page gets 7 % but never more than 100 pixels, the
// control form the rest but never less than 200.
struct PaneHeights {
    int top;
    int bottom;
};

PaneHeights SplitPaneHeights(int frameHeight);

// The program's one window: a small menu bar, the status bar, and the control
// form above the start page, split as the window's first height suggests.
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    MainFrame(WorkingFolders& folders, std::string server, TransferSettings transfer,
              MessageBoxes& messages);
    ~MainFrame() override;

    // Both panes as they are when first shown; File New runs it again.
    void InitialUpdate();
    void ShowAbout();
    // Opens the library status window, or brings it up to date.
    void ShowLibraryStatus();
    // Library > Check Library: the check of the folders as they stand, in a
    // window of its own; while one runs, its window comes to the front instead.
    void CheckLibrary();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenu();
    void CreateStatusBar();
    void CreateAccelerators();
    void PrintStartPage();
    void SwitchPane();
    bool StartPageActive() const;
    void OnRunEnded();
    void ShowCause(const QString& text);

    WorkingFolders& m_folders;
    MessageBoxes& m_messages;
    QSplitter* m_splitter;
    ControlForm* m_form;
    StartPage* m_startPage;
    std::unique_ptr<LockIndicators> m_locks;
    LibraryStatusWindow* m_libraryStatus = nullptr;
    QLabel* m_statusMessage = nullptr;
    QPointer<CheckWindow> m_check;
    bool m_closeWhenIdle = false;
};

} // namespace kelvarin::gui
