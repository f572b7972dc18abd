#include "ui/form/ControlForm.h"

#include "app/FixedNames.h"
#include "pipeline/FolderBrowsing.h"
#include "pipeline/StopRequest.h"
#include "ui/form/DialogUnits.h"
#include "ui/form/MessageBoxes.h"
#include "ui_ControlForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QResizeEvent>
#include <algorithm>
#include <exception>

namespace kelvarin::gui {

namespace {

constexpr const char* WelcomeText = "Welcome to Kelvarin. Click Connect to begin";
constexpr const char* ExchangeName = "SGX";
constexpr std::string_view ZipExtension = ".zip";
constexpr std::string_view DatExtension = ".dat";

} // namespace

ControlForm::ControlForm(WorkingFolders& folders, std::string server, MessageBoxes& messages,
                         QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::ControlForm>()), m_folders(folders),
      m_messages(messages),
      m_sheets([&messages](const std::string& text) { messages.Ask(text, MessageButtons::Ok); }) {
    m_ui->setupUi(this);
    PlaceControls();
    m_frontEnd = std::make_unique<FormFrontEnd>(
        *m_ui->statusLine, *m_ui->progressBar, messages,
        [this](const std::string& text) { emit CauseShown(QString::fromStdString(text)); });
    m_context =
        std::make_unique<StageContext>(StageContext{folders, *m_frontEnd, std::move(server)});
    m_remote = std::make_unique<RemoteListAdapter>(*m_ui->remoteList);
    m_zip = std::make_unique<FileListAdapter>(*m_ui->zipList, *m_ui->zipFolderEdit, *m_ui->zipCount,
                                              m_icons);
    m_unzip = std::make_unique<FileListAdapter>(*m_ui->unzipList, *m_ui->unzipFolderEdit,
                                                *m_ui->unzipCount, m_icons);
    m_stock = std::make_unique<FileListAdapter>(*m_ui->stockList, *m_ui->stockFolderEdit,
                                                *m_ui->stockCount, m_icons);
    m_ui->progressBar->setRange(0, 100);
    ConnectControls();
}

ControlForm::~ControlForm() = default;

// The .ui file keeps the template's rectangles in dialog units; they become
// pixels here, once the form's font is known. A drop-down combo's template
// height is its opened list's, so the closed box keeps its natural height.
void ControlForm::PlaceControls() {
    const DialogUnits units(font());
    m_templateSize = units.ToPixels(QRect(QPoint(0, 0), size())).size();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QRect placed = units.ToPixels(child->geometry());
        if (qobject_cast<QComboBox*>(child))
            placed.setHeight(child->sizeHint().height());
        child->setGeometry(placed);
    }
    resize(m_templateSize);
}

QSize ControlForm::sizeHint() const {
    return m_templateSize;
}

void ControlForm::ConnectControls() {
    connect(m_ui->connectButton, &QPushButton::clicked, this, [this] {
        RunBlockingStage(*m_ui->connectButton, [this] { RunConnect(*m_context, *m_remote); });
    });
    connect(m_ui->downloadButton, &QPushButton::clicked, this, &ControlForm::OnDownload);
    connect(m_ui->unzipButton, &QPushButton::clicked, this, [this] {
        RunStage([this] { RunUnzip(*m_context, m_ui->unzipAuto->isChecked(), *m_zip, *m_unzip); });
    });
    connect(m_ui->updateButton, &QPushButton::clicked, this, &ControlForm::OnUpdate);
    connect(m_ui->pauseButton, &QPushButton::clicked, this, [] { StopRequested = 1; });
    connect(m_ui->resetButton, &QPushButton::clicked, this, &ControlForm::Reset);
    connect(m_ui->clearZipButton, &QPushButton::clicked, this, [this] {
        RunStage([this] { ClearStageFiles(*m_context, StageFolder::Zip, *m_zip); });
    });
    connect(m_ui->clearUnzipButton, &QPushButton::clicked, this, [this] {
        RunStage([this] { ClearStageFiles(*m_context, StageFolder::Unzip, *m_unzip); });
    });
    connect(m_ui->clearStockButton, &QPushButton::clicked, this, [this] {
        RunStage([this] { ClearStageFiles(*m_context, StageFolder::Stock, *m_stock); });
    });

    connect(m_ui->remoteList, &StageListView::RowClicked, this, [this](int row) {
        if (row >= 0 && m_remote->SelectedCount() > 0)
            m_ui->downloadAuto->setChecked(false);
    });
    connect(m_ui->zipList, &StageListView::RowClicked, this, [this](int row) {
        OnPickedInList(row, m_folders.ZipFolder, *m_zip, ZipExtension, *m_ui->unzipAuto);
    });
    connect(m_ui->unzipList, &StageListView::RowClicked, this, [this](int row) {
        OnPickedInList(row, m_folders.UnzipFolder, *m_unzip, DatExtension, *m_ui->updateAuto);
    });
    connect(m_ui->zipList, &StageListView::RowActivated, this,
            [this](int row) { OpenListItem(row, m_folders.ZipFolder, *m_zip, ZipPattern); });
    connect(m_ui->unzipList, &StageListView::RowActivated, this,
            [this](int row) { OpenListItem(row, m_folders.UnzipFolder, *m_unzip, DatPattern); });
    connect(m_ui->stockList, &StageListView::RowActivated, this,
            [this](int row) { OpenListItem(row, m_folders.StockFolder, *m_stock, TxtPattern); });
}

