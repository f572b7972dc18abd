#include "ui/form/ControlForm.h"

#include "app/FixedNames.h"
#include "pipeline/FolderBrowsing.h"
#include "pipeline/FrontEnd.h"
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

} // namespace

ControlForm::ControlForm(WorkingFolders& folders, std::string server, TransferSettings transfer,
                         MessageBoxes& messages, QWidget* parent)
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
    m_context->transfer = std::move(transfer);
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
    connect(m_ui->remoteList, &StageListView::RowClicked, this, [this](int row) {
        if (row >= 0 && m_remote->SelectedCount() > 0)
            m_ui->downloadAuto->setChecked(false);
    });
    for (const StageFolderFacts& facts : StageFolderTable) {
        const StageFolder stage = facts.stage;
        const StageFolderControls controls = ControlsOf(stage);
        connect(controls.clearButton, &QPushButton::clicked, this, [this, stage] {
            RunStage(
                [this, stage] { ClearStageFiles(*m_context, stage, *ControlsOf(stage).list); });
        });
        connect(controls.view, &StageListView::RowActivated, this,
                [this, stage](int row) { OpenListItem(row, stage); });
        if (controls.nextAuto) {
            connect(controls.view, &StageListView::RowClicked, this,
                    [this, stage](int row) { OnPickedInList(row, stage); });
        }
    }
}

ControlForm::StageFolderControls ControlForm::ControlsOf(StageFolder stage) const {
    switch (stage) {
    case StageFolder::Zip:
        return {m_ui->zipList, m_ui->clearZipButton, m_zip.get(), m_ui->unzipAuto};
    case StageFolder::Unzip:
        return {m_ui->unzipList, m_ui->clearUnzipButton, m_unzip.get(), m_ui->updateAuto};
    case StageFolder::Stock:
        break;
    }
    return {m_ui->stockList, m_ui->clearStockButton, m_stock.get(), nullptr};
}

void ControlForm::InitialUpdate() {
    m_ui->exchangeCombo->setEditText(QString::fromUtf8(ExchangeCode));
    RefreshAll();
    m_ui->downloadAuto->setChecked(true);
    m_ui->unzipAuto->setChecked(true);
    m_ui->updateAuto->setChecked(true);
    m_frontEnd->StatusLine().SetText(WelcomeText);
}

void ControlForm::Reset() {
    m_folders.ResetToBaseDefaults();
    m_ui->exchangeCombo->setEditText(QString::fromUtf8(ExchangeCode));
    RefreshAll();
    m_ui->downloadAuto->setChecked(true);
    m_ui->unzipAuto->setChecked(true);
    m_ui->updateAuto->setChecked(true);
}

std::vector<std::string> ControlForm::RemoteItems() const {
    std::vector<std::string> items;
    for (int row = 0; row < m_remote->Count(); ++row)
        items.push_back(m_remote->Text(row));
    return items;
}

void ControlForm::RefreshAll() {
    for (const StageFolderFacts& facts : StageFolderTable)
        RefreshFileList(*m_context, facts.stage, *ControlsOf(facts.stage).list);
}

void ControlForm::SetRunning(bool running) {
    m_running = running;
    EnableCommands();
}

void ControlForm::SetCheckRunning(bool checking) {
    m_checking = checking;
    EnableCommands();
}

void ControlForm::EnableCommands() {
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->connectButton), static_cast<QWidget*>(m_ui->downloadButton),
          static_cast<QWidget*>(m_ui->unzipButton), static_cast<QWidget*>(m_ui->resetButton),
          static_cast<QWidget*>(m_ui->clearZipButton),
          static_cast<QWidget*>(m_ui->clearUnzipButton)})
        control->setEnabled(!m_running);
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->updateButton), static_cast<QWidget*>(m_ui->clearStockButton)})
        control->setEnabled(!m_running && !m_checking);
}

StockSheet* ControlForm::OpenStockSheet(const std::string& path) {
    return m_sheets.OpenStockSheet(path, this);
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

// A click on a daily file in the zip or unzip list picks it by hand for the
// stage that reads that folder, whose Auto box it unticks.
void ControlForm::OnPickedInList(int row, StageFolder stage) {
    if (row < 0)
        return;
    const StageFolderFacts& facts = FactsOf(stage);
    const StageFolderControls controls = ControlsOf(stage);
    if (IsHandPickedDailyFile(facts.FolderIn(m_folders), controls.list->Text(row), facts.extension))
        controls.nextAuto->setChecked(false);
}

void ControlForm::OpenListItem(int row, StageFolder stage) {
    if (row < 0)
        return;
    FileListAdapter& list = *ControlsOf(stage).list;
    std::string& folder = FactsOf(stage).FolderIn(m_folders);
    const std::string text = list.Text(row);
    const std::string path = folder + text;
    const ItemKind kind = ClassifyListItem(folder, text);
    // The test is exact: NOTES.TXT and archives stay closed. A sheet only
    // reads its file, so it may open while a stage runs.
    if (kind == ItemKind::File && (path.ends_with(DatExtension) || path.ends_with(TxtExtension)))
        OpenStockSheet(path);
    // Moving a folder while a stage writes into it would split its output.
    if (m_running)
        return;
    const std::optional<std::string> moved = FolderAfterOpening(folder, text, kind);
    if (!moved)
        return;
    folder = *moved;
    RefreshFileList(*m_context, stage, list);
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
