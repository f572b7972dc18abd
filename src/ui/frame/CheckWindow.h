#pragma once

#include "app/WorkingFolders.h"
#include "pipeline/LibraryFindings.h"

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;
class QTableWidget;

namespace kelvarin::gui {

class StockSheet;

// The library check in a window of its own. The check runs on a thread of
// its own, so the main window stays responsive meanwhile; its progress shows
// in the window's bar, and its findings fill a table, file by file. A
// double-click on a finding opens its file's stock sheet at its line.
class CheckWindow : public QWidget {
    Q_OBJECT
public:
    using SheetOpener = std::function<StockSheet*(const std::string& path)>;

    // Starts the check of `folders` at once. The folders are the window's
    // own copy: browsing in the stage lists meanwhile changes nothing here.
    CheckWindow(WorkingFolders folders, SheetOpener openSheet, QWidget* owner);
    // Stops a check still running and waits for its thread.
    ~CheckWindow() override;

    bool Running() const { return m_thread.joinable() && !m_finished; }

signals:
    // The table holds the findings and the summary line shows.
    void Finished();

private:
    class ThreadFrontEnd;

    void ShowReport(const LibraryReport& report);
    void OpenFinding(int row);

    WorkingFolders m_folders;
    SheetOpener m_openSheet;
    QLabel* m_status;
    QProgressBar* m_progress;
    QTableWidget* m_table;
    std::unique_ptr<ThreadFrontEnd> m_frontEnd;
    std::atomic<int> m_stop{0};
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace kelvarin::gui