void ControlForm::InitialUpdate() {
    m_ui->exchangeCombo->setEditText(ExchangeName);
    RefreshAll();
    m_ui->downloadAuto->setChecked(true);
    m_ui->unzipAuto->setChecked(true);
    m_ui->updateAuto->setChecked(true);
    m_frontEnd->StatusLine().SetText(WelcomeText);
}

void ControlForm::Reset() {
    m_folders.ResetToBaseDefaults();
    m_ui->exchangeCombo->setEditText(ExchangeName);
    RefreshAll();
    m_ui->downloadAuto->setChecked(true);
    m_ui->unzipAuto->setChecked(true);
    m_ui->updateAuto->setChecked(true);
}

void ControlForm::RefreshAll() {
    Refresh(m_folders.ZipFolder, *m_zip, ZipPattern);
    Refresh(m_folders.UnzipFolder, *m_unzip, DatPattern);
    Refresh(m_folders.StockFolder, *m_stock, TxtPattern);
}

void ControlForm::Refresh(const std::string& folder, FileListAdapter& list,
                          std::string_view pattern) {
    RefreshFileList(folder, list, pattern, *m_frontEnd);
}

void ControlForm::SetRunning(bool running) {
    m_running = running;
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->connectButton), static_cast<QWidget*>(m_ui->downloadButton),
          static_cast<QWidget*>(m_ui->unzipButton), static_cast<QWidget*>(m_ui->updateButton),
          static_cast<QWidget*>(m_ui->resetButton), static_cast<QWidget*>(m_ui->clearZipButton),
          static_cast<QWidget*>(m_ui->clearUnzipButton),
          static_cast<QWidget*>(m_ui->clearStockButton)})
        control->setEnabled(!running);
}

// A file error ends the command with its message, as a failed command should;
// the form stays usable. A new command clears the cause a failed one left.
template <typename Stage> void ControlForm::RunStage(Stage stage) {
    emit CauseShown(QString());
    try {
        stage();
    } catch (const std::exception& error) {
        m_messages.Ask(error.what(), MessageButtons::Ok);
    }
}

// Only the pumping stages block the others while they run. Disabling the
// focused button moves focus on along the tab chain, into a folder edit; it
// goes back to the button unless the user has put it elsewhere meanwhile.
template <typename Stage> void ControlForm::RunBlockingStage(QWidget& starter, Stage stage) {
    const bool starterHadFocus = window()->focusWidget() == &starter;
    SetRunning(true);
    const QWidget* parkedFocus = window()->focusWidget();
    RunStage(stage);
    SetRunning(false);
    if (starterHadFocus && window()->focusWidget() == parkedFocus)
        starter.setFocus(Qt::OtherFocusReason);
    emit RunEnded();
}

void ControlForm::OnDownload() {
    RunBlockingStage(*m_ui->downloadButton, [this] {
        RunDownload(*m_context, m_ui->downloadAuto->isChecked(), *m_remote, *m_zip);
    });
}

void ControlForm::OnUpdate() {
    RunBlockingStage(*m_ui->updateButton, [this] {
        RunUpdate(*m_context, m_ui->updateAuto->isChecked(), *m_unzip, *m_stock);
    });
}

void ControlForm::OnPickedInList(int row, const std::string& folder, FileListAdapter& list,
                                 std::string_view extension, QCheckBox& nextAuto) {
    if (row < 0)
        return;
    if (IsHandPickedDailyFile(folder, list.Text(row), extension))
        nextAuto.setChecked(false);
}

void ControlForm::OpenListItem(int row, std::string& folder, FileListAdapter& list,
                               std::string_view pattern) {
    if (row < 0)
        return;
    const std::string text = list.Text(row);
    const std::string path = folder + text;
    const ItemKind kind = ClassifyListItem(folder, text);
    // The test is exact: NOTES.TXT and archives stay closed. A sheet only
    // reads its file, so it may open while a stage runs.
    if (kind == ItemKind::File && (path.ends_with(".dat") || path.ends_with(".txt")))
        m_sheets.OpenStockSheet(path, this);
    // Moving a folder while a stage writes into it would split its output.
    if (m_running)
        return;
    const std::optional<std::string> moved = FolderAfterOpening(folder, text, kind);
    if (!moved)
        return;
    folder = *moved;
    Refresh(folder, list, pattern);
}

// Each list's bottom follows the form's; nothing else moves and no width
// changes. Raising keeps a grown list above the controls it now overlaps.
void ControlForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_remote)
        return;
    const int height = event->size().height();
    for (QWidget* list :
         {static_cast<QWidget*>(m_ui->remoteList), static_cast<QWidget*>(m_ui->zipList),
          static_cast<QWidget*>(m_ui->unzipList), static_cast<QWidget*>(m_ui->stockList)}) {
        const QRect current = list->geometry();
        list->setGeometry(current.x(), current.y(), current.width(),
                          std::max(0, height - current.y()));
        list->raise();
        list->show();
    }
}

} // namespace kelvarin::gui
