#pragma once

#include "pipeline/Stages.h"
#include "ui/form/FormFrontEnd.h"
#include "ui/form/ListAdapters.h"
#include "ui/sheet/StockSheet.h"

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class ControlForm;
}
class QCheckBox;
class QPushButton;

namespace kelvarin::gui {

class MessageBoxes;
class StageListView;

// The control form: the four stage buttons with their Auto boxes, the remote
// list and the three stage file lists, the status line and the progress bar.
// It routes each button and list event to its stage and is the stages' front
// end. While Connect, Download or Update runs, the commands that would nest
// another run or move a folder under it are disabled; Pause and opening
// sheets stay live.
class ControlForm : public QWidget {
    Q_OBJECT
public:
    ControlForm(WorkingFolders& folders, std::string server, TransferSettings transfer,
                MessageBoxes& messages, QWidget* parent = nullptr);
    ~ControlForm() override;

    // The state of a fresh form: folders listed, Auto boxes ticked, welcome.
    void InitialUpdate();
    void Reset();
    bool IsRunning() const { return m_running; }
    // The items of the remote list, as the last Connect filled it.
    std::vector<std::string> RemoteItems() const;
    // While the library check reads the stock folder, Update and its Clear
    // All wait: they would find the folder held.
    void SetCheckRunning(bool checking);
    // A new stock sheet window on the file, as a double-click in a list opens one.
    StockSheet* OpenStockSheet(const std::string& path);

    QSize sizeHint() const override;

signals:
    void RunEnded();
    // A failed stage's cause, to be shown until the next command; empty when
    // a command begins.
    void CauseShown(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The controls of one stage folder. nextAuto is the Auto box of the stage
    // that reads the folder; the stock folder has none.
    struct StageFolderControls {
        StageListView* view;
        QPushButton* clearButton;
        FileListAdapter* list;
        QCheckBox* nextAuto;
    };

    void PlaceControls();
    void ConnectControls();
    StageFolderControls ControlsOf(StageFolder stage) const;
    void RefreshAll();
    void SetRunning(bool running);
    void EnableCommands();
    template <typename Stage> void RunStage(Stage stage);
    template <typename Stage> void RunBlockingStage(QWidget& starter, Stage stage);

    void OnDownload();
    void OnUpdate();
    void OnPickedInList(int row, StageFolder stage);
    void OpenListItem(int row, StageFolder stage);

    std::unique_ptr<Ui::ControlForm> m_ui;
    WorkingFolders& m_folders;
    MessageBoxes& m_messages;
    StockSheets m_sheets;
    FileIcons m_icons;
    QSize m_templateSize;
    std::unique_ptr<FormFrontEnd> m_frontEnd;
    std::unique_ptr<StageContext> m_context;
    std::unique_ptr<RemoteListAdapter> m_remote;
    std::unique_ptr<FileListAdapter> m_zip;
    std::unique_ptr<FileListAdapter> m_unzip;
    std::unique_ptr<FileListAdapter> m_stock;
    bool m_running = false;
    bool m_checking = false;
};

} // namespace kelvarin::gui
